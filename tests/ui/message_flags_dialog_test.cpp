// "Message Flags": what it shows of a message, and what OK and Cancel leave in
// the entry.
#include "ui/message_flags_dialog.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

#include "junk/stored_flags.h"
#include "protocols/inbox_entry.h"
#include "ui/options_window_fixture.h"

namespace tarvox {
namespace {

class MessageFlagsDialogTest : public ::testing::Test {
protected:
    MessageFlagsDialogTest() {
        profile.SMTPname = "Me Myself";
        profile.SMTPaddress = "me@example.org";
    }

    static InboxEntry Message(std::uint32_t flags, std::uint32_t verdict, bool multipart = false,
                              std::string sender = "Bob Smith <bob@example.net>") {
        InboxEntry entry;
        entry.flags = flags;
        entry.number = 17;
        entry.sender = std::move(sender);
        entry.date = "2003-03-22 11:33:30";
        entry.subject = "Lunch on Friday";
        entry.junk_verdict = verdict;
        entry.multipart = multipart;
        return entry;
    }

    OptionsWindowContext fixture;
    Profile profile;
};

TEST_F(MessageFlagsDialogTest, ShowsTheMessageAndItsFlags) {
    struct Case {
        const char* what;
        InboxEntry entry;
        bool read, replied, copy_to_self, attachments, junk;
        const char* rule;
    };
    const Case cases[] = {
        {"plain", Message(0, 0), false, false, false, false, false, "(not junk)"},
        {"read", Message(kFlagRead, 0), true, false, false, false, false, "(not junk)"},
        {"replied with attachments", Message(kFlagReplied, 0, true), false, true, false, true,
         false, "(not junk)"},
        {"copy to self by address", Message(0, 0, false, "ME@example.org"), false, false, true,
         false, false, "(not junk)"},
        {"copy to self by name", Message(0, 0, false, "me myself"), false, false, true, false,
         false, "(not junk)"},
        {"blacklisted", Message(kFlagRead | kFlagReplied, 1), true, true, false, false, true,
         "Matches blacklist"},
        {"no at-sign", Message(0, 6), false, false, false, false, true, "From: missing @"},
        {"pattern", Message(0, 11), false, false, false, false, true,
         "Matches blacklist (pattern)"},
    };
    for (const Case& c : cases) {
        InboxEntry entry = c.entry;
        MessageFlagsDialog dialog(fixture.context, entry, profile);
        EXPECT_EQ(dialog.windowTitle(), "Message Flags");
        EXPECT_EQ(Control<QLabel>(&dialog, "subject")->text(), "Lunch on Friday");
        EXPECT_EQ(Control<QLabel>(&dialog, "sender")->text(), QString::fromStdString(entry.sender));
        EXPECT_EQ(Control<QLabel>(&dialog, "date")->text(), "2003-03-22 11:33:30");
        EXPECT_EQ(Control<QLabel>(&dialog, "number")->text(), "17");
        bool number_caption = false;
        for (QLabel* label : dialog.findChildren<QLabel*>()) {
            number_caption = number_caption || label->text() == "Message number on server:";
        }
        EXPECT_TRUE(number_caption);

        const struct {
            const char* name;
            const char* text;
            bool checked;
            bool enabled;
        } boxes[] = {
            {"read", "&Read", c.read, true},
            {"replied", "Re&plied to", c.replied, true},
            {"copyToSelf", "Copy to self", c.copy_to_self, false},
            {"attachments", "Attachments", c.attachments, false},
            {"junk", "&Junk/spam (temp)", c.junk, c.junk},
        };
        for (const auto& b : boxes) {
            auto* box = Control<QCheckBox>(&dialog, b.name);
            EXPECT_EQ(box->text(), b.text);
            EXPECT_EQ(box->isChecked(), b.checked) << c.what << " " << b.name;
            EXPECT_EQ(box->isEnabled(), b.enabled) << c.what << " " << b.name;
        }
        EXPECT_EQ(Control<QGroupBox>(&dialog, "junkRule")->title(), "Junk filtering rule used");
        EXPECT_EQ(Control<QLabel>(&dialog, "verdict")->text(), c.rule) << c.what;
    }
}

TEST_F(MessageFlagsDialogTest, OkKeepsOnlyReadAndRepliedTo) {
    struct Case {
        std::uint32_t before;
        bool read, replied;
        std::uint32_t after;
    };
    const Case cases[] = {
        {0, true, false, kFlagRead},
        {0, false, true, kFlagReplied},
        {0, true, true, kFlagRead | kFlagReplied},
        {kFlagRead | kFlagReplied, false, false, 0},
        {0xF5, true, false, kFlagRead},  // stray bits go
        {0x80, false, false, 0},
    };
    for (const Case& c : cases) {
        InboxEntry entry = Message(c.before, 4);
        MessageFlagsDialog dialog(fixture.context, entry, profile);
        Control<QCheckBox>(&dialog, "read")->setChecked(c.read);
        Control<QCheckBox>(&dialog, "replied")->setChecked(c.replied);
        Control<QPushButton>(&dialog, "ok")->click();
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(entry.flags, c.after) << c.before;
        EXPECT_EQ(entry.junk_verdict, 4u) << "the Junk box was left checked";
    }
}

TEST_F(MessageFlagsDialogTest, UncheckingJunkClearsTheVerdictOnOk) {
    InboxEntry entry = Message(kFlagRead, 2);
    MessageFlagsDialog dialog(fixture.context, entry, profile);
    Control<QCheckBox>(&dialog, "junk")->setChecked(false);
    Control<QPushButton>(&dialog, "ok")->click();
    EXPECT_EQ(entry.junk_verdict, 0u);
    EXPECT_EQ(entry.flags, kFlagRead);
}

TEST_F(MessageFlagsDialogTest, CancelChangesNothing) {
    const InboxEntry before = Message(kFlagReplied | 0x40, 9, true);
    InboxEntry entry = before;
    MessageFlagsDialog dialog(fixture.context, entry, profile);
    Control<QCheckBox>(&dialog, "read")->setChecked(true);
    Control<QCheckBox>(&dialog, "replied")->setChecked(false);
    Control<QCheckBox>(&dialog, "junk")->setChecked(false);
    Control<QPushButton>(&dialog, "cancel")->click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(entry, before);
}

TEST_F(MessageFlagsDialogTest, HelpOpensItsTopic) {
    QStringList anchors;
    fixture.context.show_help = [&anchors](const QString& anchor) { anchors << anchor; };
    InboxEntry entry = Message(0, 0);
    MessageFlagsDialog dialog(fixture.context, entry, profile);
    Control<QPushButton>(&dialog, "help")->click();
    EXPECT_EQ(anchors, QStringList{"#msgflags"});
}

}  // namespace
}  // namespace tarvox
