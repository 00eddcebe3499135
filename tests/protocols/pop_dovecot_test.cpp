// Against a real Dovecot on loopback ports: what only a real server shows.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "net/tls_library.h"
#include "protocols/inbox_loader.h"
#include "protocols/open_mailbox.h"
#include "protocols/pop_download.h"
#include "protocols/pop_session.h"
#include "support/dovecot_server.h"
#include "support/loopback.h"
#include "support/scripted_services.h"

namespace tarvox {
namespace {

// RETR and TOP give each message byte for byte as the server stores it.
TEST(PopAgainstDovecot, RetrAndTopAsTheServerHasThem) {
    DovecotServer& dovecot = SharedDovecot();
    ASSERT_TRUE(dovecot.ResetMailbox(5)) << dovecot.error();
    std::vector<std::string> expected;
    for (const auto& file : dovecot.MessageFiles("alice")) {  // before a login moves them
        expected.push_back(DovecotServer::ExpectedRetrText(file));
    }
    ASSERT_EQ(expected.size(), 5u);
    const Profile profile{.alive = 0, .host = "127.0.0.1", .port = dovecot.plain_port(), .user = "alice",
                          .pass = dovecot.password("alice")};
    PopSession session(&LoadedTls());
    ScriptedServices services;
    ASSERT_EQ(OpenMailbox(session, {.working = profile}, services), OpenOutcome::EnterInbox);
    MessageList list;
    ASSERT_EQ(LoadInbox(session, {.working = &profile}, list, services), LoadOutcome::Loaded);
    for (std::uint32_t n = 1; n <= 5; ++n) {
        const std::string& whole = expected[n - 1];
        DownloadedMessage message;
        DownloadRequest request{.message_number = n};
        ASSERT_EQ(PopDownload(session, request, message, services), DownloadResult::Complete) << n;
        EXPECT_EQ(message.Text(), whole) << "RETR " << n;
        request.top = true;
        ASSERT_EQ(PopDownload(session, request, message, services), DownloadResult::Complete) << n;
        EXPECT_EQ(message.Text(), whole.substr(0, whole.find("\r\n\r\n") + 4) + ".\r\n") << "TOP " << n;
    }
    EXPECT_TRUE(services.Boxes().empty());
    PopQuit(session.connection);
}

}  // namespace
}  // namespace tarvox
