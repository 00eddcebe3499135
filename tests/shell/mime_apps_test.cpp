#include "shell/mime_apps.h"

#include <gtest/gtest.h>

namespace tarvox {
namespace {

TEST(SetDefaultApplication, PutsTheEntryFirstAndKeepsTheRest) {
    struct Case {
        const char* before;
        const char* after;
    } const cases[] = {
        {"", "[Default Applications]\nx-scheme-handler/mailto=tarvox.desktop;\n"},
        {"[Default Applications]\nx-scheme-handler/mailto=thunderbird.desktop;\ntext/html=firefox.desktop\n",
         "[Default Applications]\nx-scheme-handler/mailto=tarvox.desktop;thunderbird.desktop;\n"
         "text/html=firefox.desktop\n"},
        // Already there: moved to the front, not repeated.
        {"[Default Applications]\nx-scheme-handler/mailto = a.desktop;tarvox.desktop;\n",
         "[Default Applications]\nx-scheme-handler/mailto=tarvox.desktop;a.desktop;\n"},
        // The group ends where the next begins; other groups stay as they are.
        {"# mine\n[Default Applications]\ntext/html=f.desktop\n\n[Added Associations]\n"
         "x-scheme-handler/mailto=b.desktop;\n",
         "# mine\n[Default Applications]\ntext/html=f.desktop\n\nx-scheme-handler/mailto=tarvox.desktop;\n"
         "[Added Associations]\nx-scheme-handler/mailto=b.desktop;\n"},
        {"[Added Associations]\ntext/plain=g.desktop;", 
         "[Added Associations]\ntext/plain=g.desktop;\n[Default Applications]\n"
         "x-scheme-handler/mailto=tarvox.desktop;\n"},
        {"[Default Applications]\r\nx-scheme-handler/mailto=a.desktop\r\n",
         "[Default Applications]\r\nx-scheme-handler/mailto=tarvox.desktop;a.desktop;\n"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SetDefaultApplication(c.before, "x-scheme-handler/mailto", "tarvox.desktop"), c.after)
            << c.before;
    }
}

}  // namespace
}  // namespace tarvox
