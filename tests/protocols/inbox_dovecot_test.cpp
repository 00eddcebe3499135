// Loading alice's inbox from a real Dovecot.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include "codec/text_format.h"
#include "config/profile.h"
#include "net/tls_library.h"
#include "protocols/inbox_loader.h"
#include "protocols/open_mailbox.h"
#include "protocols/pop_session.h"
#include "support/dovecot_server.h"
#include "support/scripted_services.h"

namespace tarvox {
namespace {

constexpr int kMessages = 5;

// Sets TZ for the life of the object and puts the old value back.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* zone) {
        if (const char* old = std::getenv("TZ")) {
            m_old = old;
        }
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ScopedTimeZone() {
        if (m_old) {
            setenv("TZ", m_old->c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }

private:
    std::optional<std::string> m_old;
};

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

class InboxAgainstDovecot : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_tls.Load());
        ASSERT_TRUE(m_dovecot.Start(kMessages)) << m_dovecot.error();
        m_files = m_dovecot.MessageFiles("alice");
        ASSERT_EQ(m_files.size(), static_cast<std::size_t>(kMessages));
        for (const auto& file : m_files) {  // before a login moves them
            m_sizes.push_back(WireSize(file));
            ASSERT_GT(m_sizes.back(), 0u) << file;
        }
        m_profile.name = "Alice";
        m_profile.host = "127.0.0.1";
        m_profile.port = m_dovecot.plain_port();
        m_profile.user = "alice";
        m_profile.pass = m_dovecot.password("alice");
        m_profile.alive = 0;
    }

    LoadOutcome OpenAndLoad(PopSession& session, MessageList& list, ScriptedServices& services) {
        OpenMailboxRequest open;
        open.working = m_profile;
        EXPECT_EQ(OpenMailbox(session, open, services), OpenOutcome::EnterInbox);
        InboxLoadRequest load;
        load.working = &m_profile;
        return LoadInbox(session, load, list, services);
    }

    TlsLibrary m_tls;
    DovecotServer m_dovecot;
    std::vector<std::filesystem::path> m_files;
    std::vector<std::uint32_t> m_sizes;
    Profile m_profile;
};

TEST_F(InboxAgainstDovecot, AlicesFiveMessages) {
    ScopedTimeZone utc("UTC");
    struct Expected {
        const char* subject;
        const char* sender;
        const char* date;  // the samples are sent an hour apart from 10:00 UTC
    };
    const Expected expected[kMessages] = {
        {"Plain text sample 1", "Sender 1", "2024-01-01 11:00:00"},
        {"Dot-stuffing sample 2", "Sender 2", "2024-01-01 12:00:00"},
        {"Caf\xe9 quoted-printable sample 3", "Sender 3", "2024-01-01 13:00:00"},
        {"Multipart sample 4 with an attachment", "Sender 4", "2024-01-01 14:00:00"},
        {"Long sample 5 (about 300 KB)", "Sender 5", "2024-01-01 15:00:00"},
    };
    m_profile.autosort = 1;
    PopSession session(&m_tls);
    ScriptedServices services;
    MessageList list;
    ASSERT_EQ(OpenAndLoad(session, list, services), LoadOutcome::Loaded);
    ASSERT_EQ(list.Count(), static_cast<std::size_t>(kMessages));
    for (std::uint32_t n = 1; n <= kMessages; ++n) {
        const InboxEntry* entry = list.Find(n);
        ASSERT_NE(entry, nullptr) << n;
        const Expected& e = expected[n - 1];
        EXPECT_EQ(entry->subject, e.subject);
        EXPECT_EQ(entry->sender, e.sender);
        EXPECT_EQ(entry->date, e.date);
        EXPECT_EQ(entry->recipient, "alice@example.test");
        EXPECT_EQ(entry->size_text, SizeText(m_sizes[n - 1])) << n;
        EXPECT_EQ(entry->multipart, n == 4) << n;
        EXPECT_FALSE(entry->identity.IsZero()) << n;
    }
    EXPECT_EQ(list.RowAt(0).number, 5u) << "newest first";
    EXPECT_EQ(services.LastStatus(StatusLine::Inbox),
              TextFormat("Loaded 5 message(s) occupying %.1f KB", session.mailbox_size / 1024.0));
    EXPECT_TRUE(services.Boxes().empty());
    PopQuit(session.connection);
}

TEST_F(InboxAgainstDovecot, PartialModeFetchesTheNewestHeadersOnly) {
    m_profile.mode = 1;
    m_profile.maximum = 2;
    PopSession session(&m_tls);
    ScriptedServices services;
    MessageList list;
    ASSERT_EQ(OpenAndLoad(session, list, services), LoadOutcome::Loaded);
    ASSERT_EQ(list.Count(), 2u);
    EXPECT_EQ(list.At(0).subject, "Multipart sample 4 with an attachment");
    EXPECT_EQ(list.At(1).subject, "Long sample 5 (about 300 KB)");
    ASSERT_EQ(session.sizes.size(), static_cast<std::size_t>(kMessages));
    for (std::uint32_t n = 1; n <= kMessages; ++n) {
        EXPECT_EQ(session.sizes[n - 1], m_sizes[n - 1]) << "LIST gives every size";
    }
    for (const std::string& status : services.Statuses(StatusLine::Inbox)) {
        EXPECT_FALSE(status.starts_with("Reading message 3 ")) << status;
    }
    PopQuit(session.connection);
}

}  // namespace
}  // namespace tarvox
