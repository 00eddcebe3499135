// Mailman's window and tray: the buttons, timer and windows that start a poll,
// what the rows and tray show, and the calls of the sound and the notice.
#include "ui/mailman_window.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dovecot_inbox_fixture.h"
#include "ui/account_page.h"
#include "ui/global_page.h"
#include "ui/options_window.h"

namespace tarvox {
namespace {

class MailmanWindowTest : public DovecotInboxTest {
protected:
    void SetUp() override {
        DovecotInboxTest::SetUp();
        Profile& bob = c.AddProfile("Bob", "127.0.0.1");
        bob.user = "bob";
        bob.pass = "builder";
        bob.port = server->plain_port();
        GlobalSettings& g = c.context.config.global;
        g.mailman = 1;
        g.newsound = 1;
        g.newwav = "/sounds/ding.wav";
    }

    // The window as start-up makes it, once its tray and timer have started.
    MailmanWindow& Make() {
        mailman = std::make_unique<MailmanWindow>(c.context);
        mailman->play_sound = [this](const std::string& file) { sounds.push_back(file); };
        mailman->notify = [this](const NewMailNotice& notice) { notices.push_back(notice); };
        mailman->notices_available = [] { return true; };
        mailman->dial_up_connected = [this] { return dialled_in; };
        EXPECT_TRUE(DialogDriver::RunUntil([&] { return Timer()->isActive(); }));
        return *mailman;
    }
    QTimer* Timer() { return mailman->findChild<QTimer*>("pollTimer"); }
    QString Status() { return Control<QLabel>(mailman.get(), "status")->text(); }
    QTreeWidget* Rows() { return Control<QTreeWidget>(mailman.get(), "profiles"); }
    bool PollEnded() {
        return DialogDriver::RunUntil([&] { return Status().startsWith("Last mailrun was "); });
    }
    void PressPollAll() {
        Control<QPushButton>(mailman.get(), "pollAll")->click();
        ASSERT_TRUE(PollEnded()) << Status().toStdString();
    }
    std::vector<std::string> RowTexts() {
        std::vector<std::string> rows;
        for (int i = 0; i < Rows()->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* item = Rows()->topLevelItem(i);
            rows.push_back((item->text(0) + " " + item->text(1) + (item->icon(0).isNull() ? "" : " new"))
                               .toStdString());
        }
        return rows;
    }

    std::unique_ptr<MailmanWindow> mailman;
    std::vector<std::string> sounds;
    std::vector<NewMailNotice> notices;
    bool dialled_in = true;
};

TEST_F(MailmanWindowTest, PollAllListsTheMailboxesAndOnlyTheTimerSoundsAndNotifies) {
    Make();
    EXPECT_EQ(mailman->tray()->toolTip(), "Tarvox: No new mail");
    EXPECT_EQ(Timer()->interval(), 15 * 60000);

    c.context.config.global.checkras = 1;  // no dial-up connection: nothing happens
    dialled_in = false;
    Control<QPushButton>(mailman.get(), "pollAll")->click();
    EXPECT_EQ(Rows()->topLevelItemCount(), 0);
    c.context.config.global.checkras = 0;

    PressPollAll();
    EXPECT_EQ(RowTexts(), (std::vector<std::string>{"Alice 5 new", "Bob 0"}));
    EXPECT_EQ(mailman->tray()->toolTip(), "Tarvox: You have mail!");
    EXPECT_TRUE(sounds.empty());
    EXPECT_TRUE(notices.empty());

    Timer()->setSingleShot(true);
    Timer()->start(1);
    ASSERT_TRUE(DialogDriver::RunUntil([&] { return !notices.empty(); }));
    EXPECT_EQ(notices[0].body, "Alice: 5 message(s)");
    EXPECT_EQ(sounds, (std::vector<std::string>{"/sounds/ding.wav"}));

    // The mailbox the inbox has open is left to it.
    Make();
    c.context.session = std::make_unique<PopSession>(&c.context.tls);
    c.context.working = c.context.config.profiles.front();
    PressPollAll();
    EXPECT_EQ(RowTexts(), (std::vector<std::string>{"Bob 0"}));
    EXPECT_EQ(mailman->tray()->toolTip(), "Tarvox: No new mail");
    c.context.session.reset();
}

TEST_F(MailmanWindowTest, AStartWithPollPollsWithoutBeingAsked) {
    c.context.start.poll = true;
    Make();
    ASSERT_TRUE(PollEnded());
    EXPECT_EQ(Rows()->topLevelItemCount(), 2);
    EXPECT_TRUE(sounds.empty());
}

TEST_F(MailmanWindowTest, OpeningTheInboxClearsItsMarkAndTheTray) {
    Make();
    PressPollAll();
    ASSERT_EQ(mailman->tray()->toolTip(), "Tarvox: You have mail!");
    const std::unique_ptr<InboxWindow> inbox = LoadedInbox();
    EXPECT_EQ(RowTexts(), (std::vector<std::string>{"Alice 5", "Bob 0"}));
    EXPECT_EQ(mailman->tray()->toolTip(), "Tarvox: No new mail");
}

TEST_F(MailmanWindowTest, TheOptionsWindowPollsAllAndSwitchesMailmanOff) {
    Make();
    OptionsWindow options(c.context);
    options.account_page()->poll_all_button()->click();
    EXPECT_TRUE(mailman->isVisible());
    ASSERT_TRUE(PollEnded());
    EXPECT_EQ(Rows()->topLevelItemCount(), 2);

    options.tabs()->setCurrentWidget(options.global_page());
    Control<QCheckBox>(options.global_page(), "mailman")->setChecked(false);
    Control<QPushButton>(options.global_page(), "apply")->click();
    EXPECT_FALSE(mailman->IsRunning());
    EXPECT_FALSE(Timer()->isActive());
    EXPECT_FALSE(mailman->tray()->isVisible());
}

}  // namespace
}  // namespace tarvox
