// Against a real Dovecot on loopback ports: what only a real server shows.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "net/tls_library.h"
#include "protocols/inbox_loader.h"
#include "protocols/message_deletion.h"
#include "protocols/open_mailbox.h"
#include "protocols/pop_download.h"
#include "protocols/pop_session.h"
#include "support/dovecot_server.h"
#include "support/loopback.h"
#include "support/scoped_time_zone.h"
#include "support/scripted_services.h"

namespace tarvox {
namespace {

class PopAgainstDovecot : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dovecot.ResetMailbox(5)) << dovecot.error();
        for (const auto& file : dovecot.MessageFiles("alice")) {  // before a login moves them
            expected.push_back(DovecotServer::ExpectedRetrText(file));
        }
        ASSERT_EQ(expected.size(), 5u);
        profile.host = "127.0.0.1";
        profile.port = dovecot.plain_port();
        profile.user = "alice";
        profile.pass = dovecot.password("alice");
        profile.alive = 0;
        profile.autosort = 0;
    }

    // Opens alice's mailbox the way the Connect button does, and loads it.
    MessageList OpenAndLoad(PopSession& on) {
        OpenMailboxRequest open;
        open.working = profile;
        EXPECT_EQ(OpenMailbox(on, open, services), OpenOutcome::EnterInbox);
        MessageList list;
        InboxLoadRequest load;
        load.working = &profile;
        EXPECT_EQ(LoadInbox(on, load, list, services), LoadOutcome::Loaded);
        return list;
    }

    DovecotServer& dovecot = SharedDovecot();
    std::vector<std::string> expected;  // each message as RETR gives it
    Profile profile;
    PopSession session{&LoadedTls()};
    ScriptedServices services;
};

// The APOP digest as a real server computes it; USER and PASS log in for the other tests.
TEST_F(PopAgainstDovecot, ApopLogin) {
    profile.apop = 1;
    OpenMailboxRequest open;
    open.working = profile;
    EXPECT_EQ(OpenMailbox(session, open, services), OpenOutcome::EnterInbox);
    EXPECT_EQ(session.message_count, 5u);
    PopQuit(session.connection);
}

TEST_F(PopAgainstDovecot, HeadersRetrAndTopAsTheServerHasThem) {
    ScopedTimeZone utc("UTC");
    const MessageList list = OpenAndLoad(session);
    ASSERT_EQ(list.Count(), 5u);
    EXPECT_EQ(list.At(2).subject, "Caf\xe9 quoted-printable sample 3");
    EXPECT_EQ(list.At(2).date, "2024-01-01 13:00:00");
    EXPECT_TRUE(list.At(3).multipart);
    for (std::uint32_t n = 1; n <= 5; ++n) {
        const std::string& whole = expected[n - 1];
        DownloadedMessage message;
        DownloadRequest request;
        request.message_number = n;
        ASSERT_EQ(PopDownload(session, request, message, services), DownloadResult::Complete) << n;
        EXPECT_EQ(message.Text(), whole) << "RETR " << n;
        request.top = true;
        ASSERT_EQ(PopDownload(session, request, message, services), DownloadResult::Complete) << n;
        EXPECT_EQ(message.Text(), whole.substr(0, whole.find("\r\n\r\n") + 4) + ".\r\n") << "TOP " << n;
    }
    EXPECT_TRUE(services.Boxes().empty());
    PopQuit(session.connection);
}

TEST_F(PopAgainstDovecot, DeletedRowsLeaveTheServerOnlyWithQuit) {
    MessageList list = OpenAndLoad(session);
    list.Select(1, true);  // messages 2 and 4
    list.Select(3, true);
    ASSERT_TRUE(DeleteSelected(session, list, services));
    EXPECT_EQ(dovecot.MessageFiles("alice").size(), 5u) << "DELE alone removes nothing";
    ASSERT_EQ(PopSaveAndExit(session, services), InboxExit::CloseInbox);
    EXPECT_EQ(dovecot.MessageFiles("alice").size(), 3u);
    PopSession again(&LoadedTls());
    list = OpenAndLoad(again);
    EXPECT_EQ(list.At(1).subject, "Caf\xe9 quoted-printable sample 3");
    EXPECT_EQ(list.Count(), 3u);
    PopQuit(again.connection);
}

}  // namespace
}  // namespace tarvox
