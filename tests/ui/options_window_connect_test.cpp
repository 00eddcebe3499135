// Connect and Poll from the options window against a real Dovecot, and Abort
// against a server that never answers.
#include "ui/options_window.h"

#include <QLabel>
#include <QMessageBox>
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
    static void SetUpTestSuite() {
        s_server = new DovecotServer;
        if (!s_server->Start(5)) {
            s_error = s_server->error();
        }
    }
    static void TearDownTestSuite() {
        delete s_server;
        s_server = nullptr;
    }
    void SetUp() override {
        ASSERT_TRUE(s_error.empty()) << s_error;
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
        alice.protopop = protopop;
        alice.port = port;
        c.context.config.global.last = "Alice";
        return alice;
    }

    QString Status(OptionsWindow& window) const {
        return window.account_page()->status_line()->text();
    }

    static DovecotServer* s_server;
    static std::string s_error;
    OptionsWindowContext c;
};

DovecotServer* OptionsWindowConnectTest::s_server = nullptr;
std::string OptionsWindowConnectTest::s_error;

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
    EXPECT_EQ(c.context.session->message_count, 5u);
    EXPECT_EQ(c.context.working.name, "Alice");
    EXPECT_EQ(c.context.working.pass, "wonderland") << "the prompted password goes along";
    EXPECT_EQ(c.context.config.profiles.front().pass, "") << "but is never stored";
    EXPECT_EQ(Status(window), "Logged in. Retrieving mailbox stat . . .");
    // The session really is logged in: the inbox can go on with it.
    std::uint32_t count = 0, size = 0;
    NetResult result = 0;
    EXPECT_TRUE(PopStat(c.context.session->connection, count, size, result));
    EXPECT_EQ(count, 5u);
}

TEST_F(OptionsWindowConnectTest, WrongPasswordShowsTheLoginErrorBox) {
    AddAlice(0, s_server->plain_port()).pass = "looking-glass";
    OptionsWindow window(c.context);
    window.show();
    DialogDriver driver;
    SeenBox box;
    driver.Then(RecordBoxAndClick(&box, "OK"));
    window.account_page()->connect_button()->click();
    ASSERT_TRUE(DialogDriver::RunUntil([&] { return !window.worker_running(); }));
    EXPECT_EQ(driver.pending(), 0u);
    EXPECT_EQ(box.title, "Login error");
    EXPECT_EQ(box.icon, QMessageBox::Critical);
    const QString lead =
        "Unable to login. Most likely cause is an incorrect username or password. The server "
        "responded with the following:\n\n-ERR";
    EXPECT_TRUE(box.text.startsWith(lead)) << box.text.toStdString();
    EXPECT_EQ(Status(window), "Error: Login failed");
    EXPECT_NE(window.result(), 1);
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(c.context.session, nullptr);
    EXPECT_TRUE(window.account_page()->connect_button()->isEnabled());
    EXPECT_FALSE(window.account_page()->abort_button()->isEnabled());
}

TEST_F(OptionsWindowConnectTest, FirstTlsConnectionAsksAndAcceptRecordsTheFingerprint) {
    AddAlice(1, s_server->tls_port());
    {
        OptionsWindow window(c.context);
        window.show();
        DialogDriver driver;
        QString dialog_title;
        driver.Then([&](QWidget* dialog) {
            dialog_title = dialog->windowTitle();
            ClickButton("accept")(dialog);
        });
        window.account_page()->connect_button()->click();
        ASSERT_TRUE(DialogDriver::RunUntil([&] { return !window.worker_running(); }))
            << Status(window).toStdString();
        EXPECT_EQ(driver.pending(), 0u);
        EXPECT_EQ(dialog_title, "SSL Information");
        EXPECT_EQ(window.result(), 1) << Status(window).toStdString();
        EXPECT_EQ(c.context.config.profiles.front().pop_sslid, s_server->fingerprint());
        Configuration saved = c.Reload();
        ASSERT_EQ(saved.profiles.size(), 1u);
        EXPECT_EQ(saved.profiles.front().pop_sslid, s_server->fingerprint()) << "written at once";
    }
    PopQuit(c.context.session->connection);
    c.context.session.reset();

    // The next time the certificate is on record: no dialog.
    OptionsWindow window(c.context);
    window.show();
    DialogDriver driver;
    SeenBox unexpected;
    driver.Then(RecordBoxAndClick(&unexpected, "cancel"));
    window.account_page()->connect_button()->click();
    ASSERT_TRUE(DialogDriver::RunUntil([&] { return !window.worker_running(); }));
    EXPECT_EQ(driver.pending(), 1u) << unexpected.title.toStdString();
    EXPECT_EQ(window.result(), 1) << Status(window).toStdString();
}

TEST_F(OptionsWindowConnectTest, PollReportsTheMailboxAndStaysOpen) {
    AddAlice(0, s_server->plain_port());
    OptionsWindow window(c.context);
    window.show();
    window.account_page()->poll_button()->click();
    ASSERT_TRUE(DialogDriver::RunUntil([&] { return !window.worker_running(); }));
    EXPECT_TRUE(Status(window).startsWith("User alice on 127.0.0.1 - 5 msgs, total "))
        << Status(window).toStdString();
    EXPECT_TRUE(Status(window).endsWith(" KB - [modified]")) << Status(window).toStdString();
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(c.context.session, nullptr);
    EXPECT_TRUE(window.account_page()->poll_button()->isEnabled());
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

TEST(OptionsWindowAbort, AbortEndsAConnectionWaitingForTheGreeting) {
    SilentServer server;
    OptionsWindowContext c;
    Profile& silent = c.AddProfile("silent", "127.0.0.1");
    silent.user = "alice";
    silent.pass = "wonderland";
    silent.port = server.port();
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
    EXPECT_TRUE(status->text().startsWith("Error: ")) << status->text().toStdString();
    EXPECT_TRUE(window.account_page()->connect_button()->isEnabled());
    EXPECT_FALSE(window.account_page()->abort_button()->isEnabled());
    EXPECT_NE(window.result(), 1);
}

TEST(OptionsWindowAbort, ClosingTheWindowEndsItsWorker) {
    SilentServer server;
    OptionsWindowContext c;
    Profile& silent = c.AddProfile("silent", "127.0.0.1");
    silent.user = "alice";
    silent.pass = "wonderland";
    silent.port = server.port();
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
