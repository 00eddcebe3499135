// The Qt services as workers meet them: called from another thread, each box
// and prompt waits for its answer on the GUI thread.
#include "ui/qt_services.h"

#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include "net/certificate_check.h"
#include "ui/dialog_driver.h"

namespace tarvox {
namespace {

TEST(QtServices, MessageBoxesFromAWorker) {
    struct Case {
        BoxButtons buttons;
        BoxIcon icon;
        QString click;
        BoxAnswer answer;
        QStringList buttons_seen;
        QString default_seen;
        int icon_seen;
    };
    const Case cases[] = {
        {BoxButtons::Ok, BoxIcon::Error, "OK", BoxAnswer::Ok, {"OK"}, "", QMessageBox::Critical},
        {BoxButtons::YesNo,
         BoxIcon::Question,
         "No",
         BoxAnswer::No,
         {"Yes", "No"},
         "Yes",
         QMessageBox::Question},
        {BoxButtons::YesNoDefaultNo,
         BoxIcon::Warning,
         "Yes",
         BoxAnswer::Yes,
         {"Yes", "No"},
         "No",
         QMessageBox::Warning},
    };
    QtServices services;
    for (const Case& c : cases) {
        DialogDriver driver;
        SeenBox seen;
        driver.Then(RecordBoxAndClick(&seen, c.click));
        BoxAnswer answer = BoxAnswer::Ok;
        ASSERT_TRUE(DialogDriver::RunWorker([&] {
            answer = services.ShowMessage("Caf\xe9 <b>closed</b>", "Tarvox", c.icon, c.buttons);
        }));
        EXPECT_EQ(answer, c.answer);
        EXPECT_EQ(seen.title, "Tarvox");
        EXPECT_EQ(seen.text, QString::fromUtf8("Café <b>closed</b>"));
        EXPECT_TRUE(seen.plain_text);
        EXPECT_EQ(seen.icon, c.icon_seen);
        EXPECT_EQ(seen.buttons, c.buttons_seen);
        if (c.buttons != BoxButtons::Ok) {
            EXPECT_EQ(seen.default_button, c.default_seen);
        }
    }
}

TEST(QtServices, TextPromptRefusesEmptyAndCutsToCapacity) {
    QtServices services;
    DialogDriver driver;
    SeenBox refusal;
    driver.Then(ClickButton("submit"));              // empty: refused
    driver.Then(RecordBoxAndClick(&refusal, "OK"));  // the refusal box
    driver.Then(TypeAndClick(QString::fromUtf8("héllo wörld"), "submit"));
    TextPromptResult result;
    TextPromptRequest request;
    request.title = "Rename profile";
    request.prompt = "Enter new profile name (unique)";
    request.capacity = 8;
    ASSERT_TRUE(DialogDriver::RunWorker([&] { result = services.TextPrompt(request); }));
    EXPECT_EQ(driver.pending(), 0u);
    EXPECT_EQ(refusal.text, "Enter text (or Cancel)");
    EXPECT_EQ(refusal.title, "");
    EXPECT_EQ(refusal.icon, QMessageBox::Warning);
    EXPECT_TRUE(result.submitted);
    EXPECT_EQ(result.text, "h\xe9llo w") << "capacity - 1 characters, in ISO-8859-1";

    driver.Then(ClickButton("cancel"));
    ASSERT_TRUE(DialogDriver::RunWorker([&] { result = services.TextPrompt(request); }));
    EXPECT_FALSE(result.submitted);
}

TEST(QtServices, TextPromptSwitches) {
    QtServices services;
    DialogDriver driver;
    QLineEdit::EchoMode echo = QLineEdit::Normal;
    QString initial;
    bool digits_refused = false;
    driver.Then([&](QWidget* dialog) {
        auto* input = dialog->findChild<QLineEdit*>("input");
        echo = input->echoMode();
        initial = input->text();
        input->selectAll();
        input->insert("12a");  // the validator refuses the letter
        digits_refused = input->text() == "20";
        input->selectAll();
        input->insert("12");
        dialog->findChild<QWidget*>("dontAskAgain")->setProperty("checked", true);
        dialog->findChild<QPushButton*>("submit")->click();
    });
    TextPromptRequest request;
    request.password_mode = true;
    request.numbers_only = true;
    request.prefill = true;
    request.dont_ask_again_box = true;
    request.initial_text = "20";
    TextPromptResult result;
    ASSERT_TRUE(DialogDriver::RunWorker([&] { result = services.TextPrompt(request); }));
    EXPECT_EQ(echo, QLineEdit::Password);
    EXPECT_EQ(initial, "20");
    EXPECT_TRUE(digits_refused);
    EXPECT_EQ(result.text, "12");
    EXPECT_TRUE(result.dont_ask_again);
}

TEST(QtServices, CertificateDialogShowsCausesOnYellowAndDecides) {
    CertificateDetails details;
    details.fingerprint = "AB:CD";
    details.subject = "/CN=mail.example.org";
    const std::string recorded = "00:11";
    const CertificateView view =
        BuildCertificateView(details, "pop.example.org", &recorded, /*may_decide=*/true);
    QtServices services;
    for (const auto& [button, decision] :
         {std::pair{QString("accept"), CertificateDecision::Accept},
          std::pair{QString("deny"), CertificateDecision::Deny}}) {
        DialogDriver driver;
        bool cancel_enabled = true;
        QStringList marked;
        driver.Then([&, button = button](QWidget* dialog) {
            EXPECT_EQ(dialog->windowTitle(), "SSL Information");
            cancel_enabled = dialog->findChild<QPushButton*>("cancel")->isEnabled();
            for (QWidget* field : dialog->findChildren<QWidget*>()) {
                if (field->property("marked").toBool()) {
                    marked << field->objectName();
                }
            }
            dialog->findChild<QPushButton*>(button)->click();
        });
        CertificateDecision got = CertificateDecision::Cancel;
        ASSERT_TRUE(DialogDriver::RunWorker([&] { got = services.ShowCertificate(view); }));
        EXPECT_EQ(got, decision);
        EXPECT_FALSE(cancel_enabled);
        marked.sort();
        EXPECT_EQ(marked,
                  (QStringList{"fingerprint", "networkHostName", "trustEvaluation", "warnings"}));
    }
}

TEST(QtServices, TextOutputWindowShowsTheWholeText) {
    QtServices services;
    DialogDriver driver;
    QString title;
    QString shown;
    bool read_only = false;
    driver.Then([&](QWidget* dialog) {
        title = dialog->windowTitle();
        auto* field = dialog->findChild<QPlainTextEdit*>("output");
        shown = field->toPlainText();
        read_only = field->isReadOnly();
        ClickButton("OK")(dialog);
    });
    ASSERT_TRUE(DialogDriver::RunWorker([&] {
        services.ShowTextOutput("GPG stderr output", "gpg: line one\r\ngpg: l\xe9ne two\r\n");
    }));
    EXPECT_EQ(title, "GPG stderr output");
    EXPECT_EQ(shown, QString::fromUtf8("gpg: line one\ngpg: léne two\n"));
    EXPECT_TRUE(read_only);
}

TEST(QtServices, StatusTextsAreQueuedToTheirLine) {
    QtServices services;
    QStringList account;
    services.SetStatusSink(StatusLine::Account, [&](const QString& text) { account << text; });
    QLabel inbox;
    services.SetStatusLabel(StatusLine::Inbox, &inbox);
    ASSERT_TRUE(DialogDriver::RunWorker([&] {
        services.ShowStatus(StatusLine::Account, "Looking up host . . .");
        services.ShowStatus(StatusLine::Inbox, "-ERR <i>busy</i>");
        services.ShowStatus(StatusLine::Account, "Connected.");
    }));
    ASSERT_TRUE(
        DialogDriver::RunUntil([&] { return account.size() == 2 && !inbox.text().isEmpty(); }));
    EXPECT_EQ(account, (QStringList{"Looking up host . . .", "Connected."}));
    // A server's text is shown as it came, never as markup.
    EXPECT_EQ(inbox.text(), "-ERR <i>busy</i>");
    EXPECT_EQ(inbox.textFormat(), Qt::PlainText);
}

}  // namespace
}  // namespace tarvox
