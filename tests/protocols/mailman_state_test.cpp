#include "protocols/mailman_state.h"

#include <gtest/gtest.h>

namespace tarvox {
namespace {

TEST(MailmanState, MayPollOnlyWhenIdleAndDialledInIfAsked) {
    struct Case {
        int checkras;
        bool running, dialled_in, may;
    } const cases[] = {
        {0, false, false, true}, {0, true, false, false}, {1, false, false, false},
        {1, false, true, true},  {1, true, true, false},
    };
    for (const Case& c : cases) {
        GlobalSettings settings;
        settings.checkras = c.checkras;
        EXPECT_EQ(MailmanState::MayPoll(settings, c.running, [&] { return c.dialled_in; }), c.may)
            << c.checkras << c.running << c.dialled_in;
    }
}

GlobalSettings Enabled(int newsound = 1, int repoll = 1) {
    GlobalSettings settings;
    settings.mailman = 1;
    settings.newsound = newsound;
    settings.repoll = repoll;
    return settings;
}

TEST(MailmanState, TraySoundAndNoticeOverAPollAndTheMailboxesOpened) {
    const GlobalSettings settings = Enabled();
    MailmanState state;
    state.PollStarted();
    for (const char* name : {"Home", "Work", "Club"}) state.RowAdded(name);
    EXPECT_TRUE(state.RowHasNewMail(0, 3, settings));   // the tray turns
    EXPECT_FALSE(state.RowHasNewMail(2, 1, settings));  // it already shows new mail
    const MailmanState::PollEnd by_timer = state.PollEnded(true, true, settings);
    EXPECT_TRUE(by_timer.play_sound && by_timer.notify && !by_timer.tray_to_no_mail);
    const NewMailNotice notice = state.Notice();
    EXPECT_EQ(notice.summary, "Tarvox: You have mail!");
    EXPECT_EQ(notice.body, "Home: 3 message(s)\nClub: 1 message(s)");
    EXPECT_EQ(notice.first_profile, "Home");

    // "Poll all" and a right-click repoll neither play nor notify.
    const MailmanState::PollEnd by_hand = state.PollEnded(true, false, settings);
    EXPECT_FALSE(by_hand.play_sound || by_hand.notify || by_hand.tray_to_no_mail);

    // Opening the mailboxes clears their marks; the last one turns the tray back.
    EXPECT_EQ(state.ClearNewMark("Work", settings).row, 1);
    EXPECT_EQ(state.ClearNewMark("home", settings).row, -1);  // exact names only
    const MailmanState::Cleared home = state.ClearNewMark("Home", settings);
    EXPECT_EQ(home.row, 0);
    EXPECT_FALSE(home.tray_to_no_mail);
    const MailmanState::Cleared club = state.ClearNewMark("Club", settings);
    EXPECT_EQ(club.row, 2);
    EXPECT_TRUE(club.tray_to_no_mail);
    EXPECT_FALSE(state.new_mail_shown());
}

TEST(MailmanState, APollThatFindsNothingNewTurnsTheTrayBack) {
    const GlobalSettings settings = Enabled();
    MailmanState state;
    state.RowAdded("Home");
    ASSERT_TRUE(state.RowHasNewMail(0, 1, settings));
    state.PollStarted();
    state.RowAdded("Home");
    const MailmanState::PollEnd end = state.PollEnded(false, true, settings);
    EXPECT_TRUE(end.tray_to_no_mail);
    EXPECT_FALSE(end.play_sound || end.notify);
    EXPECT_FALSE(state.PollEnded(false, true, settings).tray_to_no_mail);  // already back
}

TEST(MailmanState, SoundNeedsItsSettingAndMailmanEnabled) {
    struct Case {
        int mailman, newsound;
        bool sound, notify;
    } const cases[] = {{1, 1, true, true}, {1, 0, false, true}, {0, 1, false, false}};
    for (const Case& c : cases) {
        GlobalSettings settings = Enabled(c.newsound);
        settings.mailman = c.mailman;
        MailmanState state;
        state.RowAdded("Home");
        state.RowHasNewMail(0, 1, settings);
        const MailmanState::PollEnd end = state.PollEnded(true, true, settings);
        EXPECT_EQ(end.play_sound, c.sound) << c.mailman << c.newsound;
        EXPECT_EQ(end.notify, c.notify) << c.mailman << c.newsound;
    }
}

TEST(MailmanState, OneRepollPerPollAndOnlyWhileNewMailIsShown) {
    MailmanState state;
    EXPECT_FALSE(state.RepollOnRightClick(Enabled()));  // no new mail shown
    state.RowAdded("Home");
    state.RowHasNewMail(0, 1, Enabled());
    EXPECT_FALSE(state.RepollOnRightClick(Enabled(1, 0)));
    EXPECT_TRUE(state.RepollOnRightClick(Enabled()));
    EXPECT_FALSE(state.RepollOnRightClick(Enabled()));  // pending
    state.PollStarted();
    EXPECT_TRUE(state.RepollOnRightClick(Enabled()));
}

TEST(LastMailrunText, TwoDigitsEach) {
    std::tm when{};
    when.tm_hour = 7;
    when.tm_min = 5;
    when.tm_sec = 9;
    EXPECT_EQ(LastMailrunText(when), "Last mailrun was 07:05:09");
}

}  // namespace
}  // namespace tarvox
