#include "protocols/save_mail_run.h"

#include <gtest/gtest.h>

namespace tarvox {
namespace {

TEST(SaveMailRun, WalksTheNumbersUntilTheEndAStopOrAFailure) {
    const struct {
        const char* outcomes;  // one per message started: Saved, sKipped, Failed, - not downloaded
        int stop_at;           // Stop while this message runs; 0: never
        SaveMailStep last;
        const char* progress;  // of the last message started
        int done;              // the count of the end text
    } cases[] = {
        {"SKS", 0, SaveMailStep::Done, "3 of 3 . . . [ 100% ]", 3},
        {"SS", 2, SaveMailStep::Done, "2 of 3 . . . [ 66% ]", 2},
        {"S", 1, SaveMailStep::Done, "1 of 3 . . . [ 33% ]", 1},
        {"S-", 0, SaveMailStep::Failed, "2 of 3 . . . [ 66% ]", 3},
        {"F", 0, SaveMailStep::Failed, "1 of 3 . . . [ 33% ]", 3},
    };
    const std::uint32_t numbers[] = {7, 3, 9};
    for (const auto& test : cases) {
        SCOPED_TRACE(test.outcomes);
        SaveMailRun run({7, 3, 9});
        std::string progress;
        SaveMailStep step = SaveMailStep::NextMessage;
        for (const char* c = test.outcomes; *c != '\0'; ++c) {
            ASSERT_EQ(step, SaveMailStep::NextMessage);
            EXPECT_EQ(run.number(), numbers[run.index() - 1]);
            progress = run.ProgressText();
            if (run.index() == test.stop_at) {
                run.Stop();
            }
            const auto outcome = *c == 'S'   ? SaveMailOutcome::Saved
                                 : *c == 'K' ? SaveMailOutcome::Skipped
                                 : *c == 'F' ? std::optional(SaveMailOutcome::Failed)
                                             : std::nullopt;
            step = run.MessageEnded(outcome);
        }
        EXPECT_EQ(step, test.last);
        EXPECT_EQ(progress, std::string("Downloading message ") + test.progress);
        EXPECT_EQ(run.DoneText(), "Done saving " + std::to_string(test.done) + " message(s)");
    }
}

TEST(SaveMailRun, AfterTheDialogTheStoredProfileTakesTheSavedMailSettingsOnly) {
    const Profile working{.name = "Work", .savemail_fmt = 1, .copyself_fmt = 2,
                          .savemail_ext = ".eml", .savemail_dir = "/saved", .copyself_dir = "/c"};
    ProfileList stored;
    KeepSavedMailSettings(stored, working);  // none stored: nothing to do
    stored.push_back(Profile{.name = "Work"});
    KeepSavedMailSettings(stored, working);
    const Profile expected{.name = "Work", .savemail_fmt = 1, .savemail_ext = ".eml",
                           .savemail_dir = "/saved"};
    EXPECT_EQ(stored, ProfileList{expected});
}

}  // namespace
}  // namespace tarvox
