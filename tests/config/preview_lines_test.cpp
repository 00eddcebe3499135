#include "config/preview_lines.h"

#include <gtest/gtest.h>

#include <tuple>

#include "config/global_settings.h"
#include "support/scripted_services.h"

namespace tarvox {
namespace {

TEST(AskPreviewLines, TakesANumberOfAtLeastOneAndTheDontAskAgainBox) {
    // {autoprev before (1: Preview does not ask), typed (null: Cancel, or no prompt at all),
    //  don't ask again, preview after, autoprev after, box}
    const std::tuple<int, const char*, bool, int, int, const char*> cases[] = {
        {0, "35", true, 35, 1, nullptr}, {0, "7", false, 7, 0, nullptr},
        {0, "0", true, 20, 1, "Invalid number entered (must be greater than 0)"},
        {0, nullptr, false, 20, 0, nullptr}, {1, nullptr, false, 20, 1, nullptr},
    };
    for (const auto& [autoprev, typed, dont_ask_again, preview_after, autoprev_after, box] :
         cases) {
        SCOPED_TRACE(typed == nullptr ? "none" : typed);
        GlobalSettings global;
        global.preview = 20;
        global.autoprev = autoprev;
        ScriptedServices services;
        if (typed != nullptr) {
            services.QueuePromptText(typed, dont_ask_again);
        } else if (autoprev == 0) {
            services.QueuePromptCancel();
        }
        AskPreviewLinesBeforePreview(global, services);
        ASSERT_EQ(services.Prompts().size(), autoprev == 0 ? 1u : 0u);
        if (autoprev == 0) {
            EXPECT_EQ(services.Prompts()[0].initial_text, "20");
        }
        EXPECT_EQ(global.preview, preview_after);
        EXPECT_EQ(global.autoprev, autoprev_after);
        ASSERT_EQ(services.Boxes().size(), box != nullptr ? 1u : 0u);
        if (box != nullptr) {
            EXPECT_EQ(services.Boxes()[0].text, box);
        }
    }
}

}  // namespace
}  // namespace tarvox
