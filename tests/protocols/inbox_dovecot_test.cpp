// Loading the inbox from a real Dovecot: what LoadInbox lists, what it asks the
// server for, purge mode, deletions and stored flags.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "codec/text_format.h"
#include "config/profile.h"
#include "junk/stored_flags.h"
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

std::string SizeText(std::uint32_t size) { return TextFormat("%.1f K", size / 1024.0); }

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
        ASSERT_TRUE(m_dovecot.Start(messages)) << m_dovecot.error();
        m_profile.port = m_dovecot.plain_port();
        m_profile.pass = m_dovecot.password("alice");
    }

    // Opens the mailbox and loads it with the stored profiles given.
    LoadOutcome OpenAndLoad(PopSession& session, MessageList& list, ScriptedServices& services,
                            const ProfileList* stored = nullptr) {
        OpenMailboxRequest open;
        open.working = m_profile;
        EXPECT_EQ(OpenMailbox(session, open, services), OpenOutcome::EnterInbox);
        InboxLoadRequest load;
        load.working = &m_profile;
        load.stored = stored;
        return LoadInbox(session, load, list, services);
    }

    // Loads the mailbox in a session of its own, ended with QUIT.
    MessageList LoadAndQuit(const ProfileList* stored = nullptr) {
        PopSession session(&m_tls);
        ScriptedServices services;
        MessageList list;
        EXPECT_EQ(OpenAndLoad(session, list, services, stored), LoadOutcome::Loaded);
        PopQuit(session.connection);
        return list;
    }

    TlsLibrary m_tls;
    DovecotServer m_dovecot;
    Profile m_profile;
};

TEST_F(InboxAgainstDovecot, AlicesFiveMessages) {
    ScopedTimeZone utc("UTC");
    StartServer(5);
    std::vector<std::uint32_t> sizes;
    for (const auto& file : m_dovecot.MessageFiles("alice")) {  // before a login moves them
        sizes.push_back(WireSize(file));
    }
    ASSERT_EQ(sizes.size(), 5u);
    struct Expected {
        const char* subject;
        const char* sender;
        const char* date;  // the samples are sent an hour apart from 10:00 UTC
    };
    const Expected expected[5] = {
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
    ASSERT_EQ(list.Count(), 5u);
    for (std::uint32_t n = 1; n <= 5; ++n) {
        const InboxEntry* entry = list.Find(n);
        ASSERT_NE(entry, nullptr) << n;
        const Expected& e = expected[n - 1];
        EXPECT_EQ(entry->subject, e.subject);
        EXPECT_EQ(entry->sender, e.sender);
        EXPECT_EQ(entry->date, e.date);
        EXPECT_EQ(entry->recipient, "alice@example.test");
        EXPECT_EQ(entry->size_text, SizeText(sizes[n - 1])) << n;
        EXPECT_EQ(entry->multipart, n == 4) << n;
        EXPECT_FALSE(entry->identity.IsZero()) << n;
    }
    EXPECT_EQ(list.RowAt(0).number, 5u) << "newest first";
    EXPECT_EQ(services.LastStatus(StatusLine::Inbox),
              TextFormat("Loaded 5 message(s) occupying %.1f KB", session.mailbox_size / 1024.0));
    EXPECT_TRUE(services.Boxes().empty());
    PopQuit(session.connection);
}

TEST_F(InboxAgainstDovecot, PartialModeListsEverySizeAndReadsTheNewestHeadersOnly) {
    StartServer(250);
    std::vector<std::uint32_t> sizes;
    for (const auto& file : m_dovecot.MessageFiles("alice")) {
        sizes.push_back(WireSize(file));
    }
    ASSERT_EQ(sizes.size(), 250u);
    m_profile.mode = 1;
    m_profile.maximum = 100;
    m_profile.autosort = 0;
    PopSession session(&m_tls);
    ScriptedServices services;
    MessageList list;
    ASSERT_EQ(OpenAndLoad(session, list, services), LoadOutcome::Loaded);
    ASSERT_EQ(list.Count(), 100u);
    for (std::size_t i = 0; i < list.Count(); ++i) {
        EXPECT_EQ(list.At(i).number, 151 + i);
    }
    EXPECT_EQ(session.sizes, sizes) << "LIST gives every size";
    EXPECT_EQ(services.LastStatus(StatusLine::Inbox),
              TextFormat("Showing 100 newest from total 250 messages (mailbox size: %.1f KB)",
                         session.mailbox_size / 1024.0));
    PopQuit(session.connection);
    // Dovecot's account of the session: a TOP for each shown message, nothing else.
    const std::string logout = m_dovecot.WaitForLogLine("Logged out top=");
    EXPECT_NE(logout.find("top=100/"), std::string::npos) << logout;
    EXPECT_NE(logout.find("retr=0/0"), std::string::npos) << logout;
    EXPECT_NE(logout.find("del=0/250"), std::string::npos) << logout;
}

TEST_F(InboxAgainstDovecot, PurgeDeletesOnlyAfterTheLastChance) {
    StartServer(5);
    m_profile.mode = 2;
    struct Run {
        std::vector<BoxAnswer> answers;
        LoadOutcome outcome;
        std::size_t files_after;
    };
    const Run runs[] = {
        {{BoxAnswer::No}, LoadOutcome::Loaded, 5},
        {{BoxAnswer::Yes, BoxAnswer::No}, LoadOutcome::Purged, 5},
        {{BoxAnswer::Yes, BoxAnswer::Yes}, LoadOutcome::Purged, 0},
    };
    for (const Run& run : runs) {
        SCOPED_TRACE(run.answers.size());
        PopSession session(&m_tls);
        ScriptedServices services;
        for (BoxAnswer answer : run.answers) {
            services.QueueBoxAnswer(answer);
        }
        MessageList list;
        ASSERT_EQ(OpenAndLoad(session, list, services), run.outcome);
        const std::vector<MessageBoxRequest> boxes = services.Boxes();
        ASSERT_EQ(boxes.size(), run.answers.size());
        EXPECT_EQ(boxes[0].text,
                  TextFormat("WARNING: You have indicated that you wish to delete all mail from "
                             "your POP3 mailbox. Your mailbox currently contains 5 messages "
                             "occupying %.1f KB. DO YOU WISH TO DELETE ALL OF THIS MAIL?",
                             session.mailbox_size / 1024.0));
        EXPECT_EQ(boxes[0].buttons, BoxButtons::YesNoDefaultNo);
        if (run.outcome == LoadOutcome::Loaded) {
            EXPECT_EQ(list.Count(), 5u);
            PopQuit(session.connection);
        } else {
            EXPECT_EQ(boxes[1].text, "LAST CHANCE. Confirm delete? (Yes writes changes to mailbox).");
            EXPECT_FALSE(session.connection.Connected());
        }
        EXPECT_EQ(m_dovecot.MessageFiles("alice").size(), run.files_after);
    }
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

TEST_F(InboxAgainstDovecot, FlagsStoredAtOneLoadComeBackAtTheNext) {
    StartServer(5);
    MessageList first = LoadAndQuit();
    ASSERT_EQ(first.Count(), 5u);
    std::vector<FlaggedMessage> flagged = {
        {first.Find(2)->identity, kFlagRead},
        {first.Find(5)->identity, kFlagRead | kFlagReplied},
    };
    ProfileList stored{m_profile};
    stored.front().msgid = BuildStoredFlags(flagged);

    const MessageList second = LoadAndQuit(&stored);
    for (std::uint32_t n = 1; n <= 5; ++n) {
        const std::uint32_t expected = n == 2 ? kFlagRead : n == 5 ? kFlagRead | kFlagReplied : 0;
        EXPECT_EQ(second.Find(n)->flags, expected) << n;
        EXPECT_EQ(second.Find(n)->identity, first.Find(n)->identity) << n;
    }
}

TEST_F(InboxAgainstDovecot, MissingSubjectAndUnreadableDate) {
    StartServer(1);
    ASSERT_TRUE(m_dovecot.AddMessage("alice", "2000000000.M1P1.extra",
                                     "From: Odd Sender <odd@example.test>\n"
                                     "To: alice@example.test\n"
                                     "Date: sometime last week\n"
                                     "\n"
                                     "No subject here.\n"));
    const MessageList list = LoadAndQuit();
    ASSERT_EQ(list.Count(), 2u);
    const InboxEntry* odd = list.Find(2);
    ASSERT_NE(odd, nullptr);
    EXPECT_EQ(odd->subject, "{No subject}");
    EXPECT_EQ(odd->date, "sometime last week");
    EXPECT_EQ(odd->sender, "Odd Sender");
}

}  // namespace
}  // namespace tarvox
