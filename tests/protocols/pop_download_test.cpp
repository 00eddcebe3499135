#include "protocols/pop_download.h"

#include <gtest/gtest.h>

#include <chrono>
#include <span>
#include <string>
#include <vector>

#include "net/net_connection.h"
#include "protocols/pop_session.h"
#include "support/scripted_server.h"
#include "support/scripted_services.h"

namespace tarvox {
namespace {

using namespace script;
using namespace std::chrono_literals;

constexpr std::string_view kOutOfSyncBox =
    "Server refused to send message (mailbox out of sync?). Please restart program.";
constexpr std::string_view kOutOfSyncStatus = "Server gave error response. Please restart Tarvox";

// A message as it travels: CR LF lines, dot-stuffed, ending in the terminating line.
const std::string kMessage =
    "Subject: lunch\r\n"
    "From: alice@example.org\r\n"
    "\r\n"
    "Noon?\r\n"
    "..and a line that began with a dot\r\n"
    ".\r\n";

// `count` numbered lines of 64 bytes, then the terminating line.
std::string Lines(std::size_t count) {
    std::string text;
    text.reserve(count * 64 + 3);
    for (std::size_t i = 0; i < count; ++i) {
        std::string line = "line " + std::to_string(i) + " ";
        line.resize(62, 'x');
        text += line + "\r\n";
    }
    return text + ".\r\n";
}

class Download : public ::testing::Test {
protected:
    // A logged-in session on the server's connection, with the sizes LIST gave.
    void Open(const ScriptedServer& server, std::vector<std::uint32_t> sizes) {
        NetAddress address;
        ASSERT_EQ(ResolveHost("127.0.0.1", server.port(), address), 0);
        ASSERT_EQ(session.connection.Connect(false, address), 1);
        session.sizes = std::move(sizes);
    }
    static DownloadRequest Retr(std::uint32_t number) {
        DownloadRequest request;
        request.message_number = number;
        request.progress_prefix = "Downloading message . . . ";
        return request;
    }
    DownloadResult Retrieve(std::uint32_t number) {
        return PopDownload(session, Retr(number), message, services);
    }

    PopSession session{nullptr};
    ScriptedServices services;
    DownloadedMessage message;
};

TEST_F(Download, EndMarkerSplitAcrossChunks) {
    const std::string reply = "+OK message follows\r\n" + kMessage;
    const std::size_t marker = reply.size() - 5;  // where "\r\n.\r\n" begins
    const std::vector<std::vector<std::size_t>> cuts = {
        {marker},
        {marker + 1},
        {marker + 2},
        {marker + 3},
        {marker + 4},
        {5, marker + 2},
        {15, 16, marker + 1, marker + 3},
    };
    for (const std::vector<std::size_t>& cut : cuts) {
        ScriptedServer server({Expect("RETR 2\r\n"), SendInPieces(reply, cut), ExpectClosed()});
        session.connection.Close();
        Open(server, {300, static_cast<std::uint32_t>(kMessage.size())});
        EXPECT_EQ(Retrieve(2), DownloadResult::Complete) << "cut at " << cut.back();
        EXPECT_EQ(message.Text(), kMessage) << "cut at " << cut.back();
        EXPECT_TRUE(session.connection.Connected());
        session.connection.Close();
        EXPECT_SCRIPT_DONE(server);
    }
}

TEST_F(Download, EmptyMessage) {
    ScriptedServer server({Expect("RETR 1\r\n"), Send("+OK 0 octets\r\n.\r\n"), ExpectClosed()});
    Open(server, {0});
    EXPECT_EQ(Retrieve(1), DownloadResult::Complete);
    EXPECT_EQ(message.Text(), ".\r\n");
    session.connection.Close();
    EXPECT_SCRIPT_DONE(server);
}

TEST_F(Download, TopAsksForTheHeadersAndSomeLines) {
    const std::string head = "Subject: lunch\r\n\r\nNoon?\r\n.\r\n";
    ScriptedServer server(
        {Expect("TOP 3 5\r\n"), Send("+OK top of message follows\r\n" + head), ExpectClosed()});
    Open(server, {100, 200, 3000});
    DownloadRequest request;
    request.message_number = 3;
    request.top = true;
    request.lines = 5;
    EXPECT_EQ(PopDownload(session, request, message, services), DownloadResult::Complete);
    EXPECT_EQ(message.Text(), head);
    session.connection.Close();
    EXPECT_SCRIPT_DONE(server);
}

TEST(DownloadRefused, ErrorReplyMeansOutOfSync) {
    for (bool top : {false, true}) {
        ScriptedServer server({Expect(top ? "TOP 4 0\r\n" : "RETR 4\r\n"),
                               Send("-ERR no such message, only 3 messages in maildrop\r\n"),
                               ExpectClosed()});
        ScriptedServices services;
        PopSession session(nullptr);
        NetAddress address;
        ASSERT_EQ(ResolveHost("127.0.0.1", server.port(), address), 0);
        ASSERT_EQ(session.connection.Connect(false, address), 1);
        session.sizes = {100, 200, 300, 400};
        DownloadRequest request;
        request.message_number = 4;
        request.top = top;
        DownloadedMessage message;
        EXPECT_EQ(PopDownload(session, request, message, services), DownloadResult::Refused);
        EXPECT_EQ(services.LastStatus(StatusLine::Inbox), kOutOfSyncStatus);
        ASSERT_EQ(services.Boxes().size(), 1u);
        EXPECT_EQ(services.Boxes()[0].text, kOutOfSyncBox);
        EXPECT_EQ(services.Boxes()[0].caption, "");
        EXPECT_EQ(services.Boxes()[0].icon, BoxIcon::Error);
        EXPECT_TRUE(message.Text().empty());
        EXPECT_FALSE(session.connection.Connected());
        EXPECT_TRUE(services.LostConnections().empty());
        EXPECT_SCRIPT_DONE(server);
    }
}

TEST_F(Download, MessageLargerThanListedArrivesWhole) {
    // Servers under-report: LIST said 1000 bytes, 400 KB come.
    const std::string text = Lines(6400);
    ScriptedServer server({Expect("RETR 1\r\n"), Send("+OK\r\n" + text), ExpectClosed()});
    Open(server, {1000});
    EXPECT_EQ(Retrieve(1), DownloadResult::Complete);
    EXPECT_EQ(message.Text().size(), text.size());
    EXPECT_TRUE(message.Text() == text);
    session.connection.Close();
    EXPECT_SCRIPT_DONE(server);
}

TEST_F(Download, TwentyMegabytes) {
    struct Case {
        const char* what;
        std::uint32_t listed;
    };
    const std::size_t count = (20u << 20) / 64;
    const Case cases[] = {
        {"listed size right", static_cast<std::uint32_t>(count * 64 + 3)},
        {"listed size zero", 0},
    };
    const std::string expected = Lines(count);
    const std::string reply = "+OK\r\n" + expected;
    for (const Case& c : cases) {
        ScriptedServer server({Expect("RETR 1\r\n"),
                               SendGenerated(reply.size(),
                                             [&](std::size_t offset, std::span<char> out) {
                                                 reply.copy(out.data(), out.size(), offset);
                                             }),
                               ExpectClosed()});
        session.connection.Close();
        Open(server, {c.listed});
        DownloadedMessage whole;
        EXPECT_EQ(PopDownload(session, Retr(1), whole, services), DownloadResult::Complete)
            << c.what;
        EXPECT_EQ(whole.Text().size(), expected.size()) << c.what;
        EXPECT_TRUE(whole.Text() == expected) << c.what;
        session.connection.Close();
        EXPECT_SCRIPT_DONE(server);
    }
}

TEST_F(Download, ListedSizeIsNotTrustedBeyondTheCap) {
    // LIST claimed 4 GB for a small message: the buffer is held to the cap all the same.
    ScriptedServer server({Expect("RETR 1\r\n"), Send("+OK\r\n" + kMessage), ExpectClosed()});
    Open(server, {4294967295u});
    EXPECT_EQ(Retrieve(1), DownloadResult::Complete);
    EXPECT_EQ(message.Text(), kMessage);
    EXPECT_LE(message.buffer.capacity(), kDownloadSizeCap);
    session.connection.Close();
    EXPECT_SCRIPT_DONE(server);
}

TEST_F(Download, PeerClosingMidReplyLosesTheConnection) {
    ScriptedServer server({Expect("RETR 1\r\n"), Send("+OK 120 octets\r\nSubject: cut short\r\n"),
                           CloseConnection()});
    Open(server, {120});
    EXPECT_EQ(Retrieve(1), DownloadResult::Lost);
    EXPECT_EQ(services.LostConnections(), (std::vector<NetResult>{11}));
    EXPECT_EQ(session.last_result, 11);
    EXPECT_FALSE(session.connection.Connected());
    EXPECT_TRUE(services.Boxes().empty());
    EXPECT_SCRIPT_DONE(server);
}

TEST_F(Download, EndlessStatusLineIsGivenUp) {
    // 20 MB without a line end, then silence: a client still reading after the first few
    // kilobytes would wait here until the server gives up on it.
    ScriptedServer server({Expect("RETR 1\r\n"),
                           ClientMayClose(SendRepeated("", "x", 20 << 20, "")),
                           ClientMayClose(Pause(2s)), ExpectClosed()});
    Open(server, {100});
    DownloadResult result = Retrieve(1);
    EXPECT_TRUE(result == DownloadResult::Refused || result == DownloadResult::Lost)
        << static_cast<int>(result);
    EXPECT_FALSE(session.connection.Connected());
    EXPECT_SCRIPT_DONE(server);
}

TEST_F(Download, ProgressPrefixShowsAtOnce) {
    ScriptedServer server({Expect("RETR 1\r\n"), Send("+OK\r\n" + kMessage), ExpectClosed()});
    Open(server, {static_cast<std::uint32_t>(kMessage.size())});
    ASSERT_EQ(Retrieve(1), DownloadResult::Complete);
    std::vector<std::string> progress = services.Statuses(StatusLine::InboxProgress);
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress[0], "Downloading message . . . ");
    session.connection.Close();
    EXPECT_SCRIPT_DONE(server);
}

TEST_F(Download, ViewerSeesTheFirstChunkAtOnce) {
    ScriptedServer server({Expect("RETR 1\r\n"), Send("+OK\r\n" + kMessage), ExpectClosed()});
    Open(server, {static_cast<std::uint32_t>(kMessage.size())});
    std::vector<std::string> shown;
    DownloadRequest request;
    request.message_number = 1;
    request.viewer = true;
    request.progress_prefix = "Reading ";
    request.show_partial_text = [&](std::string_view text) { shown.emplace_back(text); };
    ASSERT_EQ(PopDownload(session, request, message, services), DownloadResult::Complete);
    // Far below 1% of the listed size plus the chunk allowance.
    EXPECT_EQ(services.Statuses(StatusLine::InboxProgress),
              (std::vector<std::string>{"Reading 0%"}));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], kMessage);
    session.connection.Close();
    EXPECT_SCRIPT_DONE(server);
}

}  // namespace
}  // namespace tarvox
