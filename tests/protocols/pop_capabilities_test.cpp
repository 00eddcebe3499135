#include "protocols/pop_capabilities.h"

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <tuple>
#include <utility>

#include "protocol_fixture.h"

namespace tarvox {
namespace {

using namespace script;
using namespace std::chrono_literals;

TEST(ParsePopCapabilities, KeepsWhatTheSessionUsesFromAWholeListing) {
    const std::pair<std::string, std::optional<PopCapabilities>> cases[] = {
        {"+OK\r\nTOP\r\nUSER\r\nUIDL\r\nPIPELINING\r\nSTLS\r\nSASL PLAIN  LOGIN\r\n.\r\n",
         PopCapabilities{true, true, true, true, {"PLAIN", "LOGIN"}}},
        {"+OK List follows\r\npipelining\r\nsasl plain\r\nEXPIRE 30\r\n.\r\n",
         PopCapabilities{.pipelining = true, .sasl = {"plain"}}},
        {"+OK\r\n.\r\n", PopCapabilities{}},
        {"+OK\r\nPIPELINING-X\r\nTOPS\r\nIMPLEMENTATION PIPELINING TOP\r\n.\r\n", PopCapabilities{}},
        {"-ERR unknown command\r\n", std::nullopt},
        {"+OK\r\nPIPELINING\r\n", std::nullopt},
        {"+OK\r\nPIPELINING\r\n.\r\nTOP\r\n", std::nullopt},
        {"+OK\r\nPIPELINING\r\n\r\n.\r\n", std::nullopt},
        {"+OK\r\nPIPELINING\r\n.", std::nullopt},
    };
    for (const auto& [reply, parsed] : cases) {
        EXPECT_EQ(ParsePopCapabilities(reply), parsed) << reply;
    }
}

TEST(AskPopCapabilities, ReadsTheWholeReplyOrGivesUp) {
    const std::tuple<ScriptStep, NetResult, PopCapabilities> cases[] = {
        {SendSplit("+OK\r\nPIPELINING\r\nTOP\r\n.\r\n", 4, 1ms), NetResult::Success, {true, true}},
        {Send("-ERR what?\r\n"), NetResult::Success, {}},
        {Send("+OK\r\n" + std::string(kCapabilityReplySize, 'X')), NetResult::GracefullyClosed, {}},
    };
    for (const auto& [reply, result, listed] : cases) {
        const bool read = result == NetResult::Success;
        ScriptedServer server({Expect("CAPA\r\n"), reply, read ? ExpectClosed() : CloseConnection()});
        NetConnection connection;
        ASSERT_EQ(ConnectTo(connection, server), NetResult::Success);
        PopCapabilities capabilities{.stls = true};
        EXPECT_EQ(AskPopCapabilities(connection, capabilities), result) << reply.description;
        EXPECT_EQ(capabilities, listed);
        connection.Close();
        EXPECT_SCRIPT_DONE(server);
    }
}

}  // namespace
}  // namespace tarvox
