#include "compose/copy_self.h"

#include <gtest/gtest.h>

#include <string>

#include "frontend/fixed_answer_services.h"
#include "support/temp_dir.h"

namespace tarvox {
namespace {

TEST(CopySelf, WritesANewFileOrAsksForAnotherName) {
    TempDir dir;
    ComposedMessage message;
    message.from = "me@example.org";
    message.to = "Bob <bob@example.org>, carl@example.net";
    message.subject = "Café?";
    message.body_lines = {"Hello\r\n"};
    const std::string first = (dir / "Work" / "copyself" / "bob@example.org  Café_.tvx").string();
    const std::string other = (dir / "other.tvx").string();
    struct Case {
        std::string extension;
        std::string prompt_answer;  // empty: Cancel
        CopySelfOutcome outcome;
        std::string written;  // the file that now holds the copy
        int prompts, boxes;
    };
    const Case cases[] = {
        {".tvx", "", CopySelfOutcome::Written, first, 0, 0},
        // The same name again: another one is asked for, or the copy is skipped.
        {".tvx", other, CopySelfOutcome::Written, other, 1, 0},
        {".tvx", "", CopySelfOutcome::Skipped, "", 1, 0},
        {std::string(256, 'x'), "", CopySelfOutcome::NoValidName, "", 0, 1},
    };
    for (const Case& c : cases) {
        Profile profile{.name = "Work", .copyself_fmt = 0x0560, .copyself_ext = c.extension};
        FixedAnswerServices services(c.prompt_answer);
        EXPECT_EQ(WriteCopyToSelf(message, profile, dir.path(), 0, services), c.outcome);
        EXPECT_EQ(services.prompts(), c.prompts);
        EXPECT_EQ(services.boxes(), c.boxes);
        if (!c.written.empty()) {
            // The draft text with its header section, in ISO-8859-1 as it fits.
            const std::string text = ReadWholeFile(c.written);
            EXPECT_TRUE(text.starts_with("Date:   \t")) << text;
            EXPECT_NE(text.find("\r\nSubject:\tCaf\xE9?\r\n"), std::string::npos) << text;
            EXPECT_TRUE(text.ends_with("\r\n\r\nHello\r\n")) << text;
        }
    }
}

}  // namespace
}  // namespace tarvox
