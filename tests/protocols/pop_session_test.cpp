#include "protocols/pop_session.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "config/profile.h"
#include "frontend/services.h"
#include "net/net_connection.h"
#include "support/scripted_server.h"
#include "support/scripted_services.h"

namespace tarvox {
namespace {

using namespace script;
using Lines = std::vector<std::string>;

NetResult ConnectTo(NetConnection& connection, const ScriptedServer& server) {
    NetAddress address;
    EXPECT_TRUE(ResolveHost("127.0.0.1", server.port(), address));
    return connection.Connect(false, address);
}

TEST(PopStat, TakesCountAndSizeFromTheReply) {
    struct Case {
        ScriptStep reply;
        bool parsed;
        NetResult result;
        std::uint32_t count = 0, size = 0;
    };
    const Case cases[] = {
        {Send("+OK 3 4500\r\n"), true, NetResult::Success, 3, 4500},
        {Send("+OK 0 0\r\n"), true, NetResult::Success, 0, 0},
        {Send("+OK  2   320 octets\r\n"), true, NetResult::Success, 2, 320},
        {Send("+OK 4294967295 4294967295\r\n"), true, NetResult::Success, 4294967295u, 4294967295u},
        // The reply arrived but is no answer: the result stays Success.
        {Send("+OK 3\r\n"), false, NetResult::Success},
        {Send("+OK\r\n"), false, NetResult::Success},
        {Send("+OK three 4500\r\n"), false, NetResult::Success},
        {Send("-ERR mailbox locked\r\n"), false, NetResult::Success},
        {Send("+ 3 4500\r\n"), false, NetResult::Success},
        {Send("+OK 3 "), false, NetResult::GracefullyClosed},  // then the server hangs up
    };
    for (const Case& c : cases) {
        ScriptedServer server(
            {Expect("STAT\r\n"), c.reply, c.result == NetResult::GracefullyClosed ? CloseConnection() : ExpectClosed()});
        NetConnection connection;
        ASSERT_EQ(ConnectTo(connection, server), NetResult::Success);
        std::uint32_t count = 0;
        std::uint32_t size = 0;
        NetResult result = NetResult::Unknown;
        EXPECT_EQ(PopStat(connection, count, size, result), c.parsed) << c.count;
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(count, c.count);
        EXPECT_EQ(size, c.size);
        connection.Close();
        EXPECT_SCRIPT_DONE(server);
    }
}

TEST(PopQuit, SendsQuitReadsTheReplyAndClosesAlsoWithoutOne) {
    const std::pair<std::vector<ScriptStep>, std::string> cases[] = {
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

TEST(MailboxModified, ComparesWithTheRecordedCountAndSize) {
    struct Case {
        std::uint32_t count, size;
        bool modified;
    };
    // Recorded: 5 messages, 1000 bytes. Growing by up to 100 bytes a message, or shrinking by
    // up to 100 bytes, with the same count, is not counted as a change.
    const Case cases[] = {
        {5, 1000, false}, {5, 1500, false}, {5, 1501, true}, {5, 900, false},
        {5, 899, true},   {4, 1000, true},  {6, 1000, true}, {4, 900, true},
    };
    for (const Case& c : cases) {
        Profile stored;
        stored.maildrop = {5, 1000};
        EXPECT_EQ(MailboxModified(stored, c.count, c.size), c.modified)
            << c.count << " messages, " << c.size << " bytes";
        EXPECT_EQ(stored.maildrop, (std::array<int, 2>{5, 1000}));
    }
    // An empty mailbox is unmodified and clears the record: the next mail is then a change.
    Profile stored;
    stored.maildrop = {5, 1000};
    EXPECT_FALSE(MailboxModified(stored, 0, 0));
    EXPECT_EQ(stored.maildrop, (std::array<int, 2>{0, 0}));
    EXPECT_TRUE(MailboxModified(stored, 1, 10));
}

// ---- Exchanges of the open inbox ----

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

class InboxExchange : public ::testing::Test {
protected:
    // A logged-in session on the server's connection.
    void Open(const ScriptedServer& server) {
        ASSERT_EQ(ConnectTo(session.connection, server), NetResult::Success);
    }
    Lines InboxStatuses() const { return services.Statuses(StatusLine::Inbox); }

    PopSession session{nullptr};
    ScriptedServices services;
};

TEST_F(InboxExchange, DeleteBatchTellsARefusalAndEndsWithItsLastMessage) {
    ScriptedServer server({Expect("DELE 1\r\n"), Send("+OK message 1 deleted\r\n"),
                           Expect("DELE 3\r\n"), Send("-ERR message 3 already deleted\r\n"),
                           Expect("DELE 4\r\n"), Send("+OK message 4 deleted\r\n"),
                           ExpectClosed()});
    Open(server);
    std::vector<std::uint32_t> removed;
    auto remove = [&](std::uint32_t number) { removed.push_back(number); };
    for (std::uint32_t number : {1u, 3u}) {
        EXPECT_TRUE(PopDelete(session, number, false, services, remove));
        EXPECT_TRUE(InboxStatuses().empty());
    }
    EXPECT_TRUE(PopDelete(session, 4, true, services, remove));
    // A refused DELE is told, and the message still leaves the list.
    EXPECT_EQ(removed, (std::vector<std::uint32_t>{1, 3, 4}));
    ASSERT_EQ(services.Boxes().size(), 1u);
    EXPECT_EQ(services.Boxes()[0].text,
              "The mail server was unable to delete this message, either because it was deleted "
              "earlier or because of an internal server error.");
    EXPECT_EQ(services.Boxes()[0].caption, "Error during delete!");
    EXPECT_EQ(services.Boxes()[0].icon, BoxIcon::Error);
    EXPECT_EQ(InboxStatuses(), Lines{"Finished deleting message(s)"});
    EXPECT_FALSE(session.Busy());
    EXPECT_TRUE(session.connection.Connected());
    session.connection.Close();
    EXPECT_SCRIPT_DONE(server);
}

// One exchange each: what the inbox shows, and whether the session stays connected. A
// server that hangs up ends the inbox with one lost-connection notice.
TEST_F(InboxExchange, RepliesAndLostConnections) {
    using Run = std::function<bool(PopSession&, ScriptedServices&)>;  // true: the right outcome
    const Run dele = [](PopSession& s, ScriptedServices& v) {
        const bool kept = PopDelete(s, 2, false, v, [](std::uint32_t) { ADD_FAILURE(); });
        return !kept && s.last_result == NetResult::GracefullyClosed;
    };
    const Run noop = [](PopSession& s, ScriptedServices& v) {
        PopKeepAlive(s, v);
        return true;
    };
    const Run stat = [](PopSession& s, ScriptedServices& v) {
        RefreshMailboxStat(s, v);
        return true;
    };
    const auto reset = [](InboxExit exit) {
        return [exit](PopSession& s, ScriptedServices& v) { return PopResetAndExit(s, v) == exit; };
    };
    struct Case {
        std::vector<ScriptStep> script;
        bool hangs_up;  // after the script
        Run run;
        Lines statuses;
        const char* box;  // the one box shown, or none
        bool connected;
    };
    const std::string bye = "+OK dewey POP3 server signing off\r\n";
    const Case cases[] = {
        {{Expect("DELE 2\r\n")}, true, dele, {}, nullptr, false},
        {{Expect("NOOP\r\n"), Send("+OK\r\n")},
         false,
         noop,
         {"Prodding server . . .", "Connection is alive"},
         nullptr,
         true},
        {{Expect("NOOP\r\n"), Send("-ERR what?\r\n")},
         false,
         noop,
         {"Prodding server . . .", "Connection is alive"},
         nullptr,
         true},
        {{Expect("NOOP\r\n")}, true, noop, {"Prodding server . . ."}, nullptr, false},
        {{Expect("STAT\r\n"), Send("+OK 5 2150\r\n")},
         false,
         stat,
         {"Retrieving mailbox stat...", "Mailbox contains 5 message(s) occupying 2.1 KB"},
         nullptr,
         true},
        {{Expect("STAT\r\n"), Send("-ERR later\r\n")},
         false,
         stat,
         {"Retrieving mailbox stat...", "Mailbox stat unavailable"},
         "Tarvox: Server did not return mailbox stat",
         true},
        {{Expect("RSET\r\n"), Send("-ERR cannot reset now\r\n")},
         false,
         reset(InboxExit::StayOpen),
         {"Resetting mailbox and exiting . . .", "-ERR cannot reset now"},
         ": -ERR cannot reset now",
         true},
        {{Expect("RSET\r\n"), Send("+OK maildrop has 2 messages (320 octets)\r\n"),
          Expect("QUIT\r\n"), Send(bye)},
         false,
         reset(InboxExit::CloseInbox),
         {"Resetting mailbox and exiting . . .", "+OK maildrop has 2 messages (320 octets)"},
         nullptr,
         false},
        {{Expect("RSET\r\n")},
         true,
         reset(InboxExit::Lost),
         {"Resetting mailbox and exiting . . ."},
         nullptr,
         false},
        {{Expect("QUIT\r\n"), Send(bye)},
         false,
         [](PopSession& s, ScriptedServices& v) {
             return PopSaveAndExit(s, v) == InboxExit::CloseInbox;
         },
         {"Saving changes to mailbox and exiting . . ."},
         nullptr,
         false},
    };
    for (const Case& c : cases) {
        std::vector<ScriptStep> script = c.script;
        script.push_back(c.hangs_up ? CloseConnection() : ExpectClosed());
        ScriptedServer server(std::move(script));
        ScriptedServices shown;
        Open(server);
        EXPECT_TRUE(c.run(session, shown)) << c.script[0].description;
        EXPECT_EQ(shown.Statuses(StatusLine::Inbox), c.statuses);
        std::vector<std::string> boxes;
        for (const MessageBoxRequest& box : shown.Boxes()) {
            boxes.push_back(box.caption + ": " + box.text);
            EXPECT_EQ(box.icon, BoxIcon::Error);
        }
        EXPECT_EQ(boxes, c.box != nullptr ? Lines{c.box} : Lines{});
        EXPECT_EQ(shown.LostConnections(),
                  c.hangs_up ? std::vector<NetResult>{NetResult::GracefullyClosed} : std::vector<NetResult>{});
        EXPECT_FALSE(session.Busy());
        EXPECT_EQ(session.connection.Connected(), c.connected);
        session.connection.Close();
        EXPECT_SCRIPT_DONE(server);
    }
}

}  // namespace
}  // namespace tarvox
