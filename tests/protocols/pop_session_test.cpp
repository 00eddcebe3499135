#include "protocols/pop_session.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <tuple>

#include "config/profile.h"
#include "protocol_fixture.h"

namespace tarvox {
namespace {

using namespace script;

TEST(PopStat, TakesCountAndSizeFromTheReply) {
    const struct {
        const char* reply;
        bool parsed;
        std::uint32_t count = 0, size = 0;
    } cases[] = {
        {"+OK 3 4500\r\n", true, 3, 4500},
        {"+OK  2   320 octets\r\n", true, 2, 320},
        {"+OK 4294967295 4294967295\r\n", true, 4294967295u, 4294967295u},
        // The reply arrived but is no answer: the result stays Success.
        {"+OK 3\r\n", false}, {"+OK\r\n", false}, {"+OK three 4500\r\n", false},
        {"-ERR mailbox locked\r\n", false}, {"+ 3 4500\r\n", false},
        {"+OK 3 ", false},  // then the server hangs up
    };
    for (const auto& c : cases) {
        const bool cut = !std::string_view(c.reply).ends_with('\n');
        ScriptedServer server({Expect("STAT\r\n"), Send(c.reply), cut ? CloseConnection() : ExpectClosed()});
        NetConnection connection;
        ASSERT_EQ(ConnectTo(connection, server), NetResult::Success);
        std::uint32_t count = 0, size = 0;
        NetResult result = NetResult::Unknown;
        EXPECT_EQ(PopStat(connection, count, size, result), c.parsed) << c.reply;
        EXPECT_EQ(result, cut ? NetResult::GracefullyClosed : NetResult::Success);
        EXPECT_EQ(count, c.count);
        EXPECT_EQ(size, c.size);
        connection.Close();
        EXPECT_SCRIPT_DONE(server);
    }
}

TEST(PopQuit, SendsQuitReadsTheReplyAndClosesAlsoWithoutOne) {
    const std::pair<Script, std::string> cases[] = {
        {{Expect("QUIT\r\n"), Send("+OK bye\r\n"), ExpectClosed()}, "+OK bye\r\n"},
        {{Expect("QUIT\r\n"), CloseConnection()}, ""},
    };
    for (const auto& [script, expected] : cases) {
        ScriptedServer server(script);
        NetConnection connection;
        ASSERT_EQ(ConnectTo(connection, server), NetResult::Success);
        std::string reply;
        EXPECT_EQ(PopQuit(connection, &reply, 512), NetResult::Success);
        EXPECT_EQ(reply, expected);
        EXPECT_FALSE(connection.Connected());
        EXPECT_SCRIPT_DONE(server);
    }
}

// Recorded 5 messages, 1000 bytes: up to 100 bytes more a message, or 100 less, is no change;
// an empty mailbox is none either, and clears the record.
TEST(MailboxModified, ComparesWithTheRecordedCountAndSize) {
    const std::tuple<std::uint32_t, std::uint32_t, bool> cases[] = {
        {5, 1000, false}, {5, 1500, false}, {5, 1501, true}, {5, 900, false}, {5, 899, true},
        {4, 1000, true},  {6, 1000, true},  {4, 900, true},  {0, 0, false},
    };
    for (const auto& [count, size, modified] : cases) {
        Profile stored{.maildrop = {5, 1000}};
        EXPECT_EQ(MailboxModified(stored, count, size), modified) << count << " messages, " << size;
        EXPECT_EQ(stored.maildrop, (count == 0 ? std::array<int, 2>{0, 0} : std::array<int, 2>{5, 1000}));
    }
}

// An exchange inside another (a download while the inbox loads) leaves the session busy.
TEST(PopSessionBusy, InnerGuardLeavesTheOuterBusy) {
    PopSession session(nullptr);
    {
        PopSession::BusyGuard outer(session);
        { PopSession::BusyGuard inner(session); }
        EXPECT_TRUE(session.Busy());
    }
    EXPECT_FALSE(session.Busy());
}

// What each exchange shows and whether it stays connected; a hang-up gives one lost-connection notice.
TEST(InboxExchange, RepliesAndLostConnections) {
    using Run = std::function<bool(PopSession&, ScriptedServices&)>;  // true: the right outcome
    const Run dele = [](PopSession& s, ScriptedServices& v) {
        return !PopDelete(s, 2, false, v, [](std::uint32_t) { ADD_FAILURE(); }) &&
               s.last_result == NetResult::GracefullyClosed;
    };
    const Run noop = [](PopSession& s, ScriptedServices& v) { return PopKeepAlive(s, v), true; };
    const Run stat = [](PopSession& s, ScriptedServices& v) { return RefreshMailboxStat(s, v), true; };
    const auto reset = [](InboxExit exit) {
        return [exit](PopSession& s, ScriptedServices& v) { return PopResetAndExit(s, v) == exit; };
    };
    const Run save = [](PopSession& s, ScriptedServices& v) {
        return PopSaveAndExit(s, v) == InboxExit::CloseInbox;
    };
    const Lines prod = {"Prodding server . . .", "Connection is alive"};
    const std::string resetting = "Resetting mailbox and exiting . . .";
    const std::string rset_ok = "+OK maildrop has 2 messages (320 octets)";
    const struct {
        Script script;
        bool hangs_up;  // after the script
        Run run;
        Lines statuses;
        const char* box;  // the one box shown, or none
        bool connected;
    } cases[] = {
        {{Expect("DELE 2\r\n")}, true, dele, {}, nullptr, false},
        {{Expect("NOOP\r\n"), Send("+OK\r\n")}, false, noop, prod, nullptr, true},
        {{Expect("NOOP\r\n"), Send("-ERR what?\r\n")}, false, noop, prod, nullptr, true},
        {{Expect("NOOP\r\n")}, true, noop, {prod[0]}, nullptr, false},
        {{Expect("STAT\r\n"), Send("+OK 5 2150\r\n")}, false, stat,
         {"Retrieving mailbox stat...", "Mailbox contains 5 message(s) occupying 2.1 KB"}, nullptr, true},
        {{Expect("STAT\r\n"), Send("-ERR later\r\n")}, false, stat,
         {"Retrieving mailbox stat...", "Mailbox stat unavailable"},
         "Tarvox: Server did not return mailbox stat", true},
        {{Expect("RSET\r\n"), Send("-ERR cannot reset now\r\n")}, false, reset(InboxExit::StayOpen),
         {resetting, "-ERR cannot reset now"}, "-ERR cannot reset now", true},
        {{Expect("RSET\r\n"), Send(rset_ok + "\r\n"), Expect("QUIT\r\n"), Send("+OK bye\r\n")}, false,
         reset(InboxExit::CloseInbox), {resetting, rset_ok}, nullptr, false},
        {{Expect("RSET\r\n")}, true, reset(InboxExit::Lost), {resetting}, nullptr, false},
        {{Expect("QUIT\r\n"), Send("+OK bye\r\n")}, false, save,
         {"Saving changes to mailbox and exiting . . ."}, nullptr, false},
        {{Expect("QUIT\r\n"), Send("-ERR some deleted messages not removed\r\n")}, false, save,
         {"Saving changes to mailbox and exiting . . ."},
         "Tarvox: The server did not confirm Save & Exit: -ERR some deleted messages not removed\n\n"
         "Messages deleted in this session may still be on the server.",
         false},
    };
    for (const auto& c : cases) {
        ScriptedServer server(Join({c.script, {c.hangs_up ? CloseConnection() : ExpectClosed()}}));
        ScriptedServices shown;
        PopSession session(nullptr);
        ASSERT_EQ(ConnectTo(session.connection, server), NetResult::Success);
        EXPECT_TRUE(c.run(session, shown)) << c.script[0].description;
        EXPECT_EQ(shown.Statuses(StatusLine::Inbox), c.statuses);
        EXPECT_EQ(BoxTexts(shown), c.box != nullptr ? Lines{c.box} : Lines{});
        EXPECT_EQ(shown.LostConnections().size(), c.hangs_up ? 1u : 0u);
        EXPECT_FALSE(session.Busy());
        EXPECT_EQ(session.connection.Connected(), c.connected);
        session.connection.Close();
        EXPECT_SCRIPT_DONE(server);
    }
}

}  // namespace
}  // namespace tarvox
