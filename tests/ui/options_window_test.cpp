// The options window's profile row, pages, menus and the checks before
// Connect, driven as a user would, offscreen.
#include "ui/options_window.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "codec/base64.h"
#include "options_window_fixture.h"
#include "ui/account_page.h"
#include "ui/dialog_driver.h"
#include "ui/pop3_options_page.h"
#include "ui/send_settings_page.h"

namespace tarvox {
namespace {

// A loopback port nobody listens on: a connection there is refused at once.
std::uint16_t ClosedPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return ntohs(address.sin_port);
}

QStringList ActionTexts(const QList<QAction*>& actions) {
    QStringList texts;
    for (QAction* action : actions) {
        if (!action->isSeparator()) {
            texts << action->text();
        }
    }
    return texts;
}

QAction* MenuItem(OptionsWindow& window, const QString& menu, const QString& item) {
    for (QAction* top : window.findChild<QMenuBar*>()->actions()) {
        if (top->text() != menu) {
            continue;
        }
        for (QAction* action : top->menu()->actions()) {
            if (action->text() == item) {
                return action;
            }
        }
    }
    ADD_FAILURE() << "no menu item " << item.toStdString();
    return nullptr;
}

TEST(OptionsWindow, TitleTabsMenusAndAccountTab) {
    OptionsWindowContext c;
    OptionsWindow window(c.context);
    EXPECT_EQ(window.windowTitle(), "Tarvox Plus 3.3 beta3a");

    QStringList tabs;
    for (int i = 0; i < window.tabs()->count(); ++i) {
        tabs << window.tabs()->tabText(i);
    }
    EXPECT_EQ(tabs, (QStringList{"Account", "POP3 options", "Send settings", "Filters",
                                 "Pattern filters", "Global"}));

    QStringList menus;
    std::vector<QStringList> items;
    for (QAction* top : window.findChild<QMenuBar*>()->actions()) {
        menus << top->text();
        items.push_back(ActionTexts(top->menu()->actions()));
    }
    EXPECT_EQ(menus, (QStringList{"&File", "Se&tup", "&Help"}));
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0],
              (QStringList{"Compose &Mail", "&Profile Manager...", "Addr&ess books...", "E&xit"}));
    EXPECT_EQ(items[1], (QStringList{"&Account tab", "P&OP3 options tab", "&Send settings tab",
                                     "&Filters tab", "&Pattern filters tab", "&Global tab"}));
    EXPECT_EQ(items[2], (QStringList{"&Quick start guide", "&Setup", "&Contents", "&About"}));

    EXPECT_EQ(RowButton(window, "save")->text(), "&Save");
    EXPECT_EQ(RowButton(window, "delete")->text(), "&Delete");
    EXPECT_EQ(RowButton(window, "new")->text(), "&New");
    EXPECT_EQ(RowButton(window, "exit")->text(), "E&xit");
    EXPECT_TRUE(window.profile_box()->isEditable());

    AccountPage* account = window.account_page();
    QStringList labels;
    for (QLabel* label : account->findChildren<QLabel*>()) {
        labels << label->text();
    }
    for (const char* text : {"POP3 host:", "User name:", "Password:"}) {
        EXPECT_TRUE(labels.contains(text)) << text;
    }
    EXPECT_EQ(account->status_line()->text(), "Ready to connect to mailbox.");
    EXPECT_EQ(Control(account, "pass")->echoMode(), QLineEdit::Password);
    EXPECT_EQ(account->compose_button()->text(), "Co&mpose");
    EXPECT_EQ(account->connect_button()->text(), "&Connect");
    EXPECT_EQ(account->poll_button()->text(), "&Poll");
    EXPECT_EQ(account->poll_all_button()->text(), "P&oll all");
    EXPECT_EQ(account->abort_button()->text(), "&Abort");
    EXPECT_EQ(Control<QCheckBox>(account, "autosave")->text(), "A&utosave profile on Connect");
    EXPECT_EQ(Control<QCheckBox>(account, "entermod")->text(),
              "&Enter only if mailbox was modified");
    EXPECT_TRUE(account->connect_button()->isEnabled());
    EXPECT_TRUE(account->poll_button()->isEnabled());
    EXPECT_FALSE(account->abort_button()->isEnabled()) << "nothing to abort yet";
}

TEST(OptionsWindow, SetupMenuSelectsTabsAndFocusGoesToNew) {
    OptionsWindowContext c;
    OptionsWindow window(c.context);
    const QString items[] = {"&Account tab", "P&OP3 options tab",    "&Send settings tab",
                             "&Filters tab", "&Pattern filters tab", "&Global tab"};
    // From the last tab backwards, so that every item changes the tab.
    for (int i = 5; i >= 0; --i) {
        window.account_page()->findChild<QLineEdit*>("host")->setFocus();
        MenuItem(window, "Se&tup", items[i])->trigger();
        EXPECT_EQ(window.tabs()->currentIndex(), i);
        EXPECT_EQ(window.focusWidget(), RowButton(window, "new")) << i;
    }
}

TEST(OptionsWindow, HelpItemsOpenTheirAnchors) {
    OptionsWindowContext c;
    QStringList anchors;
    c.context.show_help = [&](const QString& anchor) { anchors << anchor; };
    OptionsWindow window(c.context);
    MenuItem(window, "&Help", "&Quick start guide")->trigger();
    MenuItem(window, "&Help", "&Setup")->trigger();
    MenuItem(window, "&Help", "&Contents")->trigger();
    EXPECT_EQ(anchors, (QStringList{"#quick", "#setup", "#contents"}));
}

TEST(OptionsWindow, OpeningSelectsTheCommandLineProfileElseLastElseTheFirst) {
    struct Case {
        const char* last;
        const char* command_text;
        const char* selected;  // empty: nothing selected
    };
    const Case cases[] = {
        {"HOME", "", "home"},            // `last`, letter case ignored
        {"gone", "", "work"},            // `last` not in the list: the first
        {"", "", "work"},                //
        {"home", "SPARE", "spare"},      // the command line wins
        {"home", "nosuch", "home"},      // a command line that names no profile
        {"home", "/MIN spare", "home"},  // only the whole text counts
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(std::string(test.last) + " / " + test.command_text);
        OptionsWindowContext c;
        c.AddProfile("work", "pop.work.example");
        c.AddProfile("home", "pop.home.example");
        c.AddProfile("spare", "pop.spare.example");
        c.context.config.global.last = test.last;
        c.context.start.command_text = test.command_text;
        OptionsWindow window(c.context);
        EXPECT_EQ(window.profile_box()->count(), 3);
        EXPECT_EQ(window.profile_box()->currentText(), test.selected);
        EXPECT_EQ(Control(window.account_page(), "host")->text(),
                  QString("pop.%1.example").arg(test.selected));
    }
}

TEST(OptionsWindow, OpeningWithNoProfilesShowsAResetRecord) {
    OptionsWindowContext c;
    OptionsWindow window(c.context);
    EXPECT_EQ(window.profile_box()->count(), 0);
    EXPECT_EQ(window.profile_box()->currentText(), "");
    Profile shown;
    window.ProfileFromDialog(shown);
    Profile reset;
    ResetProfile(reset);
    EXPECT_EQ(shown, reset);
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

TEST(OptionsWindow, NewThenSaveCreatesUntitledAndWritesTheFile) {
    OptionsWindowContext c;
    c.AddProfile("work").user = "worker";
    OptionsWindow window(c.context);
    EXPECT_EQ(Control(window.account_page(), "user")->text(), "worker");

    RowButton(window, "new")->click();
    EXPECT_EQ(window.profile_box()->currentIndex(), -1);
    EXPECT_EQ(window.profile_box()->currentText(), "(Untitled)");
    EXPECT_EQ(Control(window.account_page(), "user")->text(), "") << "a reset record is shown";
    EXPECT_EQ(Control(window.pop3_page(), "port")->text(), "110");
    EXPECT_EQ(c.context.config.profiles.size(), 1u) << "nothing is added before Save";
    EXPECT_FALSE(std::filesystem::exists(c.context.paths.settings_file));

    Control(window.account_page(), "host")->setText("pop.new.example");
    RowButton(window, "save")->click();
    ASSERT_EQ(c.context.config.profiles.size(), 2u);
    EXPECT_EQ(c.context.config.profiles.back().name, "(Untitled)");
    EXPECT_EQ(c.context.config.global.last, "(Untitled)");
    EXPECT_EQ(window.profile_box()->count(), 2) << "the combo box is refilled";
    EXPECT_EQ(window.profile_box()->currentText(), "(Untitled)");

    Configuration saved = c.Reload();
    ASSERT_EQ(saved.profiles.size(), 2u);
    EXPECT_EQ(saved.profiles.back().name, "(Untitled)");
    EXPECT_EQ(saved.profiles.back().host, "pop.new.example");
    EXPECT_EQ(saved.global.last, "(Untitled)");
}

TEST(OptionsWindow, SaveWithoutANameIsRefused) {
    OptionsWindowContext c;
    c.AddProfile("work");
    OptionsWindow window(c.context);
    window.profile_box()->setEditText("");
    DialogDriver driver;
    SeenBox box;
    driver.Then(RecordBoxAndClick(&box, "OK"));
    RowButton(window, "save")->click();
    EXPECT_EQ(driver.pending(), 0u);
    EXPECT_EQ(box.text, "Enter a name for the profile (left of Save), then click Save");
    EXPECT_EQ(box.title, "Profile not named");
    EXPECT_EQ(box.icon, QMessageBox::Critical);
    EXPECT_EQ(c.context.config.profiles.size(), 1u);
    EXPECT_EQ(c.context.config.global.last, "");
    EXPECT_FALSE(std::filesystem::exists(c.context.paths.settings_file));
}

TEST(OptionsWindow, SaveUnderANameInOtherCaseUpdatesThatProfileAndKeepsWhatThePagesDoNotEdit) {
    OptionsWindowContext c;
    Profile& work = c.AddProfile("Work", "pop.old.example");
    work.pop_sslid = "AA:BB";
    work.SMTPsslid = "CC:DD";
    work.msgid = "0123456789ab";
    work.ispnetworks = "10.0.0.0/8";
    work.savemail_dir = "/home/me/mail";
    work.savemail_fmt = 1;
    work.copyself_ext = ".txt";
    work.maildrop = {5, 1000};
    c.AddProfile("home");
    const Profile before = work;
    OptionsWindow window(c.context);

    window.profile_box()->setEditText("WORK");
    Control(window.account_page(), "host")->setText("pop.new.example");
    Control(window.send_page(), "SMTPname")->setText("Me");
    RowButton(window, "save")->click();

    ASSERT_EQ(c.context.config.profiles.size(), 2u);
    const Profile& saved = c.context.config.profiles.front();
    EXPECT_EQ(saved.name, "Work") << "the stored name keeps its own case";
    EXPECT_EQ(saved.host, "pop.new.example");
    EXPECT_EQ(saved.SMTPname, "Me");
    Profile expected = before;
    expected.host = "pop.new.example";
    expected.SMTPname = "Me";
    EXPECT_EQ(saved, expected);
    EXPECT_EQ(c.context.config.global.last, "WORK");
    Configuration reloaded = c.Reload();
    ASSERT_EQ(reloaded.profiles.size(), 2u);
    EXPECT_EQ(reloaded.profiles.front(), expected);
}

TEST(OptionsWindow, DeleteAsksAndRemovesOnlyOnYes) {
    OptionsWindowContext c;
    c.AddProfile("work", "pop.work.example");
    c.AddProfile("home", "pop.home.example");
    c.context.config.global.last = "home";
    OptionsWindow window(c.context);
    ASSERT_EQ(window.profile_box()->currentText(), "home");

    DialogDriver driver;
    SeenBox box;
    driver.Then(RecordBoxAndClick(&box, "No"));
    RowButton(window, "delete")->click();
    EXPECT_EQ(box.text,
              "Are you sure you want to delete this profile?\nAll associated settings and "
              "message flags will be lost.");
    EXPECT_EQ(box.title, "home");
    EXPECT_EQ(box.icon, QMessageBox::Warning);
    EXPECT_EQ(box.buttons, (QStringList{"Yes", "No"}));
    EXPECT_EQ(c.context.config.profiles.size(), 2u);
    EXPECT_FALSE(std::filesystem::exists(c.context.paths.settings_file));

    driver.Then(ClickButton("Yes"));
    RowButton(window, "delete")->click();
    EXPECT_EQ(driver.pending(), 0u);
    ASSERT_EQ(c.context.config.profiles.size(), 1u);
    EXPECT_EQ(c.context.config.profiles.front().name, "work");
    EXPECT_EQ(window.profile_box()->count(), 1);
    EXPECT_EQ(window.profile_box()->currentText(), "work");
    EXPECT_EQ(Control(window.account_page(), "host")->text(), "pop.work.example");
    Configuration saved = c.Reload();
    ASSERT_EQ(saved.profiles.size(), 1u);
    EXPECT_EQ(saved.profiles.front().name, "work");
}

TEST(OptionsWindow, DeleteWithNoSelectionDoesNothing) {
    OptionsWindowContext c;
    c.AddProfile("work");
    OptionsWindow window(c.context);
    RowButton(window, "new")->click();
    DialogDriver driver;
    SeenBox unexpected;
    driver.Then(RecordBoxAndClick(&unexpected, "No"));
    RowButton(window, "delete")->click();
    EXPECT_EQ(driver.pending(), 1u) << unexpected.text.toStdString();
    EXPECT_EQ(c.context.config.profiles.size(), 1u);
}

// A profile with a value of its own in every field the profile pages edit,
// none of them a default.
Profile EveryPageField() {
    Profile p;
    p.name = "full";
    p.host = "pop.example.org";
    p.user = "alice";
    p.pass =
        "s\xe9"
        "cret";
    p.autosave = 0;
    p.entermod = 1;
    p.protopop = 2;
    p.port = 1995;
    p.mode = 1;
    p.maximum = 250;
    p.use_status = 1;
    p.alive = 0;
    p.nop_int = 45;
    p.parse = 0;
    p.autosort = 0;
    p.apop = 1;
    p.inpoll = 0;
    p.SMTPname = "Alice Liddell";
    p.SMTPaddress = "alice@example.org";
    p.SMTPproto = 1;
    p.SMTPport = 2465;
    p.SMTPserver = "smtp.example.org";
    p.SMTPauth = 1;
    p.SMTPpopbefore = 1;
    p.SMTPuser = "alice@smtp";
    p.SMTPpass = "rabbit";
    p.SMTPreplyto = "replies@example.org";
    p.SMTPautobcc = "archive@example.org";
    p.SMTPsigfile = "/home/alice/.signature";
    p.antispam = "friend,Caf\xe9";
    p.blacklist = "casino,lottery";
    p.filterbits = 0x55;
    p.whitepat = EncodeBase64("Subject: *hello*") + ",";
    p.blackpat = EncodeBase64("X-Spam: yes") + "," + EncodeBase64("From: *@spam.example") + ",";
    return p;
}

TEST(OptionsWindow, PagesShowAndReadBackEveryFieldTheyEdit) {
    OptionsWindowContext c;
    OptionsWindow window(c.context);
    const Profile shown = EveryPageField();
    Profile with_hidden = shown;
    with_hidden.pop_sslid = "AA:BB";
    with_hidden.msgid = "0123456789ab";
    with_hidden.savemail_fmt = 7;
    with_hidden.maildrop = {3, 300};
    window.profile_box()->setEditText("full");
    window.ProfileToDialog(with_hidden);

    Profile read;
    read.host = "left over";
    window.ProfileFromDialog(read);
    EXPECT_EQ(read, shown) << "the fields the pages do not show keep their defaults";

    // The other settings of each radio group read back too.
    for (int value : {0, 1, 2}) {
        Profile p = shown;
        p.protopop = value;
        p.mode = value;
        p.SMTPproto = value;
        window.ProfileToDialog(p);
        window.ProfileFromDialog(read);
        EXPECT_EQ(read.protopop, value);
        EXPECT_EQ(read.mode, value);
        EXPECT_EQ(read.SMTPproto, value);
    }
}

TEST(OptionsWindow, TextFilledToTheLimitOfEveryBoxReadsBackAfterSave) {
    OptionsWindowContext c;
    OptionsWindow window(c.context);
    for (QLineEdit* box : window.findChildren<QLineEdit*>()) {
        if (box->validator() == nullptr) {
            box->setText(QString(600, QLatin1Char('x')));
        }
    }
    RowButton(window, "save")->click();
    Profile typed;
    window.ProfileFromDialog(typed);
    const Configuration saved = c.Reload();
    ASSERT_EQ(saved.profiles.size(), 1u);
    EXPECT_EQ(saved.profiles.front(), typed);
}

TEST(OptionsWindow, NumberBoxesReadAsUnsignedNumbers) {
    OptionsWindowContext c;
    OptionsWindow window(c.context);
    struct Case {
        const char* typed;
        int port;
    };
    const Case cases[] = {
        {"995", 995},      {"", 0},          {"0", 0}, {"70000", 70000}, {"2147483647", 2147483647},
        {"4294967296", 0}, {"9999999999", 0}};
    for (const Case& test : cases) {
        Control(window.pop3_page(), "port")->setText(test.typed);
        Profile read;
        window.ProfileFromDialog(read);
        EXPECT_EQ(read.port, test.port) << test.typed;
    }
}

TEST(OptionsWindow, ChoosingAProtocolFillsInItsPort) {
    struct Case {
        const char* page;  // "pop3" or "send"
        const char* radio;
        const char* port_box;
        const char* port;
    };
    const Case cases[] = {
        {"pop3", "popSslDirect", "port", "995"},      {"pop3", "popCleartext", "port", "110"},
        {"pop3", "popSslDirect", "port", "995"},      {"pop3", "popSslStls", "port", "110"},
        {"send", "smtpSslDirect", "SMTPport", "465"}, {"send", "smtpCleartext", "SMTPport", "25"},
        {"send", "smtpSslDirect", "SMTPport", "465"}, {"send", "smtpStarttls", "SMTPport", "25"},
    };
    OptionsWindowContext c;
    OptionsWindow window(c.context);
    for (const Case& test : cases) {
        QWidget* page = std::string(test.page) == "pop3" ? static_cast<QWidget*>(window.pop3_page())
                                                         : window.send_page();
        QLineEdit* port = Control(page, test.port_box);
        port->setText("1234");  // typed before: overwritten
        Control<QRadioButton>(page, test.radio)->click();
        EXPECT_EQ(port->text(), test.port) << test.radio;
    }
    // Showing a profile sets the radio buttons without touching its port.
    Profile p;
    p.protopop = 1;
    p.port = 4242;
    p.SMTPproto = 1;
    p.SMTPport = 4343;
    window.ProfileToDialog(p);
    EXPECT_EQ(Control(window.pop3_page(), "port")->text(), "4242");
    EXPECT_EQ(Control(window.send_page(), "SMTPport")->text(), "4343");
}

TEST(OptionsWindow, PartialModeAndSmtpAuthEnableTheirBoxes) {
    OptionsWindowContext c;
    OptionsWindow window(c.context);
    QLineEdit* maximum = Control(window.pop3_page(), "maximum");
    EXPECT_FALSE(maximum->isEnabled()) << "a reset record is in full mode";
    const std::pair<const char*, bool> modes[] = {
        {"modePartial", true}, {"modeFull", false}, {"modePartial", true}, {"modePurge", false}};
    for (const auto& [radio, enabled] : modes) {
        Control<QRadioButton>(window.pop3_page(), radio)->click();
        EXPECT_EQ(maximum->isEnabled(), enabled) << radio;
    }

    QLineEdit* user = Control(window.send_page(), "SMTPuser");
    QLineEdit* pass = Control(window.send_page(), "SMTPpass");
    EXPECT_EQ(pass->echoMode(), QLineEdit::Password);
    EXPECT_FALSE(user->isEnabled());
    auto* auth = Control<QCheckBox>(window.send_page(), "SMTPauth");
    auth->click();
    EXPECT_TRUE(user->isEnabled());
    EXPECT_TRUE(pass->isEnabled());
    auth->click();
    EXPECT_FALSE(user->isEnabled());
    EXPECT_FALSE(pass->isEnabled());

    Profile partial_with_auth;
    partial_with_auth.mode = 1;
    partial_with_auth.SMTPauth = 1;
    window.ProfileToDialog(partial_with_auth);
    EXPECT_TRUE(maximum->isEnabled());
    EXPECT_TRUE(user->isEnabled());
}

TEST(OptionsWindow, ChooseAsksForAnExistingSignatureFile) {
    OptionsWindowContext c;
    OptionsWindow window(c.context);
    FileOpenRequest asked;
    QString answer = "/home/alice/sig.txt";
    window.send_page()->SetFilePicker([&](QWidget*, const FileOpenRequest& request) {
        asked = request;
        return answer;
    });
    QLineEdit* signature = Control(window.send_page(), "SMTPsigfile");
    Control<QPushButton>(window.send_page(), "chooseSignature")->click();
    EXPECT_EQ(asked.title, "Select signature file");
    EXPECT_TRUE(asked.filter.startsWith("All Files")) << asked.filter.toStdString();
    EXPECT_EQ(signature->text(), "/home/alice/sig.txt");

    answer.clear();  // cancelled
    Control<QPushButton>(window.send_page(), "chooseSignature")->click();
    EXPECT_EQ(signature->text(), "/home/alice/sig.txt");
}

TEST(OptionsWindow, ConnectChecksInOrderAndStopsAtTheFirstRefusal) {
    OptionsWindowContext c;
    OptionsWindow window(c.context);
    const QString invalid_port =
        "[POP3 options] Invalid POP3 port\nEnter a number between 1 and 65535. The POP3 port "
        "is usually 110.";
    const QString no_host = "[Account] Fill in the POP3 host";
    const QString no_maximum =
        "[POP3 options] To specify the maximum number of messages to load, enter a value in the "
        "box beside the Partial radio button. Or, select the Full radio button to load all "
        "messages.";
    // Each step mends what the previous one was refused for.
    struct Step {
        const char* box;  // the box to set before Connect, or null
        const char* value;
        QString expected;  // a message box's text, or a prompt's title
        bool prompt;
        int icon;
    };
    const Step steps[] = {
        {"maximum", "0", invalid_port, false, QMessageBox::Critical},  // all wrong: port first
        {"port", "65536", invalid_port, false, QMessageBox::Critical},
        {"port", "65535", no_host, false, QMessageBox::NoIcon},
        {"host", "127.0.0.1", "POP3 username", true, 0},
        {"user", "alice", "POP3 password", true, 0},
        {"pass", "secret", no_maximum, false, QMessageBox::NoIcon},
    };
    window.profile_box()->setEditText("checks");
    Control(window.pop3_page(), "port")->setText("0");
    Control<QRadioButton>(window.pop3_page(), "modePartial")->click();
    for (const Step& step : steps) {
        SCOPED_TRACE(step.expected.toStdString());
        QWidget* page = std::string(step.box) == "maximum" || std::string(step.box) == "port"
                            ? static_cast<QWidget*>(window.pop3_page())
                            : window.account_page();
        Control(page, step.box)->setText(step.value);
        DialogDriver driver;
        SeenBox box;
        QString prompt_title;
        bool masked = false;
        if (step.prompt) {
            driver.Then([&](QWidget* dialog) {
                prompt_title = dialog->windowTitle();
                masked = dialog->findChild<QLineEdit*>()->echoMode() == QLineEdit::Password;
                ClickButton("cancel")(dialog);
            });
        } else {
            driver.Then(RecordBoxAndClick(&box, "OK"));
        }
        window.account_page()->connect_button()->click();
        EXPECT_EQ(driver.pending(), 0u);
        if (step.prompt) {
            EXPECT_EQ(prompt_title, step.expected);
            EXPECT_EQ(masked, step.expected == "POP3 password");
        } else {
            EXPECT_EQ(box.text, step.expected);
            EXPECT_EQ(box.title, "");
            EXPECT_EQ(box.icon, step.icon);
        }
        EXPECT_FALSE(window.worker_running());
        EXPECT_TRUE(c.context.config.profiles.empty()) << "a refused Connect saves nothing";
        EXPECT_EQ(c.context.config.global.last, "");
    }
}

TEST(OptionsWindow, PollSkipsThePartialModeCheckAndSavesNothing) {
    OptionsWindowContext c;
    OptionsWindow window(c.context);
    window.profile_box()->setEditText("poller");
    Control(window.account_page(), "host")->setText("127.0.0.1");
    Control(window.account_page(), "user")->setText("alice");
    Control(window.account_page(), "pass")->setText("secret");
    Control(window.pop3_page(), "port")->setText(QString::number(ClosedPort()));
    Control<QRadioButton>(window.pop3_page(), "modePartial")->click();
    window.account_page()->poll_button()->click();
    EXPECT_TRUE(window.worker_running());
    EXPECT_FALSE(window.account_page()->connect_button()->isEnabled());
    EXPECT_FALSE(window.account_page()->poll_button()->isEnabled());
    ASSERT_TRUE(DialogDriver::RunUntil([&] { return !window.worker_running(); }));
    EXPECT_TRUE(window.account_page()->status_line()->text().startsWith("Error: "))
        << window.account_page()->status_line()->text().toStdString();
    EXPECT_TRUE(window.account_page()->connect_button()->isEnabled());
    EXPECT_TRUE(window.account_page()->poll_button()->isEnabled());
    EXPECT_FALSE(window.account_page()->abort_button()->isEnabled());
    EXPECT_TRUE(c.context.config.profiles.empty()) << "Poll never autosaves";
    EXPECT_EQ(c.context.config.global.last, "");
}

TEST(OptionsWindow, PromptedPasswordIsAskedEveryTimeAndNeverStored) {
    OptionsWindowContext c;
    Profile& work = c.AddProfile("work", "127.0.0.1");
    work.user = "alice";
    work.port = ClosedPort();
    OptionsWindow window(c.context);
    ASSERT_EQ(Control(window.account_page(), "pass")->text(), "");

    for (int attempt = 0; attempt < 2; ++attempt) {
        DialogDriver driver;
        QString title;
        driver.Then([&](QWidget* dialog) {
            title = dialog->windowTitle();
            TypeAndClick("wonderland", "submit")(dialog);
        });
        window.account_page()->connect_button()->click();
        EXPECT_EQ(driver.pending(), 0u) << "asked on every Connect";
        EXPECT_EQ(title, "POP3 password");
        ASSERT_TRUE(DialogDriver::RunUntil([&] { return !window.worker_running(); }));
    }
    // The autosave stored the pages as they are, without the answer.
    ASSERT_EQ(c.context.config.profiles.size(), 1u);
    EXPECT_EQ(c.context.config.profiles.front().pass, "");
    EXPECT_EQ(c.context.config.global.last, "work");
    EXPECT_EQ(Control(window.account_page(), "pass")->text(), "");
    RowButton(window, "save")->click();
    EXPECT_EQ(c.FileText().find("wonderland"), std::string::npos);
    EXPECT_EQ(c.Reload().profiles.front().pass, "");
}

TEST(OptionsWindow, ConnectAutosavesANewProfileIntoTheListWithoutWritingTheFile) {
    OptionsWindowContext c;
    OptionsWindow window(c.context);
    RowButton(window, "new")->click();
    window.profile_box()->setEditText("fresh");
    Control(window.account_page(), "host")->setText("127.0.0.1");
    Control(window.account_page(), "user")->setText("alice");
    Control(window.account_page(), "pass")->setText("secret");
    Control(window.pop3_page(), "port")->setText(QString::number(ClosedPort()));
    window.account_page()->connect_button()->click();
    ASSERT_TRUE(DialogDriver::RunUntil([&] { return !window.worker_running(); }));
    ASSERT_EQ(c.context.config.profiles.size(), 1u);
    EXPECT_EQ(c.context.config.profiles.front().name, "fresh");
    EXPECT_EQ(c.context.config.profiles.front().pass, "secret");
    EXPECT_EQ(window.profile_box()->count(), 1);
    EXPECT_EQ(c.context.config.global.last, "fresh");
    EXPECT_FALSE(std::filesystem::exists(c.context.paths.settings_file));

    // Without autosave only `last` changes.
    Control<QCheckBox>(window.account_page(), "autosave")->setChecked(false);
    Control(window.account_page(), "host")->setText("localhost");
    window.profile_box()->setEditText("Other");
    window.account_page()->connect_button()->click();
    ASSERT_TRUE(DialogDriver::RunUntil([&] { return !window.worker_running(); }));
    EXPECT_EQ(c.context.config.profiles.size(), 1u);
    EXPECT_EQ(c.context.config.profiles.front().host, "127.0.0.1");
    EXPECT_EQ(c.context.config.global.last, "Other");
}

TEST(OptionsWindow, StartedMinimizedOnlyTheFirstTime) {
    OptionsWindowContext fixture;
    fixture.context.start.minimized = true;
    {
        OptionsWindow window(fixture.context);
        window.show();
        ASSERT_TRUE(DialogDriver::RunUntil([&] { return window.isMinimized(); }));
        EXPECT_FALSE(fixture.context.start.minimized);
    }
    OptionsWindow again(fixture.context);
    again.show();
    QApplication::processEvents();
    EXPECT_FALSE(again.isMinimized());
}

TEST(OptionsWindow, EnterPressesConnect) {
    OptionsWindowContext c;
    OptionsWindow window(c.context);
    Control(window.pop3_page(), "port")->setText("110");
    for (QWidget* target : {static_cast<QWidget*>(Control(window.account_page(), "user")),
                            static_cast<QWidget*>(window.profile_box()->lineEdit()),
                            static_cast<QWidget*>(RowButton(window, "new"))}) {
        DialogDriver driver;
        SeenBox box;
        driver.Then(RecordBoxAndClick(&box, "OK"));
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        EXPECT_EQ(driver.pending(), 0u) << target->objectName().toStdString();
        EXPECT_EQ(box.text, "[Account] Fill in the POP3 host");
    }
}

}  // namespace
}  // namespace tarvox
