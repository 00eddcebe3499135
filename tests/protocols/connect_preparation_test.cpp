#include "protocols/connect_preparation.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "support/scripted_services.h"

namespace tarvox {
namespace {

constexpr const char* kPortMessage =
    "[POP3 options] Invalid POP3 port\nEnter a number between 1 and 65535. The POP3 port is "
    "usually 110.";
constexpr const char* kMaximumMessage =
    "[POP3 options] To specify the maximum number of messages to load, enter a value in the "
    "box beside the Partial radio button. Or, select the Full radio button to load all "
    "messages.";

Profile ReadyProfile() {
    Profile p;
    p.host = "pop.example.org";
    p.port = 110;
    p.user = "ann";
    p.pass = "secret";
    return p;
}

struct PrepareCase {
    const char* name;
    void (*edit)(Profile&);
    OpenMode mode;
    std::vector<std::optional<std::string>> answers;  // nullopt cancels
    bool ready;
    const char* box;  // the one box shown, or none
    std::vector<std::string> prompt_titles;
    const char* user;
    const char* pass;
    int maximum;
};

TEST(PrepareConnect, ChecksAndPromptsInOrder) {
    const PrepareCase cases[] = {
        {"ready", [](Profile&) {}, OpenMode::Connect, {}, true, nullptr, {}, "ann", "secret", 0},
        {"port 0", [](Profile& p) { p.port = 0; }, OpenMode::Connect, {}, false, kPortMessage,
         {}, "ann", "secret", 0},
        {"port 65536 before the empty host",
         [](Profile& p) {
             p.port = 65536;
             p.host.clear();
         },
         OpenMode::StatOnly, {}, false, kPortMessage, {}, "ann", "secret", 0},
        {"no host", [](Profile& p) { p.host.clear(); }, OpenMode::Connect, {}, false,
         "[Account] Fill in the POP3 host", {}, "ann", "secret", 0},
        {"both asked",
         [](Profile& p) {
             p.user.clear();
             p.pass.clear();
         },
         OpenMode::Connect, {"bob", "builder"}, true, nullptr,
         {"POP3 username", "POP3 password"}, "bob", "builder", 0},
        {"user cancelled: no password prompt",
         [](Profile& p) {
             p.user.clear();
             p.pass.clear();
         },
         OpenMode::Connect, {std::nullopt}, false, nullptr, {"POP3 username"}, "", "", 0},
        {"password cancelled", [](Profile& p) { p.pass.clear(); }, OpenMode::StatOnly,
         {std::nullopt}, false, nullptr, {"POP3 password"}, "ann", "", 0},
        {"partial without maximum, after the prompts",
         [](Profile& p) {
             p.pass.clear();
             p.mode = MailboxMode::Partial;
         },
         OpenMode::Connect, {"pw"}, false, kMaximumMessage, {"POP3 password"}, "ann", "pw", 0},
        {"partial without maximum may poll", [](Profile& p) { p.mode = MailboxMode::Partial; },
         OpenMode::StatOnly, {}, true, nullptr, {}, "ann", "secret", 0},
        {"partial keeps its maximum",
         [](Profile& p) {
             p.mode = MailboxMode::Partial;
             p.maximum = 100;
         },
         OpenMode::Connect, {}, true, nullptr, {}, "ann", "secret", 100},
        {"full clears the maximum", [](Profile& p) { p.maximum = 100; }, OpenMode::Connect, {},
         true, nullptr, {}, "ann", "secret", 0},
        {"a poll leaves it", [](Profile& p) { p.maximum = 100; }, OpenMode::StatOnly, {}, true,
         nullptr, {}, "ann", "secret", 100},
    };
    for (const PrepareCase& c : cases) {
        SCOPED_TRACE(c.name);
        Profile working = ReadyProfile();
        c.edit(working);
        ScriptedServices services;
        for (const std::optional<std::string>& answer : c.answers) {
            if (answer) {
                services.QueuePromptText(*answer);
            } else {
                services.QueuePromptCancel();
            }
        }
        EXPECT_EQ(PrepareConnect(working, c.mode, services), c.ready);

        const std::vector<MessageBoxRequest> boxes = services.Boxes();
        ASSERT_EQ(boxes.size(), c.box != nullptr ? 1u : 0u);
        if (c.box != nullptr) {
            EXPECT_EQ(boxes[0].text, c.box);
        }
        std::vector<std::string> titles;
        for (const TextPromptRequest& prompt : services.Prompts()) {
            titles.push_back(prompt.title);
            EXPECT_EQ(prompt.password_mode, prompt.title == "POP3 password");
        }
        EXPECT_EQ(titles, c.prompt_titles);
        EXPECT_EQ(working.user, c.user);
        EXPECT_EQ(working.pass, c.pass);
        EXPECT_EQ(working.maximum, c.maximum);
    }
}

}  // namespace
}  // namespace tarvox
