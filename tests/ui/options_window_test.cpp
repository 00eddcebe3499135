// The options window's profile row, pages and Setup menu, and its hand-over
// of Connect and Poll, driven as a user would, offscreen.
#include "ui/options_window.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

#include <gtest/gtest.h>

#include <array>

#include "options_window_fixture.h"
#include "support/loopback.h"
#include "ui/account_page.h"
#include "ui/dialog_driver.h"
#include "ui/pop3_options_page.h"
#include "ui/send_settings_page.h"

namespace tarvox {
namespace {

// Fills the account for a connection that the closed port refuses at once.
void FillRefusedAccount(OptionsWindow& window) {
    Control(window.account_page(), "host")->setText("127.0.0.1");
    Control(window.account_page(), "user")->setText("alice");
    Control(window.account_page(), "pass")->setText("secret");
    Control(window.pop3_page(), "port")->setText(QString::number(ClosedPort()));
}

bool WorkerEnded(OptionsWindow& window) {
    return DialogDriver::RunUntil([&] { return !window.worker_running(); });
}

TEST(OptionsWindow, SetupMenuSelectsEachTabAndFocusGoesToNew) {
    OptionsWindowContext c;
    OptionsWindow window(c.context);
    const QList<QAction*> items = window.findChild<QMenuBar*>()->actions().at(1)->menu()->actions();
    ASSERT_EQ(items.size(), window.tabs()->count());
    for (int i = items.size() - 1; i >= 0; --i) {  // every item changes the tab
        Control(window.account_page(), "host")->setFocus();
        items[i]->trigger();
        EXPECT_EQ(window.tabs()->currentIndex(), i);
        EXPECT_EQ(window.focusWidget(), RowButton(window, "new")) << i;
    }
}

TEST(OptionsWindow, OpensOnTheCommandLineProfileElseTheLastElseTheFirst) {
    const struct {
        const char* last;
        const char* command_text;
        const char* selected;
    } cases[] = {
        {"HOME", "", "home"},
        {"gone", "", "work"},
        {"home", "SPARE", "spare"},
        {"home", "nosuch", "home"},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(std::string(test.last) + " / " + test.command_text);
        OptionsWindowContext c;
        for (const char* name : {"work", "home", "spare"}) {
            c.AddProfile(name, std::string("pop.") + name + ".example");
        }
        c.context.config.global.last = test.last;
        c.context.start.command_text = test.command_text;
        OptionsWindow window(c.context);
        EXPECT_EQ(window.profile_box()->currentText(), test.selected);
        EXPECT_EQ(Control(window.account_page(), "host")->text(),
                  QString("pop.%1.example").arg(test.selected));
    }
}

TEST(OptionsWindow, ChoosingAnEntryShowsThatProfile) {
    OptionsWindowContext c;
    c.AddProfile("work", "pop.work.example");
    c.AddProfile("home", "pop.home.example").port = 1110;
    OptionsWindow window(c.context);
    window.profile_box()->setCurrentIndex(1);
    emit window.profile_box()->activated(1);
    EXPECT_EQ(Control(window.account_page(), "host")->text(), "pop.home.example");
    EXPECT_EQ(Control(window.pop3_page(), "port")->text(), "1110");
}

TEST(OptionsWindow, NewShowsAResetRecordThatSaveAddsAndWrites) {
    OptionsWindowContext c;
    c.AddProfile("work").user = "worker";
    OptionsWindow window(c.context);
    RowButton(window, "new")->click();
    EXPECT_EQ(window.profile_box()->currentText(), "(Untitled)");
    EXPECT_EQ(Control(window.account_page(), "user")->text(), "");
    EXPECT_EQ(c.context.config.profiles.size(), 1u) << "nothing is added before Save";

    Control(window.account_page(), "host")->setText("pop.new.example");
    RowButton(window, "save")->click();
    EXPECT_EQ(window.profile_box()->count(), 2);
    const Configuration saved = c.Reload();
    ASSERT_EQ(saved.profiles.size(), 2u);
    EXPECT_EQ(saved.profiles.back().host, "pop.new.example");
    EXPECT_EQ(saved.global.last, "(Untitled)");

    // Without a name Save refuses with a box.
    window.profile_box()->setEditText("");
    DialogDriver driver;
    driver.Then(ClickButton("OK"));
    RowButton(window, "save")->click();
    EXPECT_EQ(driver.pending(), 0u);
    EXPECT_EQ(c.context.config.global.last, "(Untitled)");
}

TEST(OptionsWindow, DeleteRemovesTheShownProfileOnlyOnYes) {
    OptionsWindowContext c;
    c.AddProfile("work", "pop.work.example");
    c.AddProfile("home", "pop.home.example");
    c.context.config.global.last = "home";
    OptionsWindow window(c.context);
    DialogDriver driver;
    driver.Then(ClickButton("No"));
    driver.Then(ClickButton("Yes"));
    RowButton(window, "delete")->click();
    EXPECT_EQ(c.context.config.profiles.size(), 2u);
    RowButton(window, "delete")->click();
    EXPECT_EQ(driver.pending(), 0u);
    EXPECT_EQ(window.profile_box()->currentText(), "work");
    EXPECT_EQ(Control(window.account_page(), "host")->text(), "pop.work.example");
    ASSERT_EQ(c.Reload().profiles.size(), 1u);

    // With nothing selected Delete asks nothing.
    RowButton(window, "new")->click();
    driver.Then(ClickButton("Yes"));
    RowButton(window, "delete")->click();
    EXPECT_EQ(driver.pending(), 1u);
    EXPECT_EQ(c.context.config.profiles.size(), 1u);
}

TEST(OptionsWindow, PagesShowAndReadBackTheFieldsTheyEdit) {
    OptionsWindowContext c;
    OptionsWindow window(c.context);
    Profile shown;
    ResetProfile(shown);
    shown.name = "full";
    shown.host = "pop.example.org";
    shown.user = "alice";
    shown.port = 995;
    shown.protopop = TransportSecurity::StartTls;
    shown.mode = MailboxMode::Partial;
    shown.SMTPproto = TransportSecurity::SslDirect;
    shown.SMTPauth = 1;
    shown.SMTPuser = "alice@smtp";
    shown.blacklist = "casino";
    shown.filterbits = 0x55;
    shown.blackpat = "WC1TcGFtOiB5ZXM=,";
    Profile with_hidden = shown;
    with_hidden.pop_sslid = "AA:BB";
    window.profile_box()->setEditText("full");
    window.ProfileToDialog(with_hidden);
    Profile read;
    window.ProfileFromDialog(read);
    EXPECT_EQ(read, shown) << "the fields the pages do not show keep their defaults";
}

TEST(OptionsWindow, ChoosingAProtocolFillsInItsPort) {
    OptionsWindowContext c;
    OptionsWindow window(c.context);
    const std::array<const char*, 3> cases[] = {
        {"popSslDirect", "port", "995"},
        {"popSslStls", "port", "110"},
        {"smtpSslDirect", "SMTPport", "465"},
        {"smtpStarttls", "SMTPport", "25"},
    };
    for (const auto& [radio, port_box, port] : cases) {
        Control(&window, port_box)->setText("1234");
        Control<QRadioButton>(&window, radio)->click();
        EXPECT_EQ(Control(&window, port_box)->text(), port) << radio;
    }
}

TEST(OptionsWindow, PartialModeAndSmtpAuthEnableTheirBoxes) {
    OptionsWindowContext c;
    OptionsWindow window(c.context);
    QLineEdit* maximum = Control(window.pop3_page(), "maximum");
    for (const auto& [radio, enabled] :
         {std::pair{"modePartial", true}, std::pair{"modeFull", false}}) {
        Control<QRadioButton>(window.pop3_page(), radio)->click();
        EXPECT_EQ(maximum->isEnabled(), enabled) << radio;
    }
    QLineEdit* user = Control(window.send_page(), "SMTPuser");
    for (bool enabled : {true, false}) {
        Control<QCheckBox>(window.send_page(), "SMTPauth")->click();
        EXPECT_EQ(user->isEnabled(), enabled);
        EXPECT_EQ(Control(window.send_page(), "SMTPpass")->isEnabled(), enabled);
    }
}

TEST(OptionsWindow, ChooseFillsInTheSignatureFile) {
    OptionsWindowContext c;
    OptionsWindow window(c.context);
    QString answer = "/home/alice/sig.txt";
    window.send_page()->SetFilePicker([&](QWidget*, const FileOpenRequest&) { return answer; });
    for (const QString next : {"/home/alice/sig.txt", ""}) {  // then cancelled
        answer = next;
        Control<QPushButton>(window.send_page(), "chooseSignature")->click();
        EXPECT_EQ(Control(window.send_page(), "SMTPsigfile")->text(), "/home/alice/sig.txt");
    }
}

TEST(OptionsWindow, ARefusedConnectShowsItsBoxAndRunsNothing) {
    OptionsWindowContext c;
    OptionsWindow window(c.context);
    window.profile_box()->setEditText("checks");
    Control(window.pop3_page(), "port")->setText("0");
    DialogDriver driver;
    driver.Then(ClickButton("OK"));
    window.account_page()->connect_button()->click();
    EXPECT_EQ(driver.pending(), 0u);
    EXPECT_FALSE(window.worker_running());
    EXPECT_TRUE(c.context.config.profiles.empty()) << "a refused Connect saves nothing";
}

TEST(OptionsWindow, PollRunsWithTheButtonsDisabledAndSavesNothing) {
    OptionsWindowContext c;
    OptionsWindow window(c.context);
    window.profile_box()->setEditText("poller");
    FillRefusedAccount(window);
    AccountPage* account = window.account_page();
    EXPECT_FALSE(account->abort_button()->isEnabled());
    account->poll_button()->click();
    EXPECT_TRUE(window.worker_running());
    EXPECT_FALSE(account->connect_button()->isEnabled());
    EXPECT_FALSE(account->poll_button()->isEnabled());
    ASSERT_TRUE(WorkerEnded(window));
    EXPECT_TRUE(account->status_line()->text().startsWith("Error: "));
    EXPECT_TRUE(account->connect_button()->isEnabled());
    EXPECT_TRUE(account->poll_button()->isEnabled());
    EXPECT_FALSE(account->abort_button()->isEnabled());
    EXPECT_TRUE(c.context.config.profiles.empty()) << "Poll never autosaves";
}

TEST(OptionsWindow, ConnectAutosavesTheShownProfileWithoutAPromptedPassword) {
    OptionsWindowContext c;
    OptionsWindow window(c.context);
    window.profile_box()->setEditText("fresh");
    FillRefusedAccount(window);
    Control(window.account_page(), "pass")->setText("");
    DialogDriver driver;
    driver.Then(TypeAndClick("wonderland", "submit"));  // the password prompt
    window.account_page()->connect_button()->click();
    ASSERT_TRUE(WorkerEnded(window));
    EXPECT_EQ(driver.pending(), 0u);
    ASSERT_EQ(c.context.config.profiles.size(), 1u);
    EXPECT_EQ(c.context.config.profiles.front().name, "fresh");
    EXPECT_EQ(c.context.config.profiles.front().pass, "");
    EXPECT_EQ(window.profile_box()->count(), 1);
    EXPECT_EQ(c.context.config.global.last, "fresh");

    // Without autosave only `last` changes.
    Control<QCheckBox>(window.account_page(), "autosave")->setChecked(false);
    Control(window.account_page(), "pass")->setText("secret");
    window.profile_box()->setEditText("Other");
    window.account_page()->connect_button()->click();
    ASSERT_TRUE(WorkerEnded(window));
    EXPECT_EQ(c.context.config.profiles.size(), 1u);
    EXPECT_EQ(c.context.config.global.last, "Other");
}

TEST(OptionsWindow, StartedMinimizedOnlyTheFirstTime) {
    OptionsWindowContext c;
    c.context.start.minimized = true;
    {
        OptionsWindow window(c.context);
        window.show();
        ASSERT_TRUE(DialogDriver::RunUntil([&] { return window.isMinimized(); }));
    }
    OptionsWindow again(c.context);
    again.show();
    QApplication::processEvents();
    EXPECT_FALSE(again.isMinimized());
}

TEST(OptionsWindow, EnterPressesConnect) {
    OptionsWindowContext c;
    OptionsWindow window(c.context);
    for (QWidget* target : {static_cast<QWidget*>(Control(window.account_page(), "user")),
                            static_cast<QWidget*>(RowButton(window, "new"))}) {
        DialogDriver driver;
        driver.Then(ClickButton("OK"));  // Connect's first refusal
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        EXPECT_EQ(driver.pending(), 0u) << target->objectName().toStdString();
    }
}

}  // namespace
}  // namespace tarvox
