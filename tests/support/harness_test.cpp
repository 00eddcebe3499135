// The test doubles fail where the product tests rely on them to.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

#include <tuple>

#include "support/scripted_server.h"
#include "support/scripted_services.h"

namespace tarvox {
namespace {

using namespace script;

TEST(ScriptedServerTest, FailsOnWhatTheClientGotWrong) {
    const std::tuple<std::vector<ScriptStep>, std::string, bool> cases[] = {
        {{Send("+OK\r\n"), Expect("USER a\r\n"), Send("+OK\r\n")}, "USER a\r\n", true},
        {{Send("+OK\r\n"), Expect("USER a\r\n"), Send("+OK\r\n")}, "USER b\r\n", false},
        {{Send("+OK\r\n"), Expect("USER a\r\n"), Expect("PASS b\r\n")}, "USER a\r\n", false},
        {{Expect("USER a\r\n"), Send("+OK\r\n"), ExpectClosed()}, "USER a\r\nPASS b\r\n", false},
    };
    for (const auto& [script, client_sends, done] : cases) {
        ScriptedServer server(script);
        // The client sends, ends its side and reads until the server closes.
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{AF_INET, htons(server.port()), {htonl(INADDR_LOOPBACK)}, {}};
        ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ::send(fd, client_sends.data(), client_sends.size(), MSG_NOSIGNAL);
        ::shutdown(fd, SHUT_WR);
        char buffer[256];
        while (::recv(fd, buffer, sizeof buffer, 0) > 0) {
        }
        ::close(fd);
        EXPECT_EQ(server.Finish(), done) << client_sends;
    }
}

TEST(ScriptedServicesTest, FailsOnAnUnexpectedBoxAndOnALeftoverAnswer) {
    ScriptedServices services;
    MessageBoxRequest question;
    question.buttons = BoxButtons::YesNo;
    services.QueueBoxAnswer(BoxAnswer::Yes);
    EXPECT_EQ(services.ShowMessageBox(question), BoxAnswer::Yes);
    EXPECT_NONFATAL_FAILURE(EXPECT_EQ(services.ShowMessageBox(question), BoxAnswer::No),
                            "ScriptedServices");
    services.QueueBoxAnswer(BoxAnswer::No);
    EXPECT_NONFATAL_FAILURE(services.ExpectScriptUsedUp(), "not used up");
}

}  // namespace
}  // namespace tarvox
