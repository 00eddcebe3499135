// Loading the inbox from a real Dovecot, and deleting from it.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "config/profile.h"
#include "net/tls_library.h"
#include "protocols/inbox_loader.h"
#include "protocols/message_deletion.h"
#include "protocols/open_mailbox.h"
#include "protocols/pop_session.h"
#include "support/dovecot_server.h"
#include "support/scoped_time_zone.h"
#include "support/scripted_services.h"

namespace tarvox {
namespace {

// The size the server lists for a message file: its lines end in CR LF on the wire.
std::uint32_t WireSize(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::uint32_t size = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        size += (bytes[i] == '\n' && (i == 0 || bytes[i - 1] != '\r')) ? 2 : 1;
    }
    return size;
}

std::vector<std::string> Subjects(const MessageList& list) {
    std::vector<std::string> subjects;
    for (std::size_t row = 0; row < list.RowCount(); ++row) {
        subjects.push_back(list.RowEntry(row).subject);
    }
    return subjects;
}

class InboxAgainstDovecot : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_tls.Load());
        m_profile.name = "Alice";
        m_profile.host = "127.0.0.1";
        m_profile.user = "alice";
        m_profile.alive = 0;
    }

    void StartServer(int messages) {
        ASSERT_TRUE(m_dovecot.ResetMailbox(messages)) << m_dovecot.error();
        m_profile.port = m_dovecot.plain_port();
        m_profile.pass = m_dovecot.password("alice");
    }

    // Opens the mailbox and loads it.
    LoadOutcome OpenAndLoad(PopSession& session, MessageList& list, ScriptedServices& services) {
        OpenMailboxRequest open;
        open.working = m_profile;
        EXPECT_EQ(OpenMailbox(session, open, services), OpenOutcome::EnterInbox);
        InboxLoadRequest load;
        load.working = &m_profile;
        return LoadInbox(session, load, list, services);
    }

    // Loads the mailbox in a session of its own, ended with QUIT.
    MessageList LoadAndQuit() {
        PopSession session(&m_tls);
        ScriptedServices services;
        MessageList list;
        EXPECT_EQ(OpenAndLoad(session, list, services), LoadOutcome::Loaded);
        PopQuit(session.connection);
        return list;
    }

    TlsLibrary m_tls;
    DovecotServer& m_dovecot = SharedDovecot();
    Profile m_profile;
};

TEST_F(InboxAgainstDovecot, AlicesFiveMessages) {
    ScopedTimeZone utc("UTC");
    StartServer(5);
    std::vector<std::uint32_t> sizes;
    for (const auto& file : m_dovecot.MessageFiles("alice")) {  // before a login moves them
        sizes.push_back(WireSize(file));
    }
    // The samples are sent an hour apart from 10:00 UTC.
    const std::pair<const char*, const char*> expected[] = {
        {"Plain text sample 1", "2024-01-01 11:00:00"},
        {"Dot-stuffing sample 2", "2024-01-01 12:00:00"},
        {"Caf\xe9 quoted-printable sample 3", "2024-01-01 13:00:00"},
        {"Multipart sample 4 with an attachment", "2024-01-01 14:00:00"},
        {"Long sample 5 (about 300 KB)", "2024-01-01 15:00:00"},
    };
    PopSession session(&m_tls);
    ScriptedServices services;
    MessageList list;
    ASSERT_EQ(OpenAndLoad(session, list, services), LoadOutcome::Loaded);
    EXPECT_EQ(session.sizes, sizes);
    ASSERT_EQ(list.Count(), 5u);
    for (std::uint32_t n = 1; n <= 5; ++n) {
        const InboxEntry& entry = list.At(n - 1);
        EXPECT_EQ(entry.number, n);
        EXPECT_EQ(entry.subject, expected[n - 1].first);
        EXPECT_EQ(entry.date, expected[n - 1].second);
        EXPECT_EQ(entry.sender, "Sender " + std::to_string(n));
        EXPECT_EQ(entry.multipart, n == 4) << n;
        EXPECT_FALSE(entry.identity.IsZero()) << n;
    }
    EXPECT_TRUE(services.Boxes().empty());
    PopQuit(session.connection);
}

TEST_F(InboxAgainstDovecot, DeletedRowsLeaveTheServerOnlyWithQuit) {
    StartServer(5);
    m_profile.autosort = 0;
    PopSession session(&m_tls);
    ScriptedServices services;
    MessageList list;
    ASSERT_EQ(OpenAndLoad(session, list, services), LoadOutcome::Loaded);
    list.Select(1, true);  // messages 2 and 4
    list.Select(3, true);
    ASSERT_TRUE(DeleteSelected(session, list, services));
    EXPECT_EQ(services.LastStatus(StatusLine::Inbox), "Finished deleting message(s)");
    EXPECT_EQ(list.Count(), 3u);
    EXPECT_EQ(m_dovecot.MessageFiles("alice").size(), 5u) << "DELE alone removes nothing";

    ASSERT_EQ(PopSaveAndExit(session, services), InboxExit::CloseInbox);
    EXPECT_EQ(m_dovecot.MessageFiles("alice").size(), 3u);
    EXPECT_EQ(Subjects(LoadAndQuit()),
              (std::vector<std::string>{"Plain text sample 1", "Caf\xe9 quoted-printable sample 3",
                                        "Long sample 5 (about 300 KB)"}));
}

}  // namespace
}  // namespace tarvox
