#include "protocols/message_flag_boxes.h"

#include <gtest/gtest.h>

namespace tarvox {
namespace {

TEST(MessageFlagBoxes, ShownFromTheEntryAndOkKeepsReadRepliedAndAClearedJunkBox) {
    constexpr JunkVerdict kHam = JunkVerdict::NotJunk, kBlack = JunkVerdict::Blacklist;
    const Profile me{.SMTPaddress = "me@example.org"};
    const struct {
        InboxEntry entry;    // 0xF5: bits other than Read and Replied to, which OK drops
        const char* shown;   // read, replied, copy to self, attachments, junk, junk usable
        const char* chosen;  // read, replied, junk
        std::uint32_t flags_after;
        JunkVerdict verdict_after;
    } cases[] = {
        {{.sender = "Bob <bob@example.net>"}, "------", "x-x", kFlagRead, kHam},
        {{.flags = kFlagReplied, .multipart = true}, "-x-x--", "-x-", kFlagReplied, kHam},
        {{.flags = 0xF5, .sender = "ME@example.org", .junk_verdict = kBlack}, "x-x-xx", "x-x",
         kFlagRead, kBlack},
        {{.flags = kFlagRead | kFlagReplied, .junk_verdict = kBlack}, "xx--xx", "-x-", kFlagReplied,
         kHam},
    };
    for (auto test : cases) {
        const MessageFlagBoxes b = MessageFlagBoxesOf(test.entry, me);
        std::string shown;
        for (bool on : {b.read, b.replied, b.copy_to_self, b.attachments, b.junk, b.junk_usable}) {
            shown += on ? 'x' : '-';
        }
        EXPECT_EQ(shown, test.shown) << test.shown;
        ApplyMessageFlagBoxes(test.entry, {.read = test.chosen[0] == 'x', .replied = test.chosen[1] == 'x',
                                           .junk = test.chosen[2] == 'x'});
        EXPECT_EQ(test.entry.flags, test.flags_after) << test.shown;
        EXPECT_EQ(test.entry.junk_verdict, test.verdict_after) << test.shown;
    }
}

}  // namespace
}  // namespace tarvox
