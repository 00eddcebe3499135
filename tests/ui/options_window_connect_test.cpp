// Connect and Poll from the options window against a real Dovecot, and Abort
// against a server that never answers.
#include "ui/options_window.h"

#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "options_window_fixture.h"
#include "protocols/pop_session.h"
#include "support/dovecot_server.h"
#include "ui/account_page.h"
#include "ui/dialog_driver.h"

namespace tarvox {
namespace {

class OptionsWindowConnectTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(s_server->ResetMailbox(5)) << s_server->error();
        ASSERT_TRUE(c.context.tls.Load());
    }
    void TearDown() override {
        if (c.context.session != nullptr) {
            PopQuit(c.context.session->connection);
        }
    }

    Profile& AddAlice(int protopop, std::uint16_t port) {
        Profile& alice = c.AddProfile("Alice", "127.0.0.1");
        alice.user = "alice";
        alice.pass = "wonderland";
        alice.protopop = TransportSecurityFromSetting(protopop);
        alice.port = port;
        c.context.config.global.last = "Alice";
        return alice;
    }

    QString Status(OptionsWindow& window) const {
        return window.account_page()->status_line()->text();
    }

    DovecotServer* s_server = &SharedDovecot();
    OptionsWindowContext c;
};


TEST_F(OptionsWindowConnectTest, ConnectClosesTheWindowWithTheSessionOpen) {
    AddAlice(0, s_server->plain_port()).pass.clear();
    OptionsWindow window(c.context);
    window.show();
    DialogDriver driver;
    driver.Then(TypeAndClick("wonderland", "submit"));  // the password prompt
    window.account_page()->connect_button()->click();
    ASSERT_TRUE(DialogDriver::RunUntil([&] { return !window.worker_running(); }))
        << Status(window).toStdString();
    EXPECT_EQ(window.result(), 1);
    EXPECT_FALSE(window.isVisible());
    ASSERT_NE(c.context.session, nullptr);
    EXPECT_TRUE(c.context.session->connection.Connected());
    EXPECT_EQ(c.context.working.pass, "wonderland") << "the prompted password goes along";
}

TEST_F(OptionsWindowConnectTest, AFailedConnectAndAPollLeaveTheWindowOpenWithoutASession) {
    AddAlice(0, s_server->plain_port()).pass = "looking-glass";
    OptionsWindow window(c.context);
    window.show();
    DialogDriver driver;
    SeenBox box;
    driver.Then(RecordBoxAndClick(&box, "OK"));
    window.account_page()->connect_button()->click();
    ASSERT_TRUE(DialogDriver::RunUntil([&] { return !window.worker_running(); }));
    EXPECT_EQ(box.title, "Login error");
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(c.context.session, nullptr);
    EXPECT_TRUE(window.account_page()->connect_button()->isEnabled());

    Control(window.account_page(), "pass")->setText("wonderland");
    window.account_page()->poll_button()->click();
    ASSERT_TRUE(DialogDriver::RunUntil([&] { return !window.worker_running(); }));
    EXPECT_TRUE(Status(window).startsWith("User alice on 127.0.0.1 - 5 msgs"))
        << Status(window).toStdString();
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(c.context.session, nullptr);
}

// A listener whose connections the kernel accepts but nobody answers.
class SilentServer {
public:
    SilentServer() {
        m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(m_fd, 4);
        socklen_t length = sizeof address;
        ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
    }
    ~SilentServer() { ::close(m_fd); }
    std::uint16_t port() const { return m_port; }

private:
    int m_fd = -1;
    std::uint16_t m_port = 0;
};

// A stored profile whose server never answers.
void AddSilent(OptionsWindowContext& c, const SilentServer& server) {
    Profile& silent = c.AddProfile("silent", "127.0.0.1");
    silent.user = "alice";
    silent.pass = "wonderland";
    silent.port = server.port();
}

TEST(OptionsWindowAbort, AbortEndsAConnectionWaitingForTheGreeting) {
    SilentServer server;
    OptionsWindowContext c;
    AddSilent(c, server);
    OptionsWindow window(c.context);
    window.show();
    window.account_page()->connect_button()->click();
    QLabel* status = window.account_page()->status_line();
    ASSERT_TRUE(DialogDriver::RunUntil([&] {
        return window.account_page()->abort_button()->isEnabled() &&
               status->text() == "Connected. Logging in . . .";
    })) << status->text().toStdString();
    EXPECT_FALSE(window.account_page()->connect_button()->isEnabled());
    window.account_page()->abort_button()->click();
    ASSERT_TRUE(DialogDriver::RunUntil([&] { return !window.worker_running(); }));
    EXPECT_TRUE(window.account_page()->connect_button()->isEnabled());
    EXPECT_FALSE(window.account_page()->abort_button()->isEnabled());
    EXPECT_NE(window.result(), 1);
}

TEST(OptionsWindowAbort, ClosingTheWindowEndsItsWorker) {
    SilentServer server;
    OptionsWindowContext c;
    AddSilent(c, server);
    {
        OptionsWindow window(c.context);
        window.show();
        window.account_page()->connect_button()->click();
        ASSERT_TRUE(DialogDriver::RunUntil(
            [&] { return window.account_page()->abort_button()->isEnabled(); }));
        ASSERT_TRUE(window.worker_running());
        Control<QPushButton>(&window, "exit")->click();
        EXPECT_FALSE(window.worker_running());
        EXPECT_EQ(window.result(), 0);

        // Destroyed with a worker still blocked: the destructor ends it.
        window.account_page()->connect_button()->click();
        ASSERT_TRUE(window.worker_running());
    }
    EXPECT_EQ(c.context.session, nullptr);
}

}  // namespace
}  // namespace tarvox
