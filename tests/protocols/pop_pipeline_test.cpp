#include "protocols/pop_pipeline.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string_view>
#include <thread>
#include <utility>

#include "protocol_fixture.h"

namespace tarvox {
namespace {

// Only a server that lists PIPELINING is pipelined, unless TARVOX_POP3_LOCKSTEP=1 forces lock-step.
TEST(UsePipelining, NeedsPipeliningListedAndNoForcedLockStep) {
    ::unsetenv("TARVOX_POP3_LOCKSTEP");
    PopSession session(nullptr);
    session.capabilities = {.top = true, .uidl = true, .stls = true, .sasl = {"PLAIN"}};
    EXPECT_FALSE(UsePipelining(session));
    session.capabilities.pipelining = true;
    EXPECT_TRUE(UsePipelining(session));
    ::setenv("TARVOX_POP3_LOCKSTEP", "1", 1);
    EXPECT_FALSE(UsePipelining(session));
    ::unsetenv("TARVOX_POP3_LOCKSTEP");
}

// Only a status line among the header lines marks replies out of step.
TEST(HeaderBlockHoldsStatusLine, LooksAtTheHeaderLinesOnly) {
    const std::pair<std::string_view, bool> cases[] = {
        {"+OK\r\nSubject: next\r\n\r\n.\r\n", true},
        {"Subject: a\r\n-ERR no such message\r\n.\r\n", true},
        {"+OKAY: header\r\n-ERRATA: x\r\n\r\n.\r\n", false},
        {"Subject: a\r\n\r\n+OK\r\n.\r\n", false},
        {"Subject: +OK\r\n .\r\n", false},
    };
    for (const auto& [text, holds] : cases) {
        EXPECT_EQ(HeaderBlockHoldsStatusLine(text), holds) << text;
    }
}

// Multi-line and single-line replies in one stream, however they are cut, are handed out in order;
// Abort from another thread while replies are outstanding ends the run as an aborted connection.
TEST(PopPipeline, HandsOutMixedRepliesInOrderUntilAborted) {
    using namespace script;
    using namespace std::chrono_literals;
    const std::string replies = "+OK 9 octets\r\nhi\r\n..x\r\n.\r\n-ERR no\r\n+OK\r\n.\r\n+OK gone\r\n";
    ScriptedServer server({Expect("RETR 1\r\nDELE 2\r\nTOP 3 0\r\nDELE 3\r\nRETR 4\r\n"),
                           SendSplit(replies, 3, 1ms), ExpectClosed()});
    PopSession session(nullptr);
    ASSERT_EQ(ConnectTo(session.connection, server), NetResult::Success);
    ScriptedServices services;
    PopPipeline pipeline(session, {"RETR 1\r\n", "DELE 2\r\n", "TOP 3 0\r\n", "DELE 3\r\n", "RETR 4\r\n"});
    std::string_view text;
    EXPECT_EQ(pipeline.NextMessage(nullptr, text, services), DownloadResult::Complete);
    EXPECT_EQ(text, "hi\r\n..x\r\n.\r\n");
    EXPECT_EQ(pipeline.NextStatus(services), StatusReply::Negative);
    EXPECT_EQ(session.text, "-ERR no\r\n");
    EXPECT_EQ(pipeline.NextMessage(nullptr, text, services), DownloadResult::Complete);
    EXPECT_EQ(text, ".\r\n");
    EXPECT_EQ(pipeline.NextStatus(services), StatusReply::Positive);
    EXPECT_EQ(session.text, "+OK gone\r\n");
    EXPECT_EQ(pipeline.Unanswered(), 1u);

    std::thread user([&session] {
        std::this_thread::sleep_for(100ms);
        session.connection.Abort();
    });
    EXPECT_EQ(pipeline.NextMessage(nullptr, text, services), DownloadResult::Lost);
    user.join();
    EXPECT_EQ(services.LostConnections(), std::vector<NetResult>{NetResult::Aborted});
    EXPECT_SCRIPT_DONE(server);
}

}  // namespace
}  // namespace tarvox
