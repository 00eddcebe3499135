#include "protocols/inbox_loader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "junk/junk_rules.h"
#include "junk/stored_flags.h"
#include "message/header_scan.h"
#include "net/net_connection.h"
#include "protocols/pop_session.h"
#include "support/scripted_server.h"
#include "support/scripted_services.h"

namespace tarvox {
namespace {

using namespace script;
using namespace std::chrono_literals;

// The header block of message n, as TOP n 0 returns it.
std::string Headers(std::uint32_t n) {
    return "From: Sender " + std::to_string(n) + " <s" + std::to_string(n) +
           "@example.org>\r\n"
           "To: alice@example.org\r\n"
           "Subject: Note " + std::to_string(n) + "\r\n"
           "Date: teatime " + std::to_string(n) + "\r\n"
           "\r\n";
}

std::string TopReply(const std::string& headers) { return "+OK\r\n" + headers + ".\r\n"; }

// The LIST reply for messages 1..count, message n listed as n * 1000 bytes.
std::string ListReply(std::uint32_t count) {
    std::string reply = "+OK " + std::to_string(count) + " messages\r\n";
    for (std::uint32_t n = 1; n <= count; ++n) {
        reply += std::to_string(n) + " " + std::to_string(n * 1000) + "\r\n";
    }
    return reply + ".\r\n";
}

// TOP n 0 and its reply for every n in [first, last].
void AddTops(std::vector<ScriptStep>& script, std::uint32_t first, std::uint32_t last) {
    for (std::uint32_t n = first; n <= last; ++n) {
        script.push_back(Expect("TOP " + std::to_string(n) + " 0\r\n"));
        script.push_back(Send(TopReply(Headers(n))));
    }
}

std::vector<std::uint32_t> RowNumbers(const MessageList& list) {
    std::vector<std::uint32_t> numbers;
    for (std::size_t i = 0; i < list.RowCount(); ++i) {
        numbers.push_back(list.RowAt(i).number);
    }
    return numbers;
}

class LoadInboxTest : public ::testing::Test {
protected:
    LoadInboxTest() {
        profile.name = "Alice";
        profile.user = "alice";
        profile.host = "pop.example.org";
        profile.autosort = 0;
        profile.alive = 0;
    }

    void Open(const ScriptedServer& server, std::uint32_t count, std::uint32_t size) {
        NetAddress address;
        ASSERT_EQ(ResolveHost("127.0.0.1", server.port(), address), 0);
        ASSERT_EQ(session.connection.Connect(false, address), 1);
        session.message_count = count;
        session.mailbox_size = size;
    }

    LoadOutcome Load() {
        InboxLoadRequest request;
        request.working = &profile;
        request.stored = &stored;
        request.set_title = [this](std::string_view title) { titles.emplace_back(title); };
        request.start_keep_alive = [this](std::chrono::milliseconds period) {
            keep_alive.push_back(period);
        };
        return LoadInbox(session, request, list, services);
    }

    std::vector<std::string> BoxTexts() const {
        std::vector<std::string> texts;
        for (const MessageBoxRequest& box : services.Boxes()) {
            texts.push_back(box.caption + ": " + box.text);
        }
        return texts;
    }

    Profile profile;
    ProfileList stored;
    PopSession session{nullptr};
    ScriptedServices services;
    MessageList list;
    std::vector<std::string> titles;
    std::vector<std::chrono::milliseconds> keep_alive;
};

TEST_F(LoadInboxTest, TwentyMessages) {
    profile.autosort = 1;
    profile.alive = 1;
    profile.nop_int = 45;
    std::vector<ScriptStep> script = {Expect("LIST\r\n"), Send(ListReply(20))};
    AddTops(script, 1, 20);
    ScriptedServer server(std::move(script));
    Open(server, 20, 210000);

    EXPECT_EQ(Load(), LoadOutcome::Loaded);
    EXPECT_SCRIPT_DONE(server);
    ASSERT_EQ(list.Count(), 20u);
    for (std::uint32_t n = 1; n <= 20; ++n) {
        const InboxEntry& entry = list.At(n - 1);
        EXPECT_EQ(entry.number, n);
        EXPECT_EQ(entry.subject, "Note " + std::to_string(n));
        EXPECT_EQ(entry.sender, "Sender " + std::to_string(n));
        EXPECT_EQ(entry.date, "teatime " + std::to_string(n));
        EXPECT_EQ(entry.recipient, "alice@example.org");
        EXPECT_EQ(entry.size_text, SizeText(n * 1000));
        EXPECT_EQ(entry.identity, ComputeMessageIdentity(ScanHeaders(Headers(n)))) << n;
    }
    EXPECT_EQ(list.At(0).size_text, "1.0 K");
    EXPECT_EQ(list.At(19).size_text, "19.5 K");
    EXPECT_EQ(RowNumbers(list).front(), 20u) << "autosort: newest first";
    EXPECT_EQ(RowNumbers(list).back(), 1u);

    const std::vector<std::string> statuses = services.Statuses(StatusLine::Inbox);
    ASSERT_GE(statuses.size(), 3u);
    EXPECT_EQ(statuses.front(), "Reading inbox [20 messages] . . .");
    EXPECT_NE(std::find(statuses.begin(), statuses.end(), "Reading message 7 of 20 . . . "),
              statuses.end());
    EXPECT_EQ(statuses.back(), "Loaded 20 message(s) occupying 205.1 KB");
    EXPECT_EQ(titles, (std::vector<std::string>{"Tarvox - alice on pop.example.org"}));
    EXPECT_EQ(keep_alive, (std::vector<std::chrono::milliseconds>{45000ms}));
    EXPECT_TRUE(services.Boxes().empty());
}

TEST_F(LoadInboxTest, ListReplyReadTheSameHoweverItArrives) {
    profile.parse = 0;
    const std::string reply = ListReply(12);
    struct Case {
        const char* what;
        ScriptStep send;
    };
    const Case cases[] = {
        {"whole", Send(reply)},
        {"byte by byte", SendSplit(reply, 1, 2ms)},
        {"three bytes at a time", SendSplit(reply, 3, 2ms)},
        {"line and a half at a time", SendSplit(reply, 11, 2ms)},
        {"end line alone", SendInPieces(reply, {reply.size() - 3})},
        {"end line cut after its dot", SendInPieces(reply, {reply.size() - 2})},
        {"status line cut in its CR LF", SendInPieces(reply, {reply.find('\n')})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedServer server({Expect("LIST\r\n"), c.send});
        PopSession fresh{nullptr};
        list = MessageList{};
        NetAddress address;
        ASSERT_EQ(ResolveHost("127.0.0.1", server.port(), address), 0);
        ASSERT_EQ(fresh.connection.Connect(false, address), 1);
        fresh.message_count = 12;
        InboxLoadRequest request;
        request.working = &profile;
        EXPECT_EQ(LoadInbox(fresh, request, list, services), LoadOutcome::Loaded);
        EXPECT_SCRIPT_DONE(server);
        ASSERT_EQ(fresh.sizes.size(), 12u);
        for (std::uint32_t n = 1; n <= 12; ++n) {
            EXPECT_EQ(fresh.sizes[n - 1], n * 1000) << n;
        }
        ASSERT_EQ(list.Count(), 12u);
        EXPECT_EQ(list.At(11).subject, "Message 12");
        EXPECT_EQ(list.At(11).size_text, "11.7 K");
    }
    EXPECT_TRUE(services.Boxes().empty());
}

TEST_F(LoadInboxTest, ListLineAtTheBufferLimit) {
    profile.parse = 0;
    // "1 000...0777\r\n": a line of exactly `length` bytes with its CR LF.
    auto line = [](std::size_t length) {
        std::string text = "1 ";
        text += std::string(length - 7, '0') + "777\r\n";
        return text;
    };
    ASSERT_EQ(line(kListLineBufferSize - 1).size(), kListLineBufferSize - 1);
    {
        ScriptedServer server({Expect("LIST\r\n"),
                               Send("+OK\r\n" + line(kListLineBufferSize - 1) + ".\r\n")});
        Open(server, 1, 777);
        EXPECT_EQ(Load(), LoadOutcome::Loaded);
        EXPECT_SCRIPT_DONE(server);
        EXPECT_EQ(session.sizes, (std::vector<std::uint32_t>{777}));
        EXPECT_TRUE(services.Boxes().empty());
    }
    {
        PopSession fresh{nullptr};
        ScriptedServer server({Expect("LIST\r\n"),
                               ClientMayClose(Send("+OK\r\n" + line(kListLineBufferSize) + ".\r\n"))});
        NetAddress address;
        ASSERT_EQ(ResolveHost("127.0.0.1", server.port(), address), 0);
        ASSERT_EQ(fresh.connection.Connect(false, address), 1);
        fresh.message_count = 1;
        InboxLoadRequest request;
        request.working = &profile;
        EXPECT_EQ(LoadInbox(fresh, request, list, services), LoadOutcome::Failed);
        EXPECT_SCRIPT_DONE(server);
        EXPECT_EQ(BoxTexts(), (std::vector<std::string>{
                                  "Error during LIST: " +
                                  std::string(NetResultText(net::kGracefullyClosed))}));
        EXPECT_FALSE(fresh.connection.Connected());
    }
}

TEST_F(LoadInboxTest, ListFailuresCloseTheInbox) {
    const std::string kProtocolError =
        "Protocol error: Unable to parse server's response to LIST command";
    struct Case {
        const char* what;
        std::vector<ScriptStep> script;
        std::string box;
    };
    std::vector<Case> cases;
    cases.push_back({"refused", {Expect("LIST\r\n"), Send("-ERR not now\r\n")}, kProtocolError});
    cases.push_back({"number without size",
                     {Expect("LIST\r\n"), ClientMayClose(Send("+OK\r\n1 300\r\n2\r\n.\r\n"))},
                     kProtocolError});
    cases.push_back({"not a number",
                     {Expect("LIST\r\n"), ClientMayClose(Send("+OK\r\nx 300\r\n.\r\n"))},
                     kProtocolError});
    cases.push_back({"connection dropped",
                     {Expect("LIST\r\n"), Send("+OK\r\n1 300\r\n"), CloseConnection()},
                     "Error during LIST: " + std::string(NetResultText(net::kGracefullyClosed))});
    for (Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedServer server(std::move(c.script));
        PopSession fresh{nullptr};
        ScriptedServices fresh_services;
        NetAddress address;
        ASSERT_EQ(ResolveHost("127.0.0.1", server.port(), address), 0);
        ASSERT_EQ(fresh.connection.Connect(false, address), 1);
        fresh.message_count = 2;
        InboxLoadRequest request;
        request.working = &profile;
        MessageList fresh_list;
        EXPECT_EQ(LoadInbox(fresh, request, fresh_list, fresh_services), LoadOutcome::Failed);
        EXPECT_SCRIPT_DONE(server);
        ASSERT_EQ(fresh_services.Boxes().size(), 1u);
        const MessageBoxRequest box = fresh_services.Boxes()[0];
        EXPECT_EQ(box.caption + ": " + box.text, c.box);
        EXPECT_EQ(box.icon, BoxIcon::Error);
        EXPECT_FALSE(fresh.connection.Connected());
        EXPECT_EQ(fresh_list.Count(), 0u);
        EXPECT_TRUE(fresh_services.LostConnections().empty());
    }
}

TEST_F(LoadInboxTest, NumbersOutsideTheMailboxAreIgnored) {
    profile.parse = 0;
    ScriptedServer server({Expect("LIST\r\n"), Send("+OK\r\n0 5\r\n2 200\r\n3 300\r\n.\r\n")});
    Open(server, 2, 200);
    EXPECT_EQ(Load(), LoadOutcome::Loaded);
    EXPECT_SCRIPT_DONE(server);
    EXPECT_EQ(session.sizes, (std::vector<std::uint32_t>{0, 200}));
}

TEST_F(LoadInboxTest, OnlyTheListingSizesTheTable) {
    profile.parse = 0;
    ScriptedServer server({Expect("LIST\r\n"), Send("+OK\r\n1 300\r\n3999999999 5\r\n.\r\n")});
    Open(server, 4000000000u, 305);
    EXPECT_EQ(Load(), LoadOutcome::Loaded);
    EXPECT_SCRIPT_DONE(server);
    EXPECT_EQ(session.sizes, (std::vector<std::uint32_t>{300}));
    EXPECT_EQ(RowNumbers(list), (std::vector<std::uint32_t>{1}));
}

TEST_F(LoadInboxTest, PartialMode) {
    struct Case {
        int maximum;
        std::uint32_t first;
        std::string status;
    };
    const Case cases[] = {
        {2, 4, "Showing 2 newest from total 5 messages (mailbox size: 14.6 KB)"},
        {4, 2, "Showing 4 newest from total 5 messages (mailbox size: 14.6 KB)"},
        {5, 1, "Loaded 5 message(s) occupying 14.6 KB"},
        {9, 1, "Loaded 5 message(s) occupying 14.6 KB"},
    };
    profile.mode = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.maximum);
        profile.maximum = c.maximum;
        std::vector<ScriptStep> script = {Expect("LIST\r\n"), Send(ListReply(5))};
        AddTops(script, c.first, 5);
        ScriptedServer server(std::move(script));
        PopSession fresh{nullptr};
        ScriptedServices fresh_services;
        NetAddress address;
        ASSERT_EQ(ResolveHost("127.0.0.1", server.port(), address), 0);
        ASSERT_EQ(fresh.connection.Connect(false, address), 1);
        fresh.message_count = 5;
        fresh.mailbox_size = 15000;
        InboxLoadRequest request;
        request.working = &profile;
        MessageList fresh_list;
        EXPECT_EQ(LoadInbox(fresh, request, fresh_list, fresh_services), LoadOutcome::Loaded);
        EXPECT_SCRIPT_DONE(server);
        EXPECT_EQ(fresh.sizes, (std::vector<std::uint32_t>{1000, 2000, 3000, 4000, 5000}))
            << "LIST sizes are all read";
        ASSERT_EQ(fresh_list.Count(), 5 - c.first + 1);
        EXPECT_EQ(fresh_list.At(0).number, c.first);
        EXPECT_EQ(fresh_services.LastStatus(StatusLine::Inbox), c.status);
    }
}

TEST_F(LoadInboxTest, PurgeAnsweredNoLoadsAsUsual) {
    profile.mode = 2;
    std::vector<ScriptStep> script = {Expect("LIST\r\n"), Send(ListReply(2))};
    AddTops(script, 1, 2);
    ScriptedServer server(std::move(script));
    Open(server, 2, 3072);
    services.QueueBoxAnswer(BoxAnswer::No);
    EXPECT_EQ(Load(), LoadOutcome::Loaded);
    EXPECT_SCRIPT_DONE(server);
    EXPECT_EQ(list.Count(), 2u);
    EXPECT_EQ(titles, (std::vector<std::string>{"Tarvox - Purge mode", "Tarvox - Reading inbox",
                                                "Tarvox - alice on pop.example.org"}));
    ASSERT_EQ(services.Boxes().size(), 1u);
    const MessageBoxRequest box = services.Boxes()[0];
    EXPECT_EQ(box.text,
              "WARNING: You have indicated that you wish to delete all mail from your POP3 "
              "mailbox. Your mailbox currently contains 2 messages occupying 3.0 KB. DO YOU WISH "
              "TO DELETE ALL OF THIS MAIL?");
    EXPECT_EQ(box.caption, "Tarvox");
    EXPECT_EQ(box.icon, BoxIcon::Warning);
    EXPECT_EQ(box.buttons, BoxButtons::YesNoDefaultNo);
}

TEST_F(LoadInboxTest, PurgeAnsweredYesThenLastChance) {
    profile.mode = 2;
    struct Case {
        BoxAnswer last_chance;
        std::vector<ScriptStep> ending;
    };
    Case cases[] = {
        {BoxAnswer::Yes, {Expect("QUIT\r\n"), Send("+OK bye\r\n")}},
        {BoxAnswer::No,
         {Expect("RSET\r\n"), Send("+OK\r\n"), Expect("QUIT\r\n"), Send("+OK bye\r\n")}},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.last_chance == BoxAnswer::Yes ? "Yes" : "No");
        std::vector<ScriptStep> script = {Expect("DELE 1\r\n"), Send("+OK\r\n"),
                                          Expect("DELE 2\r\n"), Send("-ERR locked\r\n"),
                                          Expect("DELE 3\r\n"), Send("+OK\r\n")};
        for (ScriptStep& step : c.ending) {
            script.push_back(std::move(step));
        }
        ScriptedServer server(std::move(script));
        PopSession fresh{nullptr};
        ScriptedServices fresh_services;
        NetAddress address;
        ASSERT_EQ(ResolveHost("127.0.0.1", server.port(), address), 0);
        ASSERT_EQ(fresh.connection.Connect(false, address), 1);
        fresh.message_count = 3;
        fresh.mailbox_size = 1536;
        fresh_services.QueueBoxAnswer(BoxAnswer::Yes);
        fresh_services.QueueBoxAnswer(c.last_chance);
        InboxLoadRequest request;
        request.working = &profile;
        MessageList fresh_list;
        EXPECT_EQ(LoadInbox(fresh, request, fresh_list, fresh_services), LoadOutcome::Purged);
        EXPECT_SCRIPT_DONE(server);
        EXPECT_EQ(fresh_list.Count(), 0u);
        const auto boxes = fresh_services.Boxes();
        ASSERT_EQ(boxes.size(), 2u) << "a refused DELE is not judged";
        EXPECT_EQ(boxes[1].text, "LAST CHANCE. Confirm delete? (Yes writes changes to mailbox).");
        EXPECT_EQ(boxes[1].buttons, BoxButtons::YesNoDefaultNo);
        const auto statuses = fresh_services.Statuses(StatusLine::Inbox);
        ASSERT_GE(statuses.size(), 4u);
        EXPECT_EQ(std::vector<std::string>(statuses.begin(), statuses.begin() + 4),
                  (std::vector<std::string>{"Reading inbox [3 messages] . . .",
                                            "Deleting message 1 of 3 . . . 33%",
                                            "Deleting message 2 of 3 . . . 66%",
                                            "Deleting message 3 of 3 . . . 100%"}));
        EXPECT_FALSE(fresh.connection.Connected());
    }
}

TEST_F(LoadInboxTest, RefusedTopClosesTheInbox) {
    ScriptedServer server({Expect("LIST\r\n"), Send(ListReply(3)), Expect("TOP 1 0\r\n"),
                           Send(TopReply(Headers(1))), Expect("TOP 2 0\r\n"),
                           Send("-ERR no such message\r\n")});
    Open(server, 3, 6000);
    EXPECT_EQ(Load(), LoadOutcome::Failed);
    EXPECT_SCRIPT_DONE(server);
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{
                              ": Server refused to send message (mailbox out of sync?). Please "
                              "restart program."}));
    EXPECT_FALSE(session.connection.Connected());
    EXPECT_TRUE(titles.empty());
}

TEST_F(LoadInboxTest, ConnectionLostDuringTop) {
    ScriptedServer server({Expect("LIST\r\n"), Send(ListReply(2)), Expect("TOP 1 0\r\n"),
                           Send("+OK\r\nFrom: a@example.org\r\n"), CloseConnection()});
    Open(server, 2, 3000);
    EXPECT_EQ(Load(), LoadOutcome::Lost);
    EXPECT_SCRIPT_DONE(server);
    EXPECT_EQ(services.LostConnections().size(), 1u);
    EXPECT_TRUE(services.Boxes().empty());
}

TEST_F(LoadInboxTest, JunkVerdictsStoredFlagsAndOriginFromTheStoredProfile) {
    profile.blacklist = "lottery";
    profile.ispnetworks = "198.51.100.";  // the working copy's list is not the one used
    Profile saved = profile;
    saved.ispnetworks = "192.0.2.";
    const std::string ham =
        "Received: from relay.example.net ([192.0.2.7]) by mx\r\n"
        "Received: from outside.example.com ([198.51.100.20]) by relay\r\n"
        "From: Carol <carol@example.org>\r\n"
        "Subject: minutes\r\n"
        "Status: RO\r\n"
        "\r\n";
    const std::string spam =
        "From: Winner <win@example.com>\r\n"
        "Subject: Your LOTTERY prize\r\n"
        "\r\n";
    const MessageIdentity ham_identity = ComputeMessageIdentity(ScanHeaders(ham));
    saved.msgid = BuildStoredFlags(std::vector<FlaggedMessage>{{ham_identity, kFlagReplied}});
    AppendProfile(stored, saved);
    profile.use_status = 1;

    ScriptedServer server({Expect("LIST\r\n"), Send(ListReply(2)), Expect("TOP 1 0\r\n"),
                           Send(TopReply(ham)), Expect("TOP 2 0\r\n"), Send(TopReply(spam))});
    Open(server, 2, 3000);
    EXPECT_EQ(Load(), LoadOutcome::Loaded);
    EXPECT_SCRIPT_DONE(server);
    ASSERT_EQ(list.Count(), 2u);
    EXPECT_EQ(list.At(0).junk_verdict, verdict::kNotJunk);
    EXPECT_EQ(list.At(0).flags, kFlagRead | kFlagReplied) << "stored Replied, Status Read";
    EXPECT_EQ(list.At(0).originating_address, "198.51.100.20");
    EXPECT_EQ(list.At(1).junk_verdict, verdict::kBlacklist);
    EXPECT_EQ(list.At(1).flags, 0u);
    EXPECT_EQ(list.SelectedNumbers(), (std::vector<std::uint32_t>{2}));
}

}  // namespace
}  // namespace tarvox
