// "Message Flags": the boxes it shows for a message, and what OK and Cancel
// leave in the entry.
#include "ui/message_flags_dialog.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

#include "junk/stored_flags.h"
#include "protocols/inbox_entry.h"
#include "ui/options_window_fixture.h"

namespace tarvox {
namespace {

const char* const kBoxes[] = {"read", "replied", "copyToSelf", "attachments", "junk"};

InboxEntry Message(std::uint32_t flags, JunkVerdict verdict, bool multipart = false,
                   std::string sender = "Bob Smith <bob@example.net>") {
    InboxEntry entry;
    entry.flags = flags;
    entry.number = 17;
    entry.sender = std::move(sender);
    entry.subject = "Lunch on Friday";
    entry.junk_verdict = verdict;
    entry.multipart = multipart;
    return entry;
}

class MessageFlagsDialogTest : public ::testing::Test {
protected:
    MessageFlagsDialogTest() { profile.SMTPaddress = "me@example.org"; }

    OptionsWindowContext fixture;
    Profile profile;
};

TEST_F(MessageFlagsDialogTest, ShowsTheMessageAndItsFlags) {
    const struct {
        InboxEntry entry;
        bool checked[5];  // in the order of kBoxes
    } cases[] = {
        {Message(0, JunkVerdict::NotJunk), {false, false, false, false, false}},
        {Message(kFlagRead, JunkVerdict::NotJunk), {true, false, false, false, false}},
        {Message(kFlagReplied, JunkVerdict::NotJunk, true), {false, true, false, true, false}},
        {Message(0, JunkVerdict::NotJunk, false, "ME@example.org"), {false, false, true, false, false}},
        {Message(kFlagRead | kFlagReplied, JunkVerdict::Blacklist), {true, true, false, false, true}},
    };
    for (const auto& c : cases) {
        InboxEntry entry = c.entry;
        MessageFlagsDialog dialog(fixture.context, entry, profile);
        EXPECT_EQ(Control<QLabel>(&dialog, "subject")->text(), "Lunch on Friday");
        EXPECT_EQ(Control<QLabel>(&dialog, "number")->text(), "17");
        for (int i = 0; i < 5; ++i) {
            auto* box = Control<QCheckBox>(&dialog, kBoxes[i]);
            EXPECT_EQ(box->isChecked(), c.checked[i]) << entry.flags << " " << kBoxes[i];
            // Only Read and Replied to are the user's; Junk only to clear.
            EXPECT_EQ(box->isEnabled(), i < 2 || (i == 4 && c.checked[4])) << kBoxes[i];
        }
    }
}

TEST_F(MessageFlagsDialogTest, OkKeepsReadRepliedAndAClearedJunkBox) {
    constexpr JunkVerdict Spaces = JunkVerdict::SubjectSpaces;
    const struct {
        std::uint32_t before;
        bool read, replied, junk;
        std::uint32_t after;
        JunkVerdict verdict_after;
    } cases[] = {
        {0, true, false, true, kFlagRead, Spaces},
        {kFlagRead | kFlagReplied, false, true, true, kFlagReplied, Spaces},
        {0xF5, true, false, true, kFlagRead, Spaces},  // stray bits go
        {kFlagRead, true, false, false, kFlagRead, JunkVerdict::NotJunk},
    };
    for (const auto& c : cases) {
        InboxEntry entry = Message(c.before, Spaces);
        MessageFlagsDialog dialog(fixture.context, entry, profile);
        Control<QCheckBox>(&dialog, "read")->setChecked(c.read);
        Control<QCheckBox>(&dialog, "replied")->setChecked(c.replied);
        Control<QCheckBox>(&dialog, "junk")->setChecked(c.junk);
        Control<QPushButton>(&dialog, "ok")->click();
        EXPECT_EQ(entry.flags, c.after) << c.before;
        EXPECT_EQ(entry.junk_verdict, c.verdict_after) << c.before;
    }
}

TEST_F(MessageFlagsDialogTest, CancelChangesNothing) {
    const InboxEntry before = Message(kFlagReplied | 0x40, JunkVerdict::Html, true);
    InboxEntry entry = before;
    MessageFlagsDialog dialog(fixture.context, entry, profile);
    for (const char* box : {"read", "replied", "junk"}) {
        Control<QCheckBox>(&dialog, box)->toggle();
    }
    Control<QPushButton>(&dialog, "cancel")->click();
    EXPECT_EQ(entry, before);
}

}  // namespace
}  // namespace tarvox
