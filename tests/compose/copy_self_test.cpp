#include "compose/copy_self.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "frontend/fixed_answer_services.h"
#include "support/temp_dir.h"

namespace tarvox {
namespace {

TEST(CopySelf, WritesANewFileOrAsksForAnotherName) {
    TempDir dir;
    const ComposedMessage message{.to = "Bob <bob@example.org>, carl@example.net",
                                  .subject = "Café?",
                                  .from = "me@example.org",
                                  .body_lines = {"Hello\r\n"}};
    const std::string first = (dir / "Work" / "copyself" / "bob@example.org  Café_.tvx").string();
    const std::string other = (dir / "other.tvx").string();
    // {extension, prompt answer (empty: Cancel), outcome, file written, prompts, boxes}
    const std::tuple<std::string, std::string, CopySelfOutcome, std::string, int, int> cases[] = {
        {".tvx", "", CopySelfOutcome::Written, first, 0, 0},
        // The same name again: another one is asked for, or the copy is skipped.
        {".tvx", other, CopySelfOutcome::Written, other, 1, 0},
        {".tvx", "", CopySelfOutcome::Skipped, "", 1, 0},
        {std::string(256, 'x'), "", CopySelfOutcome::NoValidName, "", 0, 1},
    };
    for (const auto& [extension, answer, outcome, written, prompts, boxes] : cases) {
        const Profile profile{.name = "Work", .copyself_fmt = 0x0560, .copyself_ext = extension};
        FixedAnswerServices services(answer);
        EXPECT_EQ(WriteCopyToSelf(message, profile, dir.path(), 0, services), outcome);
        EXPECT_EQ(std::make_pair(services.prompts(), services.boxes()),
                  std::make_pair(prompts, boxes));
        // The draft text with its header section, in ISO-8859-1 as it fits.
        const std::string text = ReadWholeFile(written);
        EXPECT_TRUE(written.empty() || (text.find("\r\nSubject:\tCaf\xE9?\r\n") != text.npos &&
                                        text.ends_with("\r\n\r\nHello\r\n")))
            << written << ":\n"
            << text;
    }
}

}  // namespace
}  // namespace tarvox
