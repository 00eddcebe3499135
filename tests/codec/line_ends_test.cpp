#include "codec/line_ends.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace tarvox {
namespace {

TEST(LineFeedsToCrLf, BareLineFeedsBecomeCrLf) {
    const std::pair<std::string, std::string> cases[] = {
        {"", ""}, {"a", "a"}, {"\n", "\r\n"}, {"a\nb\n", "a\r\nb\r\n"},
        {"a\r\nb\r\n", "a\r\nb\r\n"}, {"a\r\n\nb", "a\r\n\r\nb"}, {"\r\r\n\n", "\r\r\n\r\n"},
        {"lone\rcr", "lone\rcr"}};
    for (const auto& [input, expected] : cases) {
        EXPECT_EQ(LineFeedsToCrLf(input), expected) << input;
        EXPECT_EQ(HasBareLineFeed(input), expected != input) << input;
    }
}

}  // namespace
}  // namespace tarvox
