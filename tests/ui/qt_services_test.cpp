// The Qt services called from a worker thread, answered on the GUI thread.
#include "ui/qt_services.h"

#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include "net/certificate_check.h"
#include "ui/dialog_driver.h"

namespace tarvox {
namespace {

TEST(QtServices, MessageBoxesFromAWorker) {
    const struct {
        BoxButtons buttons;
        BoxIcon icon;
        QString click;
        BoxAnswer answer;
        QStringList buttons_seen;  // the default one first
        int icon_seen;
    } cases[] = {
        {BoxButtons::Ok, BoxIcon::Error, "OK", BoxAnswer::Ok, {"OK"}, QMessageBox::Critical},
        {BoxButtons::YesNo, BoxIcon::Question, "No", BoxAnswer::No, {"Yes", "No"},
         QMessageBox::Question},
        {BoxButtons::YesNoDefaultNo, BoxIcon::Warning, "Yes", BoxAnswer::Yes, {"No", "Yes"},
         QMessageBox::Warning},
    };
    QtServices services;
    for (const auto& c : cases) {
        DialogDriver driver;
        SeenBox seen;
        driver.Then(RecordBoxAndClick(&seen, c.click));
        BoxAnswer answer = BoxAnswer::Ok;
        ASSERT_TRUE(DialogDriver::RunWorker([&] {
            answer = services.ShowMessage("Café <b>closed</b>", "Tarvox", c.icon, c.buttons);
        }));
        EXPECT_EQ(answer, c.answer);
        EXPECT_EQ(seen.title, "Tarvox");
        EXPECT_EQ(seen.text, QString::fromUtf8("Café <b>closed</b>"));
        EXPECT_TRUE(seen.plain_text);
        EXPECT_EQ(seen.icon, c.icon_seen);
        EXPECT_EQ(seen.buttons.size(), c.buttons_seen.size());
        if (c.buttons != BoxButtons::Ok) {
            EXPECT_EQ(seen.default_button, c.buttons_seen[0]);
        }
    }
}

TEST(QtServices, TextPromptRefusesEmptyCutsToCapacityAndTakesItsSwitches) {
    QtServices services;
    DialogDriver driver;
    driver.Then(ClickButton("submit"));  // empty: refused
    driver.Then(ClickButton("OK"));      // the refusal box
    driver.Then(TypeAndClick(QString::fromUtf8("héllo wörld"), "submit"));
    driver.Then(ClickButton("cancel"));
    TextPromptRequest request;
    request.capacity = 8;
    TextPromptResult result;
    ASSERT_TRUE(DialogDriver::RunWorker([&] { result = services.TextPrompt(request); }));
    EXPECT_TRUE(result.submitted);
    EXPECT_EQ(result.text, "héllo w") << "capacity - 1 characters";
    ASSERT_TRUE(DialogDriver::RunWorker([&] { result = services.TextPrompt(request); }));
    EXPECT_FALSE(result.submitted);

    QLineEdit::EchoMode echo = QLineEdit::Normal;
    QString initial, after_letter;
    driver.Then([&](QWidget* dialog) {
        auto* input = dialog->findChild<QLineEdit*>("input");
        echo = input->echoMode();
        initial = input->text();
        input->insert("a");  // the validator refuses the letter
        after_letter = input->text();
        input->setText("12");
        dialog->findChild<QWidget*>("dontAskAgain")->setProperty("checked", true);
        ClickButton("submit")(dialog);
    });
    request.password_mode = true;
    request.numbers_only = true;
    request.prefill = true;
    request.dont_ask_again_box = true;
    request.initial_text = "20";
    ASSERT_TRUE(DialogDriver::RunWorker([&] { result = services.TextPrompt(request); }));
    EXPECT_EQ(echo, QLineEdit::Password);
    EXPECT_EQ(initial, "20");
    EXPECT_EQ(after_letter, "20");
    EXPECT_EQ(result.text, "12");
    EXPECT_TRUE(result.dont_ask_again);
}

TEST(QtServices, CertificateDialogMarksTheCausesAndDecides) {
    CertificateDetails details;
    details.fingerprint = "AB:CD";
    const std::string recorded = "00:11";
    const CertificateView view = BuildCertificateView(details, "pop.example.org", &recorded, true);
    QtServices services;
    for (const auto& [button, decision] : {std::pair{"accept", CertificateDecision::Accept},
                                           {"deny", CertificateDecision::Deny}}) {
        DialogDriver driver;
        QStringList marked;
        driver.Then([&, button = button](QWidget* dialog) {
            EXPECT_FALSE(dialog->findChild<QPushButton*>("cancel")->isEnabled());
            for (QWidget* field : dialog->findChildren<QWidget*>()) {
                if (field->property("marked").toBool()) {
                    marked << field->objectName();
                }
            }
            ClickButton(button)(dialog);
        });
        CertificateDecision got = CertificateDecision::Cancel;
        ASSERT_TRUE(DialogDriver::RunWorker([&] { got = services.ShowCertificate(view); }));
        EXPECT_EQ(got, decision);
        marked.sort();
        EXPECT_EQ(marked,
                  (QStringList{"fingerprint", "networkHostName", "trustEvaluation", "warnings"}));
    }
}

TEST(QtServices, EnterAcceptsOnlyARenewalAndAFailedChainShowsInRed) {
    const std::string recorded = "00:11";
    QtServices services;
    for (const bool renewal : {true, false}) {
        CertificateDetails details;
        details.fingerprint = "AB:CD";
        details.chain_valid = renewal;
        details.chain_problem = renewal ? "" : "self-signed certificate";
        const CertificateView view =
            BuildCertificateView(details, "pop.example.org", renewal ? &recorded : nullptr, true);
        DialogDriver driver;
        bool red = false;
        driver.Then([&](QWidget* dialog) {
            red = dialog->findChild<QLineEdit*>("chain")->property("failed").toBool();
            QTest::keyClick(dialog, Qt::Key_Return);
        });
        CertificateDecision got = CertificateDecision::Cancel;
        ASSERT_TRUE(DialogDriver::RunWorker([&] { got = services.ShowCertificate(view); }));
        EXPECT_EQ(got, renewal ? CertificateDecision::Accept : CertificateDecision::Deny);
        EXPECT_EQ(red, !renewal);
    }
}

TEST(QtServices, TextOutputWindowShowsTheWholeText) {
    QtServices services;
    DialogDriver driver;
    QString shown;
    driver.Then([&](QWidget* dialog) {
        shown = dialog->findChild<QPlainTextEdit*>("output")->toPlainText();
        ClickButton("OK")(dialog);
    });
    ASSERT_TRUE(DialogDriver::RunWorker([&] {
        services.ShowTextOutput("GPG stderr output", "gpg: line one\r\ngpg: léne two\r\n");
    }));
    EXPECT_EQ(shown, QString::fromUtf8("gpg: line one\ngpg: léne two\n"));
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
    EXPECT_EQ(inbox.text(), "-ERR <i>busy</i>");
    EXPECT_EQ(inbox.textFormat(), Qt::PlainText) << "a server's text is never markup";
}

}  // namespace
}  // namespace tarvox
