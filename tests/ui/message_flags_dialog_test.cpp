// "Message Flags": the boxes shown and what OK and Cancel leave.
#include "ui/message_flags_dialog.h"

#include <QCheckBox>
#include <QPushButton>

#include <gtest/gtest.h>

#include "junk/stored_flags.h"
#include "protocols/inbox_entry.h"
#include "ui/options_window_fixture.h"

namespace tarvox {
namespace {

InboxEntry Message(std::uint32_t flags, JunkVerdict verdict, bool multipart = false,
                   std::string sender = "Bob Smith <bob@example.net>") {
    InboxEntry entry;
    entry.flags = flags;
    entry.sender = std::move(sender);
    entry.junk_verdict = verdict;
    entry.multipart = multipart;
    return entry;
}

class MessageFlagsDialogTest : public ::testing::Test {
protected:
    MessageFlagsDialogTest() { profile.SMTPaddress = "me@example.org"; }
    QCheckBox* Box(MessageFlagsDialog& dialog, const char* name) {
        return Control<QCheckBox>(&dialog, name);
    }

    OptionsWindowContext c;
    Profile profile;
};

TEST_F(MessageFlagsDialogTest, ShowsTheFlagsAndOnlyReadRepliedAndASetJunkMayChange) {
    const char* const boxes[] = {"read", "replied", "copyToSelf", "attachments", "junk"};
    const std::pair<InboxEntry, QString> cases[] = {  // the boxes checked, in that order
        {Message(0, JunkVerdict::NotJunk), "-----"},
        {Message(kFlagReplied, JunkVerdict::NotJunk, true), "-R-A-"},
        {Message(0, JunkVerdict::NotJunk, false, "ME@example.org"), "--C--"},
        {Message(kFlagRead | kFlagReplied, JunkVerdict::Blacklist), "RR--J"},
    };
    for (auto [entry, checked] : cases) {
        MessageFlagsDialog dialog(c.context, entry, profile);
        for (int i = 0; i < 5; ++i) {
            QCheckBox* box = Box(dialog, boxes[i]);
            EXPECT_EQ(box->isChecked(), checked[i] != '-') << checked.toStdString() << boxes[i];
            EXPECT_EQ(box->isEnabled(), i < 2 || (i == 4 && checked[4] != '-')) << boxes[i];
        }
    }
}

TEST_F(MessageFlagsDialogTest, OkKeepsReadRepliedAndAClearedJunkBoxAndCancelNothing) {
    constexpr JunkVerdict kSpaces = JunkVerdict::SubjectSpaces;
    const struct {
        const char* button;
        std::uint32_t before;
        bool read, replied, junk;
        std::uint32_t after;
        JunkVerdict verdict_after;
    } cases[] = {
        {"ok", 0, true, false, true, kFlagRead, kSpaces},
        {"ok", kFlagRead | kFlagReplied, false, true, true, kFlagReplied, kSpaces},
        {"ok", 0xF5, true, false, true, kFlagRead, kSpaces},  // stray bits go
        {"ok", kFlagRead, true, false, false, kFlagRead, JunkVerdict::NotJunk},
        {"cancel", kFlagRead, false, true, false, kFlagRead, kSpaces},
    };
    for (const auto& test : cases) {
        InboxEntry entry = Message(test.before, kSpaces);
        MessageFlagsDialog dialog(c.context, entry, profile);
        Box(dialog, "read")->setChecked(test.read);
        Box(dialog, "replied")->setChecked(test.replied);
        Box(dialog, "junk")->setChecked(test.junk);
        Control<QPushButton>(&dialog, test.button)->click();
        EXPECT_EQ(entry.flags, test.after) << test.button << test.before;
        EXPECT_EQ(entry.junk_verdict, test.verdict_after) << test.button << test.before;
    }
}

}  // namespace
}  // namespace tarvox
