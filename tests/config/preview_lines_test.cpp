#include "config/preview_lines.h"

#include <gtest/gtest.h>

#include "config/global_settings.h"
#include "support/scripted_services.h"

namespace tarvox {
namespace {

TEST(AskPreviewLines, TakesANumberOfAtLeastOneAndTheDontAskAgainBox) {
    struct Case {
        int autoprev;       // before: 1 means Preview does not ask
        const char* typed;  // null: Cancel, or no prompt at all
        bool dont_ask_again;
        int preview_after, autoprev_after;
        const char* box;
    };
    const Case cases[] = {
        {0, "35", true, 35, 1, nullptr},
        {0, "7", false, 7, 0, nullptr},
        {0, "0", true, 20, 1, "Invalid number entered (must be greater than 0)"},
        {0, nullptr, false, 20, 0, nullptr},
        {1, nullptr, false, 20, 1, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed == nullptr ? "none" : c.typed);
        GlobalSettings global;
        global.preview = 20;
        global.autoprev = c.autoprev;
        ScriptedServices services;
        if (c.typed != nullptr) {
            services.QueuePromptText(c.typed, c.dont_ask_again);
        } else if (c.autoprev == 0) {
            services.QueuePromptCancel();
        }
        AskPreviewLinesBeforePreview(global, services);
        ASSERT_EQ(services.Prompts().size(), c.autoprev == 0 ? 1u : 0u);
        if (c.autoprev == 0) {
            EXPECT_EQ(services.Prompts()[0].initial_text, "20");
        }
        EXPECT_EQ(global.preview, c.preview_after);
        EXPECT_EQ(global.autoprev, c.autoprev_after);
        ASSERT_EQ(services.Boxes().size(), c.box != nullptr ? 1u : 0u);
        if (c.box != nullptr) {
            EXPECT_EQ(services.Boxes()[0].text, c.box);
        }
    }
}

}  // namespace
}  // namespace tarvox
