#include "protocols/pop_session.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
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

NetResult ConnectTo(NetConnection& connection, const ScriptedServer& server) {
    NetAddress address;
    EXPECT_EQ(ResolveHost("127.0.0.1", server.port(), address), 0);
    return connection.Connect(false, address);
}

// ---- STAT and QUIT ----

TEST(PopStat, TakesCountAndSizeFromTheReply) {
    struct Case {
        std::string reply;
        bool parsed;
        std::uint32_t count, size;
    };
    const Case cases[] = {
        {"+OK 3 4500\r\n", true, 3, 4500},
        {"+OK 0 0\r\n", true, 0, 0},
        {"+OK  2   320 octets\r\n", true, 2, 320},
        {"+OK 4294967295 4294967295\r\n", true, 4294967295u, 4294967295u},
        // The reply arrived but is no answer: the result stays 1.
        {"+OK 3\r\n", false, 0, 0},
        {"+OK\r\n", false, 0, 0},
        {"+OK three 4500\r\n", false, 0, 0},
        {"-ERR mailbox locked\r\n", false, 0, 0},
        {"+ 3 4500\r\n", false, 0, 0},
    };
    for (const Case& c : cases) {
        ScriptedServer server({Expect("STAT\r\n"), Send(c.reply), ExpectClosed()});
        NetConnection connection;
        ASSERT_EQ(ConnectTo(connection, server), 1);
        std::uint32_t count = 0;
        std::uint32_t size = 0;
        NetResult result = 0;
        EXPECT_EQ(PopStat(connection, count, size, result), c.parsed) << c.reply;
        EXPECT_EQ(result, 1) << c.reply;
        if (c.parsed) {
            EXPECT_EQ(count, c.count) << c.reply;
            EXPECT_EQ(size, c.size) << c.reply;
        }
        connection.Close();
        EXPECT_SCRIPT_DONE(server);
    }
}

TEST(PopStat, LostConnectionGivesItsResult) {
    ScriptedServer server({Expect("STAT\r\n"), Send("+OK 3 "), CloseConnection()});
    NetConnection connection;
    ASSERT_EQ(ConnectTo(connection, server), 1);
    std::uint32_t count = 0;
    std::uint32_t size = 0;
    NetResult result = 0;
    EXPECT_FALSE(PopStat(connection, count, size, result));
    EXPECT_EQ(result, 11);
    connection.Close();
    EXPECT_SCRIPT_DONE(server);
}

TEST(PopQuit, SendsQuitReadsTheReplyAndCloses) {
    ScriptedServer server(
        {Expect("QUIT\r\n"), Send("+OK dewey POP3 server signing off\r\n"), ExpectClosed()});
    NetConnection connection;
    ASSERT_EQ(ConnectTo(connection, server), 1);
    std::string reply;
    EXPECT_EQ(PopQuit(connection, &reply, 512), 1);
    EXPECT_EQ(reply, "+OK dewey POP3 server signing off\r\n");
    EXPECT_FALSE(connection.Connected());
    EXPECT_SCRIPT_DONE(server);
}

TEST(PopQuit, ClosesAlsoWhenNoReplyComes) {
    ScriptedServer server({Expect("QUIT\r\n"), CloseConnection()});
    NetConnection connection;
    ASSERT_EQ(ConnectTo(connection, server), 1);
    std::string reply;
    EXPECT_EQ(PopQuit(connection, &reply, 512), 1);
    EXPECT_FALSE(connection.Connected());
    EXPECT_SCRIPT_DONE(server);
}

// ---- The recorded mailbox statistics ----

TEST(MailboxModified, ComparesWithTheRecordedCountAndSize) {
    struct Case {
        std::uint32_t count, size;
        bool modified;
    };
    // Recorded: 5 messages, 1000 bytes. Growing by up to 100 bytes a message, or shrinking by
    // up to 100 bytes, with the same count, is not counted as a change.
    const Case cases[] = {
        {5, 1000, false}, {5, 1400, false}, {5, 1500, false}, {5, 1501, true}, {5, 1600, true},
        {5, 950, false},  {5, 900, false},  {5, 899, true},   {5, 800, true},  {4, 1000, true},
        {6, 1000, true},  {1, 1000, true},  {4, 900, true},
    };
    for (const Case& c : cases) {
        Profile stored;
        stored.maildrop = {5, 1000};
        EXPECT_EQ(MailboxModified(stored, c.count, c.size), c.modified)
            << c.count << " messages, " << c.size << " bytes";
        EXPECT_EQ(stored.maildrop, (std::array<int, 2>{5, 1000}));
    }
}

TEST(MailboxModified, EmptyMailboxIsUnmodifiedAndClearsTheRecord) {
    Profile stored;
    stored.maildrop = {5, 1000};
    EXPECT_FALSE(MailboxModified(stored, 0, 0));
    EXPECT_EQ(stored.maildrop, (std::array<int, 2>{0, 0}));
    // The next mail, however small, is then a change.
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
        ASSERT_EQ(ConnectTo(session.connection, server), 1);
    }
    std::vector<std::string> InboxStatuses() const { return services.Statuses(StatusLine::Inbox); }

    PopSession session{nullptr};
    ScriptedServices services;
};

const char* const kDeleteRefused =
    "The mail server was unable to delete this message, either because it was deleted earlier "
    "or because of an internal server error.";

TEST_F(InboxExchange, DeleteBatch) {
    ScriptedServer server({Expect("DELE 1\r\n"), Send("+OK message 1 deleted\r\n"),
                           Expect("DELE 3\r\n"), Send("-ERR message 3 already deleted\r\n"),
                           Expect("DELE 4\r\n"), Send("+OK message 4 deleted\r\n"),
                           ExpectClosed()});
    Open(server);
    std::vector<std::uint32_t> removed;
    auto remove = [&](std::uint32_t number) { removed.push_back(number); };

    EXPECT_TRUE(PopDelete(session, 1, false, services, remove));
    EXPECT_TRUE(services.Boxes().empty());
    EXPECT_TRUE(InboxStatuses().empty());

    // A refused DELE is told, and the message still leaves the list.
    EXPECT_TRUE(PopDelete(session, 3, false, services, remove));
    ASSERT_EQ(services.Boxes().size(), 1u);
    EXPECT_EQ(services.Boxes()[0].text, kDeleteRefused);
    EXPECT_EQ(services.Boxes()[0].caption, "Error during delete!");
    EXPECT_EQ(services.Boxes()[0].icon, BoxIcon::Error);

    EXPECT_TRUE(PopDelete(session, 4, true, services, remove));
    EXPECT_EQ(removed, (std::vector<std::uint32_t>{1, 3, 4}));
    EXPECT_EQ(services.Boxes().size(), 1u);
    EXPECT_EQ(InboxStatuses(), (std::vector<std::string>{"Finished deleting message(s)"}));
    EXPECT_TRUE(session.connection.Connected());
    EXPECT_TRUE(services.LostConnections().empty());

    session.connection.Close();
    EXPECT_SCRIPT_DONE(server);
}

TEST_F(InboxExchange, RefusedDeleteAsLastOfBatch) {
    ScriptedServer server({Expect("DELE 2\r\n"), Send("-ERR no such message\r\n"), ExpectClosed()});
    Open(server);
    std::vector<std::uint32_t> removed;
    EXPECT_TRUE(PopDelete(session, 2, true, services,
                          [&](std::uint32_t number) { removed.push_back(number); }));
    EXPECT_EQ(removed, (std::vector<std::uint32_t>{2}));
    ASSERT_EQ(services.Boxes().size(), 1u);
    EXPECT_EQ(services.Boxes()[0].caption, "Error during delete!");
    EXPECT_EQ(InboxStatuses(), (std::vector<std::string>{"Finished deleting message(s)"}));
    session.connection.Close();
    EXPECT_SCRIPT_DONE(server);
}

TEST_F(InboxExchange, DeleteOnALostConnectionEndsTheInbox) {
    ScriptedServer server({Expect("DELE 2\r\n"), CloseConnection()});
    Open(server);
    std::vector<std::uint32_t> removed;
    EXPECT_FALSE(PopDelete(session, 2, false, services,
                           [&](std::uint32_t number) { removed.push_back(number); }));
    EXPECT_TRUE(removed.empty());
    EXPECT_TRUE(services.Boxes().empty());
    EXPECT_EQ(services.LostConnections(), (std::vector<NetResult>{11}));
    EXPECT_EQ(session.last_result, 11);
    EXPECT_FALSE(session.connection.Connected());
    EXPECT_SCRIPT_DONE(server);
}

TEST(PopKeepAlive, ConnectionIsAliveWhateverTheReply) {
    for (std::string reply : {"+OK\r\n", "-ERR what?\r\n"}) {
        ScriptedServer server({Expect("NOOP\r\n"), Send(reply), ExpectClosed()});
        ScriptedServices services;
        PopSession session(nullptr);
        ASSERT_EQ(ConnectTo(session.connection, server), 1);
        PopKeepAlive(session, services);
        EXPECT_EQ(services.Statuses(StatusLine::Inbox),
                  (std::vector<std::string>{"Prodding server . . .", "Connection is alive"}))
            << reply;
        EXPECT_TRUE(session.connection.Connected());
        EXPECT_TRUE(services.LostConnections().empty());
        session.connection.Close();
        EXPECT_SCRIPT_DONE(server);
    }
}

TEST_F(InboxExchange, KeepAliveOnALostConnection) {
    ScriptedServer server({Expect("NOOP\r\n"), CloseConnection()});
    Open(server);
    PopKeepAlive(session, services);
    EXPECT_EQ(InboxStatuses(), (std::vector<std::string>{"Prodding server . . ."}));
    EXPECT_EQ(services.LostConnections(), (std::vector<NetResult>{11}));
    EXPECT_FALSE(session.connection.Connected());
    EXPECT_SCRIPT_DONE(server);
}

TEST_F(InboxExchange, RefreshMailboxStatShowsTheCountAndSizeOrABox) {
    struct Case {
        const char* reply;
        const char* status;
        const char* box;
    };
    const Case cases[] = {
        {"+OK 5 2150\r\n", "Mailbox contains 5 message(s) occupying 2.1 KB", nullptr},
        {"-ERR later\r\n", "Mailbox stat unavailable", "Server did not return mailbox stat"},
    };
    for (const Case& c : cases) {
        ScriptedServer server({Expect("STAT\r\n"), Send(c.reply), ExpectClosed()});
        ScriptedServices shown;
        Open(server);
        RefreshMailboxStat(session, shown);
        EXPECT_EQ(shown.Statuses(StatusLine::Inbox),
                  (std::vector<std::string>{"Retrieving mailbox stat...", c.status}));
        ASSERT_EQ(shown.Boxes().size(), c.box != nullptr ? 1u : 0u) << c.reply;
        if (c.box != nullptr) {
            EXPECT_EQ(shown.Boxes()[0].text, c.box);
        }
        session.connection.Close();
        EXPECT_SCRIPT_DONE(server);
    }
}

TEST_F(InboxExchange, RefusedResetKeepsTheInboxOpen) {
    ScriptedServer server({Expect("RSET\r\n"), Send("-ERR cannot reset now\r\n"), ExpectClosed()});
    Open(server);
    EXPECT_EQ(PopResetAndExit(session, services), InboxExit::StayOpen);
    EXPECT_EQ(InboxStatuses(), (std::vector<std::string>{"Resetting mailbox and exiting . . .",
                                                         "-ERR cannot reset now"}));
    ASSERT_EQ(services.Boxes().size(), 1u);
    EXPECT_EQ(services.Boxes()[0].text, "-ERR cannot reset now");
    EXPECT_EQ(services.Boxes()[0].icon, BoxIcon::Error);
    EXPECT_TRUE(session.connection.Connected());
    session.connection.Close();
    EXPECT_SCRIPT_DONE(server);
}

TEST_F(InboxExchange, ResetThenQuitClosesTheInbox) {
    ScriptedServer server({Expect("RSET\r\n"), Send("+OK maildrop has 2 messages (320 octets)\r\n"),
                           Expect("QUIT\r\n"), Send("+OK dewey POP3 server signing off\r\n"),
                           ExpectClosed()});
    Open(server);
    EXPECT_EQ(PopResetAndExit(session, services), InboxExit::CloseInbox);
    EXPECT_EQ(InboxStatuses(),
              (std::vector<std::string>{"Resetting mailbox and exiting . . .",
                                        "+OK maildrop has 2 messages (320 octets)"}));
    EXPECT_TRUE(services.Boxes().empty());
    EXPECT_FALSE(session.connection.Connected());
    EXPECT_SCRIPT_DONE(server);
}

TEST_F(InboxExchange, ResetOnALostConnection) {
    ScriptedServer server({Expect("RSET\r\n"), CloseConnection()});
    Open(server);
    EXPECT_EQ(PopResetAndExit(session, services), InboxExit::Lost);
    EXPECT_EQ(services.LostConnections(), (std::vector<NetResult>{11}));
    EXPECT_TRUE(services.Boxes().empty());
    EXPECT_SCRIPT_DONE(server);
}

TEST_F(InboxExchange, SaveAndExitQuits) {
    ScriptedServer server({Expect("QUIT\r\n"),
                           Send("+OK dewey POP3 server signing off (2 messages left)\r\n"),
                           ExpectClosed()});
    Open(server);
    EXPECT_EQ(PopSaveAndExit(session, services), InboxExit::CloseInbox);
    EXPECT_EQ(InboxStatuses(),
              (std::vector<std::string>{"Saving changes to mailbox and exiting . . ."}));
    EXPECT_FALSE(session.connection.Connected());
    EXPECT_SCRIPT_DONE(server);
}

}  // namespace
}  // namespace tarvox
