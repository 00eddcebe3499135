// The POP3 client against a real Dovecot on loopback ports.
#include <gtest/gtest.h>

#include "config/profile.h"
#include "net/certificate_check.h"
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
        ASSERT_TRUE(m_dovecot.Start(kMessages)) << m_dovecot.error();
        m_files = m_dovecot.MessageFiles("alice");  // before a login moves them
        ASSERT_EQ(m_files.size(), static_cast<std::size_t>(kMessages));
    }

    Profile Alice(int protocol = 0) const {
        Profile profile;
        profile.name = "Alice";
        profile.host = "127.0.0.1";
        profile.port = protocol == 1 ? m_dovecot.tls_port() : m_dovecot.plain_port();
        profile.protopop = protocol;
        profile.user = "alice";
        profile.pass = m_dovecot.password("alice");
        return profile;
    }

    // Opens the mailbox the way the Connect button does.
    OpenOutcome Open(PopSession& session, const Profile& working, ScriptedServices& services,
                     ProfileList* stored = nullptr) {
        OpenMailboxRequest request;
        request.working = working;
        request.stored = stored;
        request.record_fingerprint = [](Profile& profile, const std::string& fingerprint) {
            profile.pop_sslid = fingerprint;
        };
        return OpenMailbox(session, request, services);
    }

    std::uint32_t CountAfterReconnect() {
        PopSession session(&m_tls);
        ScriptedServices services;
        EXPECT_EQ(Open(session, Alice(), services), OpenOutcome::EnterInbox);
        std::uint32_t count = session.message_count;
        PopQuit(session.connection);
        return count;
    }

    TlsLibrary m_tls;
    DovecotServer m_dovecot;
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
        ASSERT_EQ(ResolveHost("127.0.0.1", m_dovecot.plain_port(), address), 0);
        NetConnection connection(&m_tls);
        ASSERT_EQ(connection.Connect(false, address), 1);
        LoginRequest request;
        request.user = c.user;
        request.password = c.password;
        request.apop = c.apop;
        std::string rejection;
        NetResult result = 0;
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
    ASSERT_EQ(Open(session, Alice(), services), OpenOutcome::EnterInbox);
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

TEST_F(PopAgainstDovecot, DeletionsLastOnlyWhenTheSessionEndsWithQuit) {
    struct Case {
        const char* what;
        std::function<void(PopSession&, ScriptedServices&)> end;
        std::uint32_t count_after;
    };
    const Case cases[] = {
        {"DELE then RSET",
         [](PopSession& session, ScriptedServices& services) {
             EXPECT_EQ(PopResetAndExit(session, services), InboxExit::CloseInbox);
         },
         kMessages},
        {"DELE then Abort",
         [](PopSession& session, ScriptedServices&) { session.connection.Close(); }, kMessages},
        {"DELE then QUIT",
         [](PopSession& session, ScriptedServices& services) {
             EXPECT_EQ(PopSaveAndExit(session, services), InboxExit::CloseInbox);
         },
         kMessages - 1},
    };
    for (const Case& c : cases) {
        PopSession session(&m_tls);
        ScriptedServices services;
        ASSERT_EQ(Open(session, Alice(), services), OpenOutcome::EnterInbox) << c.what;
        std::vector<std::uint32_t> removed;
        ASSERT_TRUE(PopDelete(session, 1, true, services,
                              [&](std::uint32_t n) { removed.push_back(n); }));
        EXPECT_EQ(removed, std::vector<std::uint32_t>{1});
        EXPECT_TRUE(services.Boxes().empty()) << c.what;
        c.end(session, services);
        EXPECT_FALSE(session.connection.Connected());
        EXPECT_EQ(CountAfterReconnect(), c.count_after) << c.what;
    }
}

TEST_F(PopAgainstDovecot, TlsDirectAndStlsWithTheFingerprintOnRecord) {
    for (int protocol : {1, 2}) {
        for (bool apop : {false, true}) {
            ProfileList stored;
            Profile& record = AppendProfile(stored, Alice(protocol));
            record.name = "ALICE";  // found whatever the letter case
            record.pop_sslid = m_dovecot.fingerprint();
            Profile working = Alice(protocol);
            working.apop = apop ? 1 : 0;
            PopSession session(&m_tls);
            ScriptedServices services;
            EXPECT_EQ(Open(session, working, services, &stored), OpenOutcome::EnterInbox)
                << "protocol " << protocol << (apop ? " with APOP" : "") << ": "
                << services.LastStatus(StatusLine::Account);
            EXPECT_TRUE(session.connection.TlsActive());
            EXPECT_TRUE(services.Certificates().empty());
            if (protocol == 2) {
                std::vector<std::string> statuses = services.Statuses(StatusLine::Account);
                EXPECT_NE(std::find(statuses.begin(), statuses.end(), "SSL active. Logging in . . ."),
                          statuses.end());
            }
            PopQuit(session.connection);
        }
    }
}

TEST_F(PopAgainstDovecot, CertificateFirstSeenMatchingAndChanged) {
    ProfileList stored;
    AppendProfile(stored, Alice(1));

    // First connection: nothing on record; the user accepts.
    {
        PopSession session(&m_tls);
        ScriptedServices services;
        services.QueueCertificateDecision(CertificateDecision::Accept);
        EXPECT_EQ(Open(session, Alice(1), services, &stored), OpenOutcome::EnterInbox);
        ASSERT_EQ(services.Certificates().size(), 1u);
        EXPECT_EQ(services.Certificates()[0].trust_evaluation, kTrustUnknown);
        EXPECT_EQ(stored.front().pop_sslid, m_dovecot.fingerprint());
        PopQuit(session.connection);
    }
    // Second: it matches; no dialog.
    {
        PopSession session(&m_tls);
        ScriptedServices services;
        EXPECT_EQ(Open(session, Alice(1), services, &stored), OpenOutcome::EnterInbox);
        EXPECT_TRUE(services.Certificates().empty());
        PopQuit(session.connection);
    }
    // The server's certificate changes; the user denies it.
    const std::string old_fingerprint = m_dovecot.fingerprint();
    ASSERT_TRUE(m_dovecot.RestartWithNewCertificate()) << m_dovecot.error();
    {
        PopSession session(&m_tls);
        ScriptedServices services;
        services.QueueCertificateDecision(CertificateDecision::Deny);
        EXPECT_EQ(Open(session, Alice(1), services, &stored), OpenOutcome::Failed);
        ASSERT_EQ(services.Certificates().size(), 1u);
        CertificateView view = services.Certificates()[0];
        EXPECT_EQ(view.trust_evaluation, kTrustSuspicious);
        EXPECT_EQ(view.fingerprint, m_dovecot.fingerprint());
        EXPECT_EQ(services.LastStatus(StatusLine::Account), "Error: SSL certificate unrecognized");
        EXPECT_EQ(stored.front().pop_sslid, old_fingerprint);
        EXPECT_FALSE(session.connection.Connected());
    }
}

TEST_F(PopAgainstDovecot, TlsRequestedWithoutTheLibrary) {
    TlsLibrary unavailable;
    for (int protocol : {1, 2}) {
        PopSession session(&unavailable);
        ScriptedServices services;
        EXPECT_EQ(Open(session, Alice(protocol), services), OpenOutcome::Failed);
        EXPECT_EQ(services.Statuses(StatusLine::Account),
                  std::vector<std::string>{"SSL not loaded; can not make connection"});
    }
}

TEST_F(PopAgainstDovecot, EmptyMailboxNeverOpensTheInbox) {
    Profile bob = Alice();
    bob.user = "bob";
    bob.pass = m_dovecot.password("bob");
    PopSession session(&m_tls);
    ScriptedServices services;
    EXPECT_EQ(Open(session, bob, services), OpenOutcome::Ended);
    EXPECT_EQ(services.LastStatus(StatusLine::Account), "No mail for user bob on 127.0.0.1");
    EXPECT_FALSE(session.connection.Connected());
}

}  // namespace
}  // namespace tarvox
