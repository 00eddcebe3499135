// Dovecot with five fresh messages for alice, her stored profile, and a login.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "options_window_fixture.h"
#include "protocols/open_mailbox.h"
#include "protocols/pop_session.h"
#include "support/dovecot_server.h"
#include "ui/dialog_driver.h"
#include "ui/inbox_window.h"

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

    // Logs in with the first stored profile and shows an inbox window with its rows (5 4 3 2 1).
    std::unique_ptr<InboxWindow> LoadedInbox() {
        auto session = std::make_unique<PopSession>(&c.context.tls);
        c.context.working = Login(*session, &c.context.config.profiles).working;
        c.context.session = std::move(session);
        auto window = std::make_unique<InboxWindow>(c.context);
        window->show();
        EXPECT_TRUE(DialogDriver::WorkerEnded(*window));
        return window;
    }

    // The number of messages the server holds now, from a session of its own.
    std::uint32_t ServerCount() {
        PopSession session(&c.context.tls);
        Login(session);
        PopQuit(session.connection);
        return session.message_count;
    }

    DovecotServer* server = &SharedDovecot();
    OptionsWindowContext c;

private:
    OpenMailboxRequest Login(PopSession& session, ProfileList* stored = nullptr) {
        OpenMailboxRequest request;
        request.working = c.context.config.profiles.front();
        request.stored = stored;
        OpenOutcome outcome = OpenOutcome::Failed;
        EXPECT_TRUE(
            DialogDriver::RunWorker([&] { outcome = OpenMailbox(session, request, c.services); }));
        EXPECT_EQ(outcome, OpenOutcome::EnterInbox);
        return request;
    }
};

}  // namespace tarvox
