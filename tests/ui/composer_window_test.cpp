// The composer offscreen: what its controls start with, sending through a real
// SMTP server into Dovecot, a refused send, and Cancel and Abort.
#include "ui/composer_window.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include "compose/piped_process.h"
#include "config/file_io.h"
#include "options_window_fixture.h"
#include "support/dovecot_server.h"
#include "support/scripted_server.h"
#include "support/smtp_server.h"
#include "ui/address_book_manager.h"
#include "ui/composer_attachments_page.h"
#include "ui/composer_message_page.h"
#include "ui/composer_smtp_page.h"
#include "ui/dialog_driver.h"
#include "ui/qt_text.h"

namespace tarvox {
namespace {

using namespace script;

class ComposerWindowTest : public ::testing::Test {
protected:
    ComposerWindowTest() {
        profile.name = "Alice";
        profile.SMTPserver = "127.0.0.1";
        profile.SMTPname = "Alice Liddell";
        profile.SMTPaddress = "alice@example.org";
        profile.SMTPautobcc = "archive@example.org";
        c.context.config.global.fqdn = "desk.example.org";
    }

    std::unique_ptr<ComposerWindow> Open(const ComposedMessage& start = {}) {
        auto window = std::make_unique<ComposerWindow>(c.context, start, profile);
        window->SetOpenPicker(
            [this](QWidget*, const FileOpenRequest&) { return ToQString(picked.front()); });
        window->SetIdleLimit(std::chrono::seconds(30));
        window->show();
        return window;
    }
    static void PressSend(ComposerWindow& window) { window.send_button()->click(); }

    OptionsWindowContext c;
    Profile profile;
    std::vector<std::string> picked;
    DialogDriver driver;
};

TEST_F(ComposerWindowTest, SendsWhatThePagesHoldAndCloses) {
    SmtpTestServer& smtp = SharedSmtp();
    DovecotServer& dovecot = SharedDovecot();
    ASSERT_TRUE(dovecot.ResetMailbox(0) && smtp.ClearDelivered()) << smtp.error();
    profile.SMTPport = smtp.plain_port();
    WriteWholeFile(c.dir / "notes.txt", "line one\nline two\n");
    WriteWholeFile(c.dir / "data.bin", std::string("\0\x01\xff\r\n", 5));

    c.context.address_books.books = {{"Friends", {{"Bob Builder", "bob@example.org"}}}};
    ComposedMessage start;
    start.body_lines = {"Grüße aus München.\r\n", "Bis bald."};
    auto window = Open(start);
    ComposerMessagePage* page = window->message_page();
    QTest::keyClicks(page->to(), QStringLiteral("buil"));  // completed from the address book
    ASSERT_TRUE(DialogDriver::RunUntil([&] { return page->to()->text() == "bob@example.org"; }));
    EXPECT_EQ(page->bcc()->text(), "archive@example.org") << "the automatic BCC";
    EXPECT_EQ(window->smtp_page()->from()->text(), "\"Alice Liddell\" <alice@example.org>");
    page->subject()->insert(QStringLiteral("Café — 日本"));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Café — 日本"));
    for (const char* name : {"notes.txt", "data.bin"}) {
        picked = {(c.dir / name).string()};
        window->attachments_page()->add_button()->click();
    }
    EXPECT_EQ(page->attachment_summary()->text(), "Attached: 2 file(s), 0.0 KB");

    SeenBox seen;
    driver.Then(RecordBoxAndClick(&seen, "OK"));
    PressSend(*window);
    ASSERT_TRUE(DialogDriver::RunUntil([&] { return !window->isVisible(); }));
    EXPECT_TRUE(window->sent());
    EXPECT_EQ(seen.text, "E-mail sent successfully!");

    const std::vector<SmtpEnvelope> envelopes = smtp.Envelopes();
    ASSERT_EQ(envelopes.size(), 1u);
    EXPECT_EQ(c.context.address_books.recently_used,
              (std::vector<std::string>{"bob@example.org", "archive@example.org"}));
    EXPECT_EQ(envelopes[0].rcpt_tos,
              (std::vector<std::string>{"bob@example.org", "archive@example.org"}));
    const std::optional<PipedResult> parsed =
        RunPiped({"/usr/bin/python3", TARVOX_SOURCE_DIR "/tests/compose/parse_delivered.py",
                  (dovecot.maildir("alice") / "new" / envelopes[0].file).string(), c.dir.path()},
                 "");
    ASSERT_TRUE(parsed);
    for (const char* fragment :
         {"\"subject\": \"Caf\\u00e9 \\u2014 \\u65e5\\u672c\"", "\"has_bcc\": false",
          "\"body\": \"Gr\\u00fc\\u00dfe aus M\\u00fcnchen.\\nBis bald.\\n\"",
          "{\"name\": \"notes.txt\", \"same\": true}",
          "{\"name\": \"data.bin\", \"same\": true}"}) {
        EXPECT_NE(parsed->standard_output.find(fragment), std::string::npos)
            << fragment << "\n"
            << parsed->standard_output;
    }
}

// A failed check leaves the window as it was; Abort ends a send that hangs and
// leaves the message ready to send again; Cancel then closes it unsent.
TEST_F(ComposerWindowTest, RefusedAbortedAndCancelled) {
    // Abort may come before or after the client's EHLO.
    ScriptedServer server({ClientMayClose(Send("220 mail.example.org ESMTP\r\n")),
                           ClientMayClose(Expect("EHLO desk.example.org\r\n")), ExpectClosed()});
    profile.SMTPport = server.port();
    profile.copyself_dir = (c.dir / "sent").string();
    std::filesystem::create_directory(profile.copyself_dir);
    auto window = Open();
    window->message_page()->subject()->setText("Hello");

    SeenBox refused;
    driver.Then(RecordBoxAndClick(&refused, "OK"));
    PressSend(*window);
    EXPECT_EQ(refused.text, "Please identify the recipient(s) by filling in the To: field");
    EXPECT_FALSE(window->sending());

    // The copy to self is written before the send and kept when it fails.
    window->message_page()->copy_self()->click();
    EXPECT_EQ(c.context.config.global.copyself, 1);
    window->message_page()->to()->setText("bob@example.org");
    PressSend(*window);
    ASSERT_TRUE(window->sending());
    EXPECT_FALSE(window->send_button()->isEnabled());
    SeenBox question;
    driver.Then(RecordBoxAndClick(&question, "Yes"));
    window->cancel_button()->click();
    EXPECT_EQ(question.text,
              "Tarvox is currently busy sending mail. Do you want to abort the send?");
    ASSERT_TRUE(DialogDriver::RunUntil([&] { return !window->sending(); }));
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->send_button()->isEnabled());
    EXPECT_SCRIPT_DONE(server);
    std::vector<std::string> copies;
    for (const auto& entry : std::filesystem::directory_iterator(c.dir / "sent")) {
        copies.push_back(ReadFileBytes(entry.path().string()).value_or(""));
    }
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_NE(copies[0].find("To:     \tbob@example.org\r\n"), std::string::npos) << copies[0];

    driver.Then(ClickButton("Yes"));
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &escape);
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(window->sent());
}

// "Add&ress" opens the address book manager for the address field that last had the focus.
TEST_F(ComposerWindowTest, AddressButtonPastesIntoTheFieldLastFocused) {
    c.context.address_books.books = {{"Work", {{"Ann", "ann@x"}}}};
    auto window = Open();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    window->message_page()->cc()->setFocus();
    ASSERT_TRUE(DialogDriver::RunUntil([&] { return window->message_page()->cc()->hasFocus(); }));
    window->message_page()->address_button()->click();
    auto* manager = window->findChild<AddressBookManager*>();
    ASSERT_NE(manager, nullptr);
    driver.Then([](QWidget* dialog) {
        QTest::keyClick(Control<QTreeWidget>(dialog, "entries"), Qt::Key_Space);
        Control<QPushButton>(dialog, "paste")->click();
    });
    Control<QPushButton>(manager, "use")->click();
    EXPECT_EQ(window->message_page()->cc()->text(), "ann@x");
    EXPECT_EQ(window->message_page()->to()->text(), "");
}

}  // namespace
}  // namespace tarvox
