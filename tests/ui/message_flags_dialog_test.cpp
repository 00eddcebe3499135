// "Message Flags": the boxes show the entry and OK writes them back.
#include "ui/message_flags_dialog.h"

#include <QCheckBox>
#include <QPushButton>

#include <gtest/gtest.h>

#include "protocols/inbox_entry.h"
#include "ui/options_window_fixture.h"

namespace tarvox {
namespace {

TEST(MessageFlagsDialog, ShowsTheEntrysBoxesAndOkStoresThem) {
    OptionsWindowContext c;
    InboxEntry entry;
    entry.flags = kFlagReplied;
    entry.junk_verdict = JunkVerdict::Html;
    entry.multipart = true;
    const Profile profile;
    MessageFlagsDialog dialog(c.context, entry, profile);
    const char* const boxes[] = {"read", "replied", "copyToSelf", "attachments", "junk"};
    for (int i = 0; i < 5; ++i) {
        const QCheckBox* box = Control<QCheckBox>(&dialog, boxes[i]);
        EXPECT_EQ(box->isChecked(), i == 1 || i >= 3) << boxes[i];
        EXPECT_EQ(box->isEnabled(), i < 2 || i == 4) << boxes[i];
    }
    Control<QCheckBox>(&dialog, "read")->setChecked(true);
    Control<QCheckBox>(&dialog, "junk")->setChecked(false);
    Control<QPushButton>(&dialog, "ok")->click();
    EXPECT_EQ(entry.flags, kFlagRead | kFlagReplied);
    EXPECT_EQ(entry.junk_verdict, JunkVerdict::NotJunk);
}

}  // namespace
}  // namespace tarvox
