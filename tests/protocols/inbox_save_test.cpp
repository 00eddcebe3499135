#include "protocols/inbox_save.h"

#include <gtest/gtest.h>

#include <array>

#include "config/profile.h"
#include "junk/stored_flags.h"
#include "protocol_fixture.h"

namespace tarvox {
namespace {

using namespace script;

TEST(SaveInboxAndExit, StoresFlagsAndStatisticsWritesTheSettingsThenQuits) {
    const MessageIdentity listed{0x11, 0x22};
    const FlaggedMessage old_items[] = {{listed, kFlagRead}, {{0x33, 0x44}, kFlagRead}};
    const FlaggedMessage new_items[] = {{listed, kFlagRead | kFlagReplied}};
    const struct {
        int mode, parse;
        const char* stat_reply;  // none: the profile was never saved
        bool merged;  // the unlisted item is kept
        std::array<int, 2> maildrop;
    } cases[] = {
        {0, 1, "+OK 5 900\r\n", false, {5, 900}}, {1, 1, "+OK 5 900\r\n", true, {5, 900}},
        {0, 0, "+OK 2 70\r\n", true, {2, 70}},    {0, 1, "-ERR busy\r\n", false, {9, 9}},
        {0, 1, nullptr, false, {9, 9}},
    };
    for (const auto& c : cases) {
        const bool stored = c.stat_reply != nullptr;
        SCOPED_TRACE(stored ? c.stat_reply : "not stored");
        ScriptedServer server(Join({stored ? Script{Expect("STAT\r\n"), Send(c.stat_reply)} : Script{}, kPopQuit}));
        PopSession session(nullptr);
        ASSERT_EQ(ConnectTo(session.connection, server), NetResult::Success);
        MessageList list;
        list.Add({listed, kFlagRead | kFlagReplied, 1, "", "", "", "", "", JunkVerdict::NotJunk, false, ""});
        Profile profile{.parse = c.parse, .msgid = BuildStoredFlags(old_items),
                        .mode = MailboxModeFromSetting(c.mode), .maildrop = {9, 9}};
        int saves = 0;
        ScriptedServices services;
        EXPECT_EQ(SaveInboxAndExit(session, list, stored ? &profile : nullptr, [&] { ++saves; }, services),
                  InboxExit::CloseInbox);
        const std::string kept = c.merged ? MergeStoredFlags(BuildStoredFlags(old_items), new_items)
                                          : BuildStoredFlags(new_items);
        EXPECT_EQ(profile.msgid, stored ? kept : BuildStoredFlags(old_items));
        EXPECT_EQ(profile.maildrop, c.maildrop);
        EXPECT_EQ(saves, stored ? 1 : 0);
        EXPECT_SCRIPT_DONE(server);
    }
}

}  // namespace
}  // namespace tarvox
