// What the tests of the inbox and of the windows opened from it share: a
// Dovecot with five fresh sample messages for alice (some tests delete mail
// for good), the stored profile "Alice" that reaches it, and Open(), which
// logs in as the options window's Connect does.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "options_window_fixture.h"
#include "protocols/open_mailbox.h"
#include "protocols/pop_session.h"
#include "support/dovecot_server.h"
#include "ui/dialog_driver.h"

namespace tarvox {

class DovecotInboxTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server->ResetMailbox(5)) << server->error();
        ASSERT_TRUE(c.context.tls.Load());
        Profile& alice = c.AddProfile("Alice", "127.0.0.1");
        alice.user = "alice";
        alice.pass = "wonderland";
        alice.port = server->plain_port();
    }
    void TearDown() override {
        if (c.context.session != nullptr && c.context.session->connection.Connected()) {
            PopQuit(c.context.session->connection);
        }
    }

    // Logs in with the first stored profile and leaves the session and the
    // profile in the context, for an inbox window to take over.
    void Open() {
        auto session = std::make_unique<PopSession>(&c.context.tls);
        OpenMailboxRequest request;
        request.working = c.context.config.profiles.front();
        request.stored = &c.context.config.profiles;
        OpenOutcome outcome = OpenOutcome::Failed;
        ASSERT_TRUE(
            DialogDriver::RunWorker([&] { outcome = OpenMailbox(*session, request, c.services); }));
        ASSERT_EQ(outcome, OpenOutcome::EnterInbox);
        c.context.working = request.working;
        c.context.session = std::move(session);
    }

    // The number of messages the server holds now, from a session of its own.
    std::uint32_t ServerCount() {
        PopSession session(&c.context.tls);
        OpenMailboxRequest request;
        request.working = c.context.config.profiles.front();
        OpenOutcome outcome = OpenOutcome::Failed;
        EXPECT_TRUE(
            DialogDriver::RunWorker([&] { outcome = OpenMailbox(session, request, c.services); }));
        const std::uint32_t count = session.message_count;
        PopQuit(session.connection);
        return count;
    }

    DovecotServer* server = &SharedDovecot();
    OptionsWindowContext c;
};

}  // namespace tarvox
