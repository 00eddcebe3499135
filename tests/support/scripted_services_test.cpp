#include "support/scripted_services.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

namespace tarvox {
namespace {

TextPromptRequest Prompt(std::string prompt) {
    TextPromptRequest request;
    request.prompt = std::move(prompt);
    return request;
}

TEST(ScriptedServices, AnswersFromTheScriptAndRecordsInOrder) {
    ScriptedServices services;
    services.QueueBoxAnswer(BoxAnswer::Yes);
    services.QueuePromptText("secret", true);
    services.QueueBoxAnswer(BoxAnswer::No);

    EXPECT_EQ(services.ShowMessage("Connected", "", BoxIcon::Information), BoxAnswer::Ok);
    EXPECT_EQ(services.ShowMessage("Delete?", "Tarvox", BoxIcon::Question, BoxButtons::YesNo),
              BoxAnswer::Yes);
    TextPromptRequest password = Prompt("Passphrase:");
    password.dont_ask_again_box = true;
    const TextPromptResult result = services.TextPrompt(password);
    EXPECT_TRUE(result.submitted);
    EXPECT_EQ(result.text, "secret");
    EXPECT_TRUE(result.dont_ask_again);
    EXPECT_EQ(services.ShowMessage("Really?", "", BoxIcon::Warning, BoxButtons::YesNoDefaultNo),
              BoxAnswer::No);

    const std::vector<ScriptedServices::Call> calls = services.Calls();
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(calls[0].kind, ScriptedServices::CallKind::Box);
    EXPECT_EQ(calls[0].box.text, "Connected");
    EXPECT_EQ(calls[1].box.caption, "Tarvox");
    EXPECT_EQ(calls[1].box_answer, BoxAnswer::Yes);
    EXPECT_EQ(calls[2].kind, ScriptedServices::CallKind::Prompt);
    EXPECT_EQ(calls[2].prompt.prompt, "Passphrase:");
    EXPECT_EQ(calls[3].box.buttons, BoxButtons::YesNoDefaultNo);
    EXPECT_FALSE(
        std::any_of(calls.begin(), calls.end(), [](const auto& c) { return c.unexpected; }));

    const std::vector<MessageBoxRequest> boxes = services.Boxes();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[2].text, "Really?");
    ASSERT_EQ(services.Prompts().size(), 1u);
    EXPECT_EQ(services.PendingBoxAnswers(), 0u);
    EXPECT_EQ(services.PendingPrompts(), 0u);
}

TEST(ScriptedServices, UnexpectedYesNoBoxFailsAndAnswersNo) {
    ScriptedServices services;
    BoxAnswer answer = BoxAnswer::Yes;
    EXPECT_NONFATAL_FAILURE(
        answer = services.ShowMessage("Delete?", "", BoxIcon::Question, BoxButtons::YesNo),
        "unexpected YesNo box \"Delete?\"");
    EXPECT_EQ(answer, BoxAnswer::No);
    ASSERT_EQ(services.Calls().size(), 1u);
    EXPECT_TRUE(services.Calls()[0].unexpected);
}

TEST(ScriptedServices, UnexpectedPromptFailsAndCancels) {
    ScriptedServices services;
    services.QueueBoxAnswer(BoxAnswer::Yes);  // a box answer is no prompt answer
    TextPromptResult result{true, "x", false};
    EXPECT_NONFATAL_FAILURE(result = services.TextPrompt(Prompt("User:")),
                            "unexpected prompt \"User:\"");
    EXPECT_FALSE(result.submitted);
    EXPECT_TRUE(result.text.empty());
    EXPECT_EQ(services.ShowMessage("Go?", "", BoxIcon::None, BoxButtons::YesNo), BoxAnswer::Yes);
}

TEST(ScriptedServices, AnswersNoUserCouldGiveFail) {
    ScriptedServices services;
    TextPromptRequest port = Prompt("Port:");
    port.numbers_only = true;
    services.QueuePromptText("11O");
    TextPromptResult result;
    EXPECT_NONFATAL_FAILURE(result = services.TextPrompt(port), "numbers-only");
    EXPECT_FALSE(result.submitted);

    services.QueuePromptText("alice", true);
    EXPECT_NONFATAL_FAILURE(result = services.TextPrompt(Prompt("User:")),
                            "no \"Don't ask again\" box");
    EXPECT_FALSE(result.submitted);

    EXPECT_NONFATAL_FAILURE(services.QueueBoxAnswer(BoxAnswer::Ok), "Ok boxes need none");
    EXPECT_NONFATAL_FAILURE(services.QueuePromptText(""), "never submits an empty text");
    EXPECT_EQ(services.PendingBoxAnswers(), 0u);
    EXPECT_EQ(services.PendingPrompts(), 0u);
}

TEST(ScriptedServices, SubmittedTextIsCutToCapacity) {
    ScriptedServices services;
    services.QueuePromptText("abcdef");
    TextPromptRequest request = Prompt("Name:");
    request.capacity = 4;
    EXPECT_EQ(services.TextPrompt(request).text, "abc");
    EXPECT_EQ(services.Calls()[0].prompt_result.text, "abc");
}

TEST(ScriptedServices, LeftoverAnswersFail) {
    ScriptedServices services;
    services.QueueBoxAnswer(BoxAnswer::Yes);
    services.QueuePromptCancel();
    EXPECT_NONFATAL_FAILURE(services.ExpectScriptUsedUp(),
                            "1 box answer(s), 1 prompt answer(s) and 0 certificate decision(s) left");
    // Reported once: the check dropped the leftovers.
    services.ExpectScriptUsedUp();
}

TEST(ScriptedServices, DestructorChecksTheScript) {
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedServices services;
            services.QueuePromptText("unused");
        },
        "not used up");
}

TEST(ScriptedServices, EachAnswerGoesToExactlyOneCallAcrossThreads) {
    constexpr int kThreads = 4;
    constexpr int kPromptsPerThread = 1000;
    ScriptedServices services;
    for (int i = 0; i < kThreads * kPromptsPerThread; ++i) {
        services.QueuePromptText(std::to_string(i));
        services.QueueBoxAnswer(i % 2 == 0 ? BoxAnswer::Yes : BoxAnswer::No);
    }
    std::vector<std::vector<std::string>> answers(kThreads);
    std::vector<int> yes_counts(kThreads, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kPromptsPerThread; ++i) {
                answers[t].push_back(services.TextPrompt(Prompt("n")).text);
                if (services.ShowMessage("q", "", BoxIcon::None, BoxButtons::YesNo) ==
                    BoxAnswer::Yes) {
                    ++yes_counts[t];
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }

    std::vector<int> seen;
    for (const auto& list : answers) {
        for (const std::string& text : list) {
            seen.push_back(std::stoi(text));
        }
    }
    std::sort(seen.begin(), seen.end());
    std::vector<int> all(kThreads * kPromptsPerThread);
    for (int i = 0; i < static_cast<int>(all.size()); ++i) {
        all[i] = i;
    }
    EXPECT_EQ(seen, all);
    int yes_total = 0;
    for (int count : yes_counts) {
        yes_total += count;
    }
    EXPECT_EQ(yes_total, kThreads * kPromptsPerThread / 2);
    EXPECT_EQ(services.Calls().size(), 2u * kThreads * kPromptsPerThread);
    services.ExpectScriptUsedUp();
}

}  // namespace
}  // namespace tarvox
