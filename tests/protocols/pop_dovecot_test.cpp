// The POP3 login and download against a real Dovecot on loopback ports.
#include <gtest/gtest.h>

#include "net/tls_library.h"
#include "protocols/open_mailbox.h"
#include "protocols/pop_download.h"
#include "protocols/pop_login.h"
#include "protocols/pop_session.h"
#include "support/dovecot_server.h"
#include "support/scripted_services.h"

namespace tarvox {
namespace {

constexpr int kMessages = 5;

class PopAgainstDovecot : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_tls.Load());
        ASSERT_TRUE(m_dovecot.ResetMailbox(kMessages)) << m_dovecot.error();
        m_files = m_dovecot.MessageFiles("alice");  // before a login moves them
        ASSERT_EQ(m_files.size(), static_cast<std::size_t>(kMessages));
    }

    // Opens alice's mailbox the way the Connect button does.
    OpenOutcome Open(PopSession& session, ScriptedServices& services) {
        OpenMailboxRequest request;
        request.working.host = "127.0.0.1";
        request.working.port = m_dovecot.plain_port();
        request.working.user = "alice";
        request.working.pass = m_dovecot.password("alice");
        return OpenMailbox(session, request, services);
    }

    TlsLibrary m_tls;
    DovecotServer& m_dovecot = SharedDovecot();
    std::vector<std::filesystem::path> m_files;
};

TEST_F(PopAgainstDovecot, LoginsPlainApopAndRefused) {
    struct Case {
        const char* what;
        std::string user, password;
        bool apop;
        LoginResult expected;
    };
    const Case cases[] = {
        {"USER/PASS", "alice", "wonderland", false, LoginResult::LoggedIn},
        {"APOP", "alice", "wonderland", true, LoginResult::LoggedIn},
        {"wrong password", "alice", "looking-glass", false, LoginResult::Rejected},
        {"APOP refused", "bob", "not-builder", true, LoginResult::Rejected},
    };
    for (const Case& c : cases) {
        NetAddress address;
        ASSERT_TRUE(ResolveHost("127.0.0.1", m_dovecot.plain_port(), address));
        NetConnection connection(&m_tls);
        ASSERT_EQ(connection.Connect(false, address), NetResult::Success);
        LoginRequest request;
        request.user = c.user;
        request.password = c.password;
        request.apop = c.apop;
        std::string rejection;
        NetResult result = NetResult::Unknown;
        EXPECT_EQ(PopLogin(connection, request, &rejection, 1024, result), c.expected) << c.what;
        if (c.expected == LoginResult::Rejected) {
            EXPECT_TRUE(rejection.starts_with("-ERR")) << rejection;
            EXPECT_FALSE(connection.Connected());
        } else {
            std::uint32_t count = 0, size = 0;
            EXPECT_TRUE(PopStat(connection, count, size, result)) << c.what;
            EXPECT_EQ(count, static_cast<std::uint32_t>(kMessages));
            EXPECT_GT(size, 0u);
            PopQuit(connection);
        }
    }
}

TEST_F(PopAgainstDovecot, RetrIsByteExactAndTopGivesTheHeaderBlock) {
    std::vector<std::string> expected;
    for (const auto& file : m_files) {
        expected.push_back(DovecotServer::ExpectedRetrText(file));
    }
    PopSession session(&m_tls);
    ScriptedServices services;
    ASSERT_EQ(Open(session, services), OpenOutcome::EnterInbox);
    ASSERT_EQ(session.message_count, static_cast<std::uint32_t>(kMessages));
    for (std::uint32_t n = 1; n <= session.message_count; ++n) {
        DownloadRequest retr;
        retr.message_number = n;
        DownloadedMessage message;
        ASSERT_EQ(PopDownload(session, retr, message, services), DownloadResult::Complete) << n;
        EXPECT_EQ(message.Text(), expected[n - 1]) << "message " << n;

        DownloadRequest top = retr;
        top.top = true;
        top.lines = 0;
        ASSERT_EQ(PopDownload(session, top, message, services), DownloadResult::Complete) << n;
        const std::string& whole = expected[n - 1];
        std::size_t header_end = whole.find("\r\n\r\n");
        ASSERT_NE(header_end, std::string::npos);
        EXPECT_EQ(message.Text(), whole.substr(0, header_end + 4) + ".\r\n") << "TOP " << n;
    }
    PopQuit(session.connection);
    EXPECT_TRUE(services.LostConnections().empty());
}

}  // namespace
}  // namespace tarvox
