#include "protocols/inbox_loader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <string>
#include <tuple>

#include "junk/stored_flags.h"
#include "message/header_scan.h"
#include "protocol_fixture.h"
#include "protocols/pop_session.h"

namespace tarvox {
namespace {

using namespace script;
using namespace std::chrono_literals;
using Numbers = std::vector<std::uint32_t>;

std::string TopReply(std::uint32_t n) { return "+OK\r\nSubject: Note " + std::to_string(n) + "\r\n\r\n.\r\n"; }

// The LIST reply for messages 1..count, message n listed as n * 1000 bytes.
std::string ListReply(std::uint32_t count) {
    std::string reply = "+OK " + std::to_string(count) + " messages\r\n";
    for (std::uint32_t n = 1; n <= count; ++n) {
        reply += std::to_string(n) + " " + std::to_string(n * 1000) + "\r\n";
    }
    return reply + ".\r\n";
}

// TOP n 0 for every n in [first, last], and their replies, each as one text.
std::pair<std::string, std::string> Tops(std::uint32_t first, std::uint32_t last) {
    std::pair<std::string, std::string> tops;
    for (std::uint32_t n = first; n <= last; ++n) {
        tops.first += "TOP " + std::to_string(n) + " 0\r\n";
        tops.second += TopReply(n);
    }
    return tops;
}

// LIST of `count` messages, then TOP n 0 and its reply for every n in [first, count].
Script ListAndTops(std::uint32_t count, std::uint32_t first = 1) {
    Script script = {Expect("LIST\r\n"), Send(ListReply(count))};
    for (std::uint32_t n = first; n <= count; ++n) {
        script.push_back(Expect("TOP " + std::to_string(n) + " 0\r\n"));
        script.push_back(Send(TopReply(n)));
    }
    return script;
}

class LoadInboxTest : public ::testing::Test {
protected:
    // Loads `count` messages of `size` bytes in all from a fresh session; boxes get `answers`.
    LoadOutcome Load(Script script, std::uint32_t count, std::uint32_t size = 0,
                     const std::vector<BoxAnswer>& answers = {}) {
        session.emplace(nullptr);
        session->capabilities = capabilities;
        services.emplace();
        list = MessageList{};
        titles.clear();
        for (BoxAnswer answer : answers) {
            services->QueueBoxAnswer(answer);
        }
        ScriptedServer server(std::move(script));
        EXPECT_EQ(ConnectTo(session->connection, server), NetResult::Success);
        session->message_count = count;
        session->mailbox_size = size;
        const InboxLoadRequest request{&profile, &stored,
                                       [this](std::string_view title) { titles.emplace_back(title); },
                                       [this](std::chrono::milliseconds period) { keep_alive.push_back(period); }};
        const LoadOutcome outcome = LoadInbox(*session, request, list, *services);
        EXPECT_SCRIPT_DONE(server);
        return outcome;
    }

    Profile profile{.name = "Alice", .alive = 0, .autosort = 0, .host = "pop.example.org", .user = "alice"};
    ProfileList stored;
    PopCapabilities capabilities;  // what the session's server listed
    std::optional<PopSession> session;
    std::optional<ScriptedServices> services;
    MessageList list;
    Lines titles;
    std::vector<std::chrono::milliseconds> keep_alive;
};

// Full mode reads every message's headers, Partial mode those of the newest `maximum`; LIST sizes them all.
TEST_F(LoadInboxTest, ReadsTheHeadersOfAllOrOfTheNewest) {
    profile.autosort = 1;
    profile.alive = 1;
    profile.nop_int = 45;
    const std::tuple<MailboxMode, int, std::uint32_t, std::uint32_t, std::string> cases[] = {
        // mode, maximum, messages, the first one read, the last status
        {MailboxMode::Full, 0, 20, 1, "Loaded 20 message(s) occupying 205.1 KB"},
        {MailboxMode::Partial, 2, 5, 4, "Showing 2 newest from total 5 messages (mailbox size: 14.6 KB)"},
        {MailboxMode::Partial, 5, 5, 1, "Loaded 5 message(s) occupying 14.6 KB"},
        {MailboxMode::Partial, 9, 5, 1, "Loaded 5 message(s) occupying 14.6 KB"},
    };
    for (const auto& [mode, maximum, count, first, status] : cases) {
        SCOPED_TRACE(maximum);
        profile.mode = mode;
        profile.maximum = maximum;
        keep_alive.clear();
        EXPECT_EQ(Load(ListAndTops(count, first), count, count * (count + 1) * 500), LoadOutcome::Loaded);
        EXPECT_EQ(session->sizes.size(), count) << "all LIST sizes are read";
        ASSERT_EQ(list.Count(), count - first + 1);
        for (std::uint32_t n = first; n <= count; ++n) {
            EXPECT_EQ(list.At(n - first).subject, "Note " + std::to_string(n));
            EXPECT_EQ(list.At(n - first).size_text, SizeText(n * 1000));
        }
        EXPECT_EQ(list.RowAt(0).number, count) << "autosort: newest first";
        const Lines statuses = services->Statuses(StatusLine::Inbox);
        const std::string all = std::to_string(count);
        EXPECT_EQ(statuses.front(), "Reading inbox [" + all + " messages] . . .");
        EXPECT_EQ(std::count(statuses.begin(), statuses.end(), "Reading message " + all + " of " + all + " . . . "), 1);
        EXPECT_EQ(statuses.back(), status);
        EXPECT_EQ(titles, Lines{"Tarvox - alice on pop.example.org"});
        EXPECT_EQ(keep_alive, std::vector<std::chrono::milliseconds>{45000ms});
        EXPECT_TRUE(services->Boxes().empty());
    }
}

// Sizes from LIST however its reply arrives; only listed numbers inside the mailbox count, and a line
// of exactly the buffer's length with its CR LF is read.
TEST_F(LoadInboxTest, ListSizesTheTable) {
    profile.parse = 0;
    const std::string reply = ListReply(12);
    const Numbers twelve = {1000, 2000, 3000, 4000, 5000, 6000, 7000, 8000, 9000, 10000, 11000, 12000};
    const auto listed = [](const std::string& lines) { return Send("+OK\r\n" + lines + ".\r\n"); };
    const struct {
        ScriptStep send;
        std::uint32_t count;
        Numbers sizes;
    } cases[] = {
        {Send(reply), 12, twelve}, {SendSplit(reply, 1, 2ms), 12, twelve}, {SendSplit(reply, 3, 2ms), 12, twelve},
        {SendSplit(reply, 11, 2ms), 12, twelve},                // a line and a half at a time
        {SendInPieces(reply, {reply.size() - 3}), 12, twelve},  // the end line alone
        {SendInPieces(reply, {reply.size() - 2}), 12, twelve},  // the end line cut after its dot
        {SendInPieces(reply, {reply.find('\n')}), 12, twelve},  // the status line cut in its CR LF
        {listed("0 5\r\n2 200\r\n3 300\r\n"), 2, {0, 200}},
        {listed("1 300\r\n3999999999 5\r\n"), 4000000000u, {300}},
        {listed("1 " + std::string(kListLineBufferSize - 8, '0') + "777\r\n"), 1, {777}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.send.description);
        EXPECT_EQ(Load({Expect("LIST\r\n"), c.send}, c.count), LoadOutcome::Loaded);
        EXPECT_EQ(session->sizes, c.sizes);
        EXPECT_EQ(list.RowCount(), c.sizes.size());
    }
    EXPECT_EQ(list.At(0).subject + ", " + list.At(0).size_text, "Message 1, 0.8 K");  // headers not read
}

// With PIPELINING the first 1024 TOP commands go out with LIST in one write, the next ones once a quarter
// are answered; however the replies arrive, the list and statuses are the lock-step ones. TOP commands sent
// for messages that STAT counts but LIST does not give are answered too, and read past.
TEST_F(LoadInboxTest, PipelinedLoadingGivesWhatLockStepGives) {
    const auto [commands, replies] = Tops(1, 4);
    const std::string listed = ListReply(4);
    const std::string stream = listed + replies;
    const std::size_t two = listed.size() + TopReply(1).size() + TopReply(2).size();
    const struct {
        std::uint32_t listed;
        Script pipelined;
        std::uint32_t stat = 0;  // when STAT counts more than LIST gives
    } cases[] = {
        {4, {Expect("LIST\r\n" + commands), Send(stream)}},
        {4, {Expect("LIST\r\n" + commands),
             SendInPieces(stream, {listed.size() - 2, listed.size() + 3, two, two + 7, stream.size() - 3})}},
        {4, {Expect("LIST\r\n" + commands), SendSplit(stream, 5, 1ms)}},
        {1300, {Expect("LIST\r\n" + Tops(1, 1024).first), Send(ListReply(1300) + Tops(1, 256).second),
                Expect(Tops(1025, 1280).first), Send(Tops(257, 1280).second), Expect(Tops(1281, 1300).first),
                Send(Tops(1281, 1300).second)}},
        {4, {Expect("LIST\r\n" + Tops(1, 6).first), Send(stream + "-ERR no such message\r\n" + TopReply(6))}, 6},
    };
    const auto loaded = [this] {
        std::vector<InboxEntry> entries;
        for (std::size_t i = 0; i < list.Count(); ++i) {
            entries.push_back(list.At(i));
        }
        return std::pair(entries, services->Statuses(StatusLine::Inbox));
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pipelined[1].description);
        const std::uint32_t stat = std::max(c.stat, c.listed);
        capabilities.pipelining = false;
        ASSERT_EQ(Load(ListAndTops(c.listed), stat), LoadOutcome::Loaded);
        const auto lock_step = loaded();
        capabilities.pipelining = true;
        ASSERT_EQ(Load(c.pipelined, stat), LoadOutcome::Loaded);
        EXPECT_EQ(loaded(), lock_step);
        EXPECT_TRUE(session->connection.Connected());
    }
}

TEST_F(LoadInboxTest, FailuresCloseTheInbox) {
    const std::string parse = "Protocol error: Unable to parse server's response to LIST command";
    const std::string closed = "Error during LIST: " + std::string(NetResultText(NetResult::GracefullyClosed));
    const std::string line_over(kListLineBufferSize - 7, '0');
    const Script list = {Expect("LIST\r\n"), Send(ListReply(3))};
    const struct {
        Script script;
        LoadOutcome outcome;
        Lines boxes;
        bool pipelined = false;
    } cases[] = {
        {{Expect("LIST\r\n"), Send("-ERR not now\r\n")}, LoadOutcome::Failed, {parse}},
        {{Expect("LIST\r\n"), ClientMayClose(Send("+OK\r\n1 300\r\n2\r\n.\r\n"))}, LoadOutcome::Failed, {parse}},
        {{Expect("LIST\r\n"), ClientMayClose(Send("+OK\r\nx 300\r\n.\r\n"))}, LoadOutcome::Failed, {parse}},
        {{Expect("LIST\r\n"), Send("+OK\r\n1 300\r\n"), CloseConnection()}, LoadOutcome::Failed, {closed}},
        // A LIST line one byte longer than the buffer.
        {{Expect("LIST\r\n"), ClientMayClose(Send("+OK\r\n1 " + line_over + "777\r\n.\r\n"))},
         LoadOutcome::Failed, {closed}},
        {{list[0], list[1], Expect("TOP 1 0\r\n"), Send(TopReply(1)), Expect("TOP 2 0\r\n"),
          Send("-ERR no such message\r\n")},
         LoadOutcome::Failed,
         {"Server refused to send message (mailbox out of sync?). Please restart program."}},
        {{list[0], list[1], Expect("TOP 1 0\r\n"), Send("+OK\r\nFrom: a@example.org\r\n"), CloseConnection()},
         LoadOutcome::Lost, {}},
        // Pipelined: a refusal or a hang-up in the middle of a batch ends the load as one at a time.
        {{list[0], list[1], Expect(Tops(1, 3).first), Send(TopReply(1) + "-ERR no such message\r\n")},
         LoadOutcome::Failed,
         {"Server refused to send message (mailbox out of sync?). Please restart program."}, true},
        {{list[0], list[1], Expect(Tops(1, 3).first), Send(TopReply(1) + "+OK\r\nFrom: a@"), CloseConnection()},
         LoadOutcome::Lost, {}, true},
        // A reply without its text takes in the next reply: out of step, never shown under another's row.
        {{list[0], list[1], Expect(Tops(1, 3).first), ClientMayClose(Send("+OK\r\n" + Tops(2, 3).second))},
         LoadOutcome::Failed,
         {"Server refused to send message (mailbox out of sync?). Please restart program."}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.script[1].description);
        capabilities.pipelining = c.pipelined;
        EXPECT_EQ(Load(c.script, 3, 6000), c.outcome);
        EXPECT_EQ(BoxTexts(*services), c.boxes);
        EXPECT_EQ(services->LostConnections().size(), c.outcome == LoadOutcome::Lost ? 1u : 0u);
        EXPECT_FALSE(session->connection.Connected());
        EXPECT_TRUE(titles.empty());
    }
}

TEST_F(LoadInboxTest, PurgeDeletesEverythingOnlyAfterTwoYes) {
    profile.mode = MailboxMode::Purge;
    const std::string warning =
        "Tarvox: WARNING: You have indicated that you wish to delete all mail from your POP3 "
        "mailbox. Your mailbox currently contains 3 messages occupying 3.0 KB. DO YOU WISH TO "
        "DELETE ALL OF THIS MAIL?";
    const std::string last_chance = "Tarvox: LAST CHANCE. Confirm delete? (Yes writes changes to mailbox).";
    // A refused DELE is not judged; with PIPELINING the DELE commands go ahead of the replies.
    const Script deletes = {Expect("DELE 1\r\n"), Send("+OK\r\n"), Expect("DELE 2\r\n"),
                            Send("-ERR locked\r\n"), Expect("DELE 3\r\n"), Send("+OK\r\n")};
    const Script pipelined = {Expect("DELE 1\r\nDELE 2\r\nDELE 3\r\n"), Send("+OK\r\n-ERR locked\r\n+OK\r\n")};
    const Script bye = {Expect("QUIT\r\n"), Send("+OK bye\r\n")};
    const struct {
        std::vector<BoxAnswer> answers;
        Script script;
        LoadOutcome outcome;
        bool pipelined = false;
    } cases[] = {
        {{BoxAnswer::No}, ListAndTops(3), LoadOutcome::Loaded},
        {{BoxAnswer::Yes, BoxAnswer::No}, Join({deletes, {Expect("RSET\r\n"), Send("+OK\r\n")}, bye}),
         LoadOutcome::Purged},
        {{BoxAnswer::Yes, BoxAnswer::Yes}, Join({deletes, bye}), LoadOutcome::Purged},
        {{BoxAnswer::Yes, BoxAnswer::Yes}, Join({pipelined, bye}), LoadOutcome::Purged, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.script[0].description);
        capabilities.pipelining = c.pipelined;
        EXPECT_EQ(Load(c.script, 3, 3072, c.answers), c.outcome);
        EXPECT_EQ(BoxTexts(*services, BoxIcon::Warning),
                  (c.answers.size() == 1 ? Lines{warning} : Lines{warning, last_chance}));
        EXPECT_TRUE(std::ranges::all_of(services->Boxes(), [](const MessageBoxRequest& box) {
            return box.buttons == BoxButtons::YesNoDefaultNo; }));
        if (c.outcome == LoadOutcome::Loaded) {
            EXPECT_EQ(list.Count(), 3u);
            EXPECT_EQ(titles, (Lines{"Tarvox - Purge mode", "Tarvox - Reading inbox",
                                     "Tarvox - alice on pop.example.org"}));
            continue;
        }
        EXPECT_EQ(list.Count(), 0u);
        const Lines statuses = services->Statuses(StatusLine::Inbox);
        ASSERT_GE(statuses.size(), 4u);
        EXPECT_EQ(Lines(statuses.begin(), statuses.begin() + 4),
                  (Lines{"Reading inbox [3 messages] . . .", "Deleting message 1 of 3 . . . 33%",
                         "Deleting message 2 of 3 . . . 66%", "Deleting message 3 of 3 . . . 100%"}));
        EXPECT_FALSE(session->connection.Connected());
    }
}

TEST_F(LoadInboxTest, JunkVerdictsStoredFlagsAndOriginFromTheStoredProfile) {
    profile.blacklist = "lottery";
    profile.ispnetworks = "198.51.100.";  // the working copy's list is not the one used
    Profile saved = profile;
    saved.ispnetworks = "192.0.2.";
    const std::string ham =
        "Received: from relay.example.net ([192.0.2.7]) by mx\r\n"
        "Received: from outside.example.com ([198.51.100.20]) by relay\r\n"
        "From: Carol <carol@example.org>\r\nSubject: minutes\r\nStatus: RO\r\n\r\n";
    const std::string spam = "From: Winner <win@example.com>\r\nSubject: Your LOTTERY prize\r\n\r\n";
    const MessageIdentity ham_identity = ComputeMessageIdentity(ScanHeaders(ham));
    saved.msgid = BuildStoredFlags(std::vector<FlaggedMessage>{{ham_identity, kFlagReplied}});
    AppendProfile(stored, saved);
    profile.use_status = 1;

    EXPECT_EQ(Load({Expect("LIST\r\n"), Send(ListReply(2)), Expect("TOP 1 0\r\n"),
                    Send("+OK\r\n" + ham + ".\r\n"), Expect("TOP 2 0\r\n"), Send("+OK\r\n" + spam + ".\r\n")},
                   2, 3000),
              LoadOutcome::Loaded);
    ASSERT_EQ(list.Count(), 2u);
    EXPECT_EQ(list.At(0).junk_verdict, JunkVerdict::NotJunk);
    EXPECT_EQ(list.At(0).flags, kFlagRead | kFlagReplied) << "stored Replied, Status Read";
    EXPECT_EQ(list.At(0).originating_address, "198.51.100.20");
    EXPECT_EQ(list.At(1).junk_verdict, JunkVerdict::Blacklist);
    EXPECT_EQ(list.At(1).flags, 0u);
}

}  // namespace
}  // namespace tarvox
