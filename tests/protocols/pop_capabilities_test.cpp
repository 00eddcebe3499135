#include "protocols/pop_capabilities.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "protocol_fixture.h"

namespace tarvox {
namespace {

using namespace script;

TEST(ParsePopCapabilities, KeepsWhatTheSessionUsesFromAWholeListing) {
    const PopCapabilities all{true, true, true, true, {"PLAIN", "LOGIN"}};
    const struct {
        std::string reply;
        std::optional<PopCapabilities> parsed;
    } cases[] = {
        {"+OK\r\nTOP\r\nUSER\r\nUIDL\r\nPIPELINING\r\nSTLS\r\nSASL PLAIN  LOGIN\r\n.\r\n", all},
        {"+OK List follows\r\npipelining\r\nsasl plain\r\nEXPIRE 30\r\n.\r\n",
         PopCapabilities{.pipelining = true, .sasl = {"plain"}}},
        {"+OK\r\n.\r\n", PopCapabilities{}},
        {"+OK\r\nPIPELINING-X\r\nTOPS\r\nIMPLEMENTATION PIPELINING TOP\r\n.\r\n",
         PopCapabilities{}},
        {"-ERR unknown command\r\n", std::nullopt},
        {"+OK\r\nPIPELINING\r\n", std::nullopt},
        {"+OK\r\nPIPELINING\r\n.\r\nTOP\r\n", std::nullopt},
        {"+OK\r\nPIPELINING\r\n\r\n.\r\n", std::nullopt},
        {"+OK\r\nPIPELINING\r\n.", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParsePopCapabilities(c.reply), c.parsed) << c.reply;
    }
}

// The reply is read to its end however it arrives, and the next exchange finds the stream in step.
TEST(AskPopCapabilities, ReadsTheWholeReplyOrGivesUp) {
    const std::string listing = "+OK\r\nPIPELINING\r\nTOP\r\n.\r\n";
    const struct {
        ScriptStep reply;
        NetResult result;
        PopCapabilities capabilities;
    } cases[] = {
        {SendSplit(listing, 4, std::chrono::milliseconds(1)), NetResult::Success, {true, true}},
        {Send("-ERR what?\r\n"), NetResult::Success, {}},
        {Send("+OK\r\n" + std::string(kCapabilityReplySize, 'X')), NetResult::GracefullyClosed, {}},
    };
    for (const auto& c : cases) {
        const bool fails = c.result != NetResult::Success;
        ScriptedServer server(
            {Expect("CAPA\r\n"), c.reply, fails ? CloseConnection() : ExpectClosed()});
        NetConnection connection;
        ASSERT_EQ(ConnectTo(connection, server), NetResult::Success);
        PopCapabilities capabilities{.stls = true};
        EXPECT_EQ(AskPopCapabilities(connection, capabilities), c.result) << c.reply.description;
        EXPECT_EQ(capabilities, c.capabilities);
        connection.Close();
        EXPECT_SCRIPT_DONE(server);
    }
}

}  // namespace
}  // namespace tarvox
