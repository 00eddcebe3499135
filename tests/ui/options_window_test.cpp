// The options window's profile row, pages, Setup menu, Connect and Poll.
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
#include <optional>

#include "config/profile_ports.h"
#include "options_window_fixture.h"
#include "support/loopback.h"
#include "ui/account_page.h"
#include "ui/dialog_driver.h"
#include "ui/qt_text.h"
#include "ui/send_settings_page.h"

namespace tarvox {
namespace {

class OptionsWindowTest : public ::testing::Test {
protected:
    OptionsWindow& Make() {
        window.emplace(c.context);
        account = window->account_page();
        return *window;
    }
    QLineEdit* Field(const char* name) { return Control(&*window, name); }
    // A button of the profile row, a direct child of the window unlike a page's of that name.
    QAbstractButton* Row(const char* name) {
        return window->findChild<QAbstractButton*>(name, Qt::FindDirectChildrenOnly);
    }

    OptionsWindowContext c;
    std::optional<OptionsWindow> window;
    AccountPage* account = nullptr;
    DialogDriver driver;
};

TEST_F(OptionsWindowTest, SetupMenuSelectsEachTabAndFocusGoesToNew) {
    Make();
    const QList<QAction*> items =
        window->findChild<QMenuBar*>()->actions().at(1)->menu()->actions();
    ASSERT_EQ(items.size(), window->tabs()->count());
    for (int i = items.size() - 1; i >= 0; --i) {  // every item changes the tab
        Field("host")->setFocus();
        items[i]->trigger();
        EXPECT_EQ(window->tabs()->currentIndex(), i);
        EXPECT_EQ(window->focusWidget(), Row("new")) << i;
    }
}

TEST_F(OptionsWindowTest, OpensOnTheCommandLineProfileAndShowsTheOneChosen) {
    for (const char* name : {"work", "home", "spare"}) {
        c.AddProfile(name, std::string("pop.") + name + ".example");
    }
    c.context.start.command_text = "home";
    Make();
    EXPECT_EQ(window->profile_box()->currentText(), "home");
    EXPECT_EQ(Field("host")->text(), "pop.home.example");
    window->profile_box()->setCurrentIndex(2);
    emit window->profile_box()->activated(2);
    EXPECT_EQ(Field("host")->text(), "pop.spare.example");
}

TEST_F(OptionsWindowTest, NewShowsAResetRecordThatSaveAddsAndWrites) {
    c.AddProfile("work").user = "worker";
    Make();
    Row("new")->click();
    EXPECT_EQ(window->profile_box()->currentText(), "(Untitled)");
    EXPECT_EQ(Field("user")->text(), "");
    EXPECT_EQ(c.context.config.profiles.size(), 1u) << "nothing is added before Save";
    Field("host")->setText("pop.new.example");
    Row("save")->click();
    EXPECT_EQ(window->profile_box()->count(), 2);
    const Configuration saved = c.Reload();
    ASSERT_EQ(saved.profiles.size(), 2u);
    EXPECT_EQ(saved.profiles.back().host, "pop.new.example");
    EXPECT_EQ(saved.global.last, "(Untitled)");
}

TEST_F(OptionsWindowTest, DeleteRemovesTheShownProfileOnlyOnYes) {
    c.AddProfile("work", "pop.work.example");
    c.AddProfile("home", "pop.home.example");
    c.context.config.global.last = "home";
    Make();
    driver.Then(ClickButton("No"));
    driver.Then(ClickButton("Yes"));
    Row("delete")->click();
    EXPECT_EQ(c.context.config.profiles.size(), 2u);
    Row("delete")->click();
    EXPECT_EQ(window->profile_box()->currentText(), "work");
    EXPECT_EQ(Field("host")->text(), "pop.work.example");
    ASSERT_EQ(c.Reload().profiles.size(), 1u);

    Row("new")->click();  // nothing selected: nothing asked
    driver.Then(ClickButton("Yes"));
    Row("delete")->click();
    EXPECT_EQ(driver.pending(), 1u);
    EXPECT_EQ(c.context.config.profiles.size(), 1u);
}

TEST_F(OptionsWindowTest, PagesShowAndReadBackTheFieldsTheyEdit) {
    Make();
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
    window->profile_box()->setEditText("full");
    window->ProfileToDialog(with_hidden);
    Profile read;
    window->ProfileFromDialog(read);
    EXPECT_EQ(read, shown) << "the fields the pages do not show keep their defaults";
}

TEST_F(OptionsWindowTest, ProtocolsFillInTheirPortAndSwitchesEnableTheirBoxes) {
    Make();
    for (const auto& [radio, port_box, port] :
         {std::array<const char*, 3>{"popSslDirect", "port", "995"},
          {"popSslStls", "port", "110"},
          {"smtpSslDirect", "SMTPport", "465"},
          {"smtpStarttls", "SMTPport", "25"}}) {
        Field(port_box)->setText("1234");
        Control<QRadioButton>(&*window, radio)->click();
        EXPECT_EQ(Field(port_box)->text(), port) << radio;
    }
    for (const auto& [radio, enabled] : {std::pair{"modePartial", true}, {"modeFull", false}}) {
        Control<QRadioButton>(&*window, radio)->click();
        EXPECT_EQ(Field("maximum")->isEnabled(), enabled) << radio;
    }
    for (bool enabled : {true, false}) {
        Control<QCheckBox>(&*window, "SMTPauth")->click();
        EXPECT_EQ(Field("SMTPuser")->isEnabled(), enabled);
        EXPECT_EQ(Field("SMTPpass")->isEnabled(), enabled);
    }
    QString answer;
    window->send_page()->SetFilePicker([&](QWidget*, const FileOpenRequest&) { return answer; });
    for (const QString next : {"/home/alice/sig.txt", ""}) {  // then cancelled
        answer = next;
        Control<QPushButton>(&*window, "chooseSignature")->click();
        EXPECT_EQ(Field("SMTPsigfile")->text(), "/home/alice/sig.txt");
    }
}

TEST_F(OptionsWindowTest, PollRunsWithTheButtonsDisabledAndSavesNothingWhereConnectAutosaves) {
    Make().profile_box()->setEditText("fresh");
    Field("host")->setText("127.0.0.1");  // a connection the closed port refuses at once
    Field("user")->setText("alice");
    Field("pass")->setText("secret");
    Field("port")->setText(QString::number(ClosedPort()));
    account->poll_button()->click();
    EXPECT_TRUE(window->worker_running());
    EXPECT_FALSE(account->poll_button()->isEnabled());
    ASSERT_TRUE(DialogDriver::WorkerEnded(*window));
    EXPECT_TRUE(account->status_line()->text().startsWith("Error: "));
    EXPECT_TRUE(account->poll_button()->isEnabled());
    EXPECT_TRUE(c.context.config.profiles.empty()) << "Poll never autosaves";
    account->connect_button()->click();
    ASSERT_TRUE(DialogDriver::WorkerEnded(*window));
    ASSERT_EQ(c.context.config.profiles.size(), 1u);
    EXPECT_EQ(c.context.config.profiles.front().name, "fresh");
    EXPECT_EQ(window->profile_box()->count(), 1);
    EXPECT_EQ(c.context.config.global.last, "fresh");
}

TEST_F(OptionsWindowTest, StartedMinimizedOnlyTheFirstTime) {
    c.context.start.minimized = true;
    Make().show();
    ASSERT_TRUE(DialogDriver::RunUntil([&] { return window->isMinimized(); }));
    Make().show();
    QApplication::processEvents();
    EXPECT_FALSE(window->isMinimized());
}

// Compose sends with the profile as the pages show it; a /TO start opens the
// composer on its address once the window is up.
TEST_F(OptionsWindowTest, ComposeOpensTheComposerWithTheShownProfile) {
    std::vector<std::string> recipients;  // To, then the server the composer would use
    c.context.compose = [&](ComposedMessage message, QWidget*) {
        recipients.push_back(message.to + " " + c.context.working.SMTPserver);
        return false;
    };
    c.context.start.to = true;
    c.context.start.to_link = "ann@example.org?subject=Hi";
    Make().show();
    ASSERT_TRUE(DialogDriver::RunUntil([&] { return !recipients.empty(); }));
    Field("SMTPserver")->setText("smtp.example.org");
    account->compose_button()->click();
    EXPECT_EQ(recipients, (std::vector<std::string>{"ann@example.org ", " smtp.example.org"}));
}

TEST_F(OptionsWindowTest, EnterPressesConnectWhoseRefusalRunsAndSavesNothing) {
    Make().profile_box()->setEditText("checks");
    for (QWidget* target :
         {static_cast<QWidget*>(Field("user")), static_cast<QWidget*>(Row("new"))}) {
        driver.Then(ClickButton("OK"));  // Connect's first refusal
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        EXPECT_EQ(driver.pending(), 0u) << target->objectName().toStdString();
    }
    EXPECT_FALSE(window->worker_running());
    EXPECT_TRUE(c.context.config.profiles.empty());
}

// Save refuses a port out of range with a box, puts the focus in its box on its tab, and
// stores nothing.
TEST_F(OptionsWindowTest, SaveRefusesABadPortAndFocusesItsBox) {
    Make().profile_box()->setEditText("ports");
    Field("SMTPport")->setText("70000");
    SeenBox box;
    driver.Then(RecordBoxAndClick(&box, "OK"));
    Row("save")->click();
    EXPECT_EQ(box.text, ToQString(kPortRangeText));
    EXPECT_EQ(window->tabs()->currentWidget(), window->send_page());
    EXPECT_EQ(window->focusWidget(), Field("SMTPport"));
    EXPECT_TRUE(c.context.config.profiles.empty());
}

}  // namespace
}  // namespace tarvox
