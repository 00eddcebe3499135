#include "protocols/reply_mark.h"

#include <gtest/gtest.h>

#include "protocols/message_list.h"

namespace tarvox {
namespace {

TEST(ReplyMark, AnUnsentReplyLeavesTheFlagAsItWas) {
    for (const std::uint32_t before : {kFlagRead, kFlagRead | kFlagReplied}) {
        MessageList list;
        InboxEntry entry;
        entry.number = 7;
        entry.flags = before;
        list.Add(entry);
        const std::optional<ReplyMark> mark = MarkReplied(list, 7);
        ASSERT_TRUE(mark.has_value());
        EXPECT_EQ(list.Find(7)->flags, kFlagRead | kFlagReplied);
        UndoReplyMark(list, *mark);
        EXPECT_EQ(list.Find(7)->flags, before);
    }
    MessageList list;
    EXPECT_FALSE(MarkReplied(list, 7).has_value());  // the viewer deleted it
}

}  // namespace
}  // namespace tarvox
