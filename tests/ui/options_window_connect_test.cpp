// Connect against a real Dovecot, and Abort against a silent server.
#include "ui/options_window.h"

#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

#include "dovecot_inbox_fixture.h"
#include "support/loopback.h"
#include "ui/account_page.h"

namespace tarvox {
namespace {

class OptionsWindowConnectTest : public DovecotInboxTest {
protected:
    // Opens on the stored profile alice.
    void Show() {
        c.context.config.global.last = "Alice";
        window = std::make_unique<OptionsWindow>(c.context);
        window->show();
        account = window->account_page();
    }

    std::unique_ptr<OptionsWindow> window;
    AccountPage* account = nullptr;
    DialogDriver driver;
};

TEST_F(OptionsWindowConnectTest, AGoodConnectClosesTheWindowWithTheSessionAndAnUnsavedPromptedPassword) {
    Show();
    Control(account, "pass")->setText("");
    driver.Then(TypeAndClick("wonderland", "submit"));  // the password prompt
    account->connect_button()->click();
    ASSERT_TRUE(DialogDriver::WorkerEnded(*window)) << account->status_line()->text().toStdString();
    EXPECT_EQ(window->result(), 1);
    EXPECT_FALSE(window->isVisible());
    ASSERT_NE(c.context.session, nullptr);
    EXPECT_TRUE(c.context.session->connection.Connected());
    EXPECT_EQ(c.context.working.pass, "wonderland") << "the prompted password goes along";
    EXPECT_EQ(c.context.config.profiles.front().pass, "") << "but is not autosaved";
}

TEST_F(OptionsWindowConnectTest, AbortAndExitEndAConnectionWaitingForTheGreeting) {
    SilentListener silent;
    c.context.config.profiles.front().port = silent.port();
    Show();
    account->connect_button()->click();
    ASSERT_TRUE(DialogDriver::RunUntil([&] {
        return account->abort_button()->isEnabled() &&
               account->status_line()->text() == "Connected. Logging in . . .";
    })) << account->status_line()->text().toStdString();
    EXPECT_FALSE(account->connect_button()->isEnabled());
    account->abort_button()->click();
    ASSERT_TRUE(DialogDriver::WorkerEnded(*window));
    EXPECT_TRUE(account->connect_button()->isEnabled());
    EXPECT_FALSE(account->abort_button()->isEnabled());
    EXPECT_NE(window->result(), 1);

    account->connect_button()->click();
    ASSERT_TRUE(DialogDriver::RunUntil([&] { return account->abort_button()->isEnabled(); }));
    Control<QPushButton>(window.get(), "exit")->click();
    EXPECT_FALSE(window->worker_running());
    EXPECT_EQ(window->result(), 0);
    account->connect_button()->click();  // destroyed with a worker still blocked
    ASSERT_TRUE(window->worker_running());
    window.reset();
    EXPECT_EQ(c.context.session, nullptr);
}

}  // namespace
}  // namespace tarvox
