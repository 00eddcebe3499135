// The test doubles fail where a product test relies on them to: the scripted server on a
// wrong byte, on a step left unrun and on bytes no step read; the services double on a box
// it has no answer for and on an answer left over.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include "support/scripted_server.h"
#include "support/scripted_services.h"

namespace tarvox {
namespace {

using namespace script;

// Connects, sends `bytes`, ends its side and reads until the server closes (at most 10 s).
void RunClient(std::uint16_t port, const std::string& bytes) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const timeval deadline{10, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &deadline, sizeof deadline);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    EXPECT_EQ(::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL),
              static_cast<ssize_t>(bytes.size()));
    ::shutdown(fd, SHUT_WR);
    char buffer[256];
    while (::recv(fd, buffer, sizeof buffer, 0) > 0) {
    }
    ::close(fd);
}

TEST(ScriptedServerTest, FailsOnWhatTheClientGotWrong) {
    struct Case {
        const char* what;
        std::vector<ScriptStep> script;
        std::string client_sends;
        bool done;
    };
    const std::vector<Case> cases = {
        {"every step ran", {Send("+OK\r\n"), Expect("USER a\r\n"), Send("+OK\r\n")},
         "USER a\r\n", true},
        {"a wrong byte", {Send("+OK\r\n"), Expect("USER a\r\n"), Send("+OK\r\n")},
         "USER b\r\n", false},
        {"a step left unrun", {Send("+OK\r\n"), Expect("USER a\r\n"), Expect("PASS b\r\n")},
         "USER a\r\n", false},
        {"bytes no step read", {Expect("USER a\r\n"), Send("+OK\r\n"), ExpectClosed()},
         "USER a\r\nPASS b\r\n", false},
    };
    for (const Case& c : cases) {
        ScriptedServer server(c.script);
        RunClient(server.port(), c.client_sends);
        EXPECT_EQ(server.Finish(), c.done) << c.what;
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
