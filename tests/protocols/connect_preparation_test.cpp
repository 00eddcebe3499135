#include "protocols/connect_preparation.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "support/scripted_services.h"

namespace tarvox {
namespace {

using Texts = std::vector<std::string>;

// The profile to connect with: empty texts are to be asked for.
Profile P(int port, const char* host, const char* user, const char* pass,
          MailboxMode mode = MailboxMode::Full, int maximum = 0) {
    return {.host = host, .port = port, .user = user, .pass = pass, .mode = mode, .maximum = maximum};
}

TEST(PrepareConnect, ChecksAndPromptsInOrder) {
    const std::string port =
        "[POP3 options] Invalid POP3 port\nEnter a number between 1 and 65535. The POP3 port is usually 110.";
    const std::string maximum =
        "[POP3 options] To specify the maximum number of messages to load, enter a value in the "
        "box beside the Partial radio button. Or, select the Full radio button to load all messages.";
    const char* h = "pop.example.org";
    constexpr auto kIn = OpenMode::Connect;
    constexpr auto kPoll = OpenMode::StatOnly;
    constexpr auto kPartial = MailboxMode::Partial;
    const auto no = std::nullopt;
    const struct {
        Profile working;
        OpenMode mode;
        std::vector<std::optional<std::string>> answers;  // nullopt cancels
        bool ready;
        std::string box;  // the one box shown, or none
        Texts prompts;
        std::string user, pass;  // after
        int maximum = 0;
    } cases[] = {
        {P(110, h, "ann", "pw"), kIn, {}, true, "", {}, "ann", "pw"},
        {P(0, h, "ann", "pw"), kIn, {}, false, port, {}, "ann", "pw"},
        {P(65536, "", "ann", "pw"), kPoll, {}, false, port, {}, "ann", "pw"},
        {P(110, "", "ann", "pw"), kIn, {}, false, "[Account] Fill in the POP3 host", {}, "ann", "pw"},
        {P(110, h, "", ""), kIn, {"bob", "builder"}, true, "", {"POP3 username", "POP3 password"},
         "bob", "builder"},
        {P(110, h, "", ""), kIn, {no}, false, "", {"POP3 username"}, "", ""},
        {P(110, h, "ann", ""), kPoll, {no}, false, "", {"POP3 password"}, "ann", ""},
        // The maximum is checked after the prompts, and not for a poll.
        {P(110, h, "ann", "", kPartial), kIn, {"pw"}, false, maximum, {"POP3 password"}, "ann", "pw"},
        {P(110, h, "ann", "pw", kPartial), kPoll, {}, true, "", {}, "ann", "pw"},
        {P(110, h, "ann", "pw", kPartial, 100), kIn, {}, true, "", {}, "ann", "pw", 100},
        // Full mode clears the maximum on a connect only.
        {P(110, h, "ann", "pw", MailboxMode::Full, 100), kIn, {}, true, "", {}, "ann", "pw"},
        {P(110, h, "ann", "pw", MailboxMode::Full, 100), kPoll, {}, true, "", {}, "ann", "pw", 100},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.box + c.working.user + std::to_string(c.working.port) + c.working.host);
        Profile working = c.working;
        ScriptedServices services;
        for (const std::optional<std::string>& answer : c.answers) {
            answer ? services.QueuePromptText(*answer) : services.QueuePromptCancel();
        }
        EXPECT_EQ(PrepareConnect(working, c.mode, services), c.ready);
        const std::vector<MessageBoxRequest> boxes = services.Boxes();
        ASSERT_EQ(boxes.size(), c.box.empty() ? 0u : 1u);
        EXPECT_EQ(boxes.empty() ? "" : boxes[0].text, c.box);
        Texts titles;
        for (const TextPromptRequest& prompt : services.Prompts()) {
            titles.push_back(prompt.title);
            EXPECT_EQ(prompt.password_mode, prompt.title == "POP3 password");
        }
        EXPECT_EQ(titles, c.prompts);
        EXPECT_EQ(working.user + " " + working.pass, c.user + " " + c.pass);
        EXPECT_EQ(working.maximum, c.maximum);
    }
}

}  // namespace
}  // namespace tarvox
