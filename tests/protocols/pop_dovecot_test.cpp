// Against a real Dovecot on loopback ports: what only a real server shows.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "net/tls_library.h"
#include "protocols/inbox_loader.h"
#include "protocols/mail_saving.h"
#include "protocols/message_deletion.h"
#include "protocols/open_mailbox.h"
#include "protocols/pop_download.h"
#include "protocols/pop_session.h"
#include "message/viewer_text.h"
#include "support/dovecot_server.h"
#include "support/loopback.h"
#include "support/scripted_services.h"
#include "support/temp_dir.h"

namespace tarvox {
namespace {

// Logs alice in and lists her inbox.
::testing::AssertionResult LoadAliceInbox(DovecotServer& dovecot, PopSession& session, MessageList& list,
                                          ScriptedServices& services) {
    const Profile profile{.alive = 0, .host = "127.0.0.1", .port = dovecot.plain_port(), .user = "alice",
                          .pass = dovecot.password("alice")};
    if (OpenMailbox(session, {.working = profile}, services) != OpenOutcome::EnterInbox ||
        LoadInbox(session, {.working = &profile}, list, services) != LoadOutcome::Loaded) {
        return ::testing::AssertionFailure() << "alice's inbox did not open";
    }
    return ::testing::AssertionSuccess();
}

// RETR and TOP give each message byte for byte as the server stores it.
TEST(PopAgainstDovecot, RetrAndTopAsTheServerHasThem) {
    DovecotServer& dovecot = SharedDovecot();
    ASSERT_TRUE(dovecot.ResetMailbox(5)) << dovecot.error();
    std::vector<std::string> expected;
    for (const auto& file : dovecot.MessageFiles("alice")) {  // before a login moves them
        expected.push_back(DovecotServer::ExpectedRetrText(file));
    }
    ASSERT_EQ(expected.size(), 5u);
    PopSession session(&LoadedTls());
    ScriptedServices services;
    MessageList list;
    ASSERT_TRUE(LoadAliceInbox(dovecot, session, list, services));
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

// UTF-8, ISO-2022-JP and KOI8-R samples: the inbox row from TOP and the viewer's text from RETR.
TEST(PopAgainstDovecot, EveryCharsetReadsInTheListAndTheViewer) {
    DovecotServer& dovecot = SharedDovecot();
    ASSERT_TRUE(dovecot.ResetMailbox(8)) << dovecot.error();
    PopSession session(&LoadedTls());
    ScriptedServices services;
    MessageList list;
    ASSERT_TRUE(LoadAliceInbox(dovecot, session, list, services));
    const std::tuple<std::uint32_t, std::string, std::string> cases[] = {
        {6, "UTF-8 sample 6: € — 日本", "Prices in euro: 5 € — 日本へようこそ.\r\n"},
        {7, "日本語の件名 7", "こんにちは、アリスさん。\r\n"},
        {8, "Пример 8", "Привет, Алиса!\r\n"},
    };
    for (const auto& [number, subject, line] : cases) {
        EXPECT_EQ(list.Find(number)->subject, subject);
        DownloadedMessage message;
        ASSERT_EQ(PopDownload(session, {.message_number = number}, message, services), DownloadResult::Complete);
        const ViewedMessage viewed(std::string(message.Text()), {});
        EXPECT_NE(viewed.display_text().find("Subject:\t" + subject + "\r\n"), std::string::npos) << number;
        EXPECT_NE(viewed.display_text().find(line), std::string::npos) << viewed.display_text();
    }
    PopQuit(session.connection);
}

// Dovecot lists PIPELINING; 250 messages listed pipelined and then forced one at a time are the same.
TEST(PopAgainstDovecot, PipelinedListingEqualsLockStep) {
    DovecotServer& dovecot = SharedDovecot();
    ASSERT_TRUE(dovecot.ResetMailbox(250)) << dovecot.error();
    std::vector<InboxEntry> listings[2];
    for (const int lock_step : {0, 1}) {
        ::setenv("TARVOX_POP3_LOCKSTEP", lock_step == 1 ? "1" : "0", 1);
        PopSession session(&LoadedTls());
        ScriptedServices services;
        MessageList list;
        ASSERT_TRUE(LoadAliceInbox(dovecot, session, list, services));
        EXPECT_TRUE(session.capabilities.pipelining);
        for (std::size_t i = 0; i < list.Count(); ++i) {
            listings[lock_step].push_back(list.At(i));
        }
        PopQuit(session.connection);
    }
    ::unsetenv("TARVOX_POP3_LOCKSTEP");
    ASSERT_EQ(listings[0].size(), 250u);
    EXPECT_EQ(listings[0], listings[1]);
}

// Pipelined, saving writes every message as the server has it, and deleting leaves the rest on the server.
TEST(PopAgainstDovecot, PipelinedSavingAndDeleting) {
    DovecotServer& dovecot = SharedDovecot();
    ASSERT_TRUE(dovecot.ResetMailbox(5)) << dovecot.error();
    std::multiset<std::string> expected;
    for (const auto& file : dovecot.MessageFiles("alice")) {
        expected.insert(DovecotServer::ExpectedRetrText(file));
    }
    PopSession session(&LoadedTls());
    ScriptedServices services;
    MessageList list;
    ASSERT_TRUE(LoadAliceInbox(dovecot, session, list, services));
    ASSERT_TRUE(session.capabilities.pipelining);

    const TempDir root;
    std::vector<std::size_t> started;
    EXPECT_EQ(SaveMessages(session, {1, 2, 3, 4, 5}, Profile{.name = "Alice"}, root.path(), services,
                           [&started](std::size_t index) {
                               started.push_back(index);
                               return true;
                           }),
              SaveMailOutcome::Saved);
    EXPECT_EQ(started, (std::vector<std::size_t>{1, 2, 3, 4, 5}));
    std::multiset<std::string> saved;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root.path())) {
        if (entry.is_regular_file()) {
            saved.insert(ReadWholeFile(entry.path()));
        }
    }
    EXPECT_EQ(saved, expected);

    for (const std::size_t row : {1, 3}) {
        list.Select(row, true);
    }
    ASSERT_TRUE(DeleteSelected(session, list, services));
    EXPECT_EQ(list.RowNumbers(), (std::vector<std::uint32_t>{5, 3, 1}));  // newest first
    EXPECT_EQ(PopSaveAndExit(session, services), InboxExit::CloseInbox);
    EXPECT_TRUE(services.Boxes().empty());
    EXPECT_EQ(dovecot.MessageFiles("alice").size(), 3u);
}

}  // namespace
}  // namespace tarvox
