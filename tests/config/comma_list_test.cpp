#include "config/comma_list.h"

#include <gtest/gtest.h>

#include <string>

namespace tarvox {
namespace {

std::string Written(std::string_view list) {
    std::string out;
    WriteCommaList(out, "blacklist=", list);
    return out;
}

TEST(CommaListWrite, LinesHoldWholeItemsUpToSeventyCharacters) {
    struct Case {
        std::string list;
        std::string expected;
    };
    const std::string sixty(60, 'a');
    const std::string eighty(80, 'b');
    const Case cases[] = {
        {"", "blacklist=\n"},
        {",,,", "blacklist=\n"},
        {"a,,b,", "blacklist=a,b\n"},
        {"one,two", "blacklist=one,two\n"},
        // "blacklist=" is 10 characters: 60 more fill the line to exactly 70...
        {sixty, "blacklist=" + sixty + "\n"},
        // ...and one more item (70 + 1 > 70) starts a new line.
        {sixty + ",c", "blacklist=" + sixty + "\nblacklist=c\n"},
        // 10 + 58 + "," + 1 = 70 still fits.
        {std::string(58, 'a') + ",c", "blacklist=" + std::string(58, 'a') + ",c\n"},
        // An over-long item stands whole on its own line.
        {"x," + eighty + ",y", "blacklist=x\nblacklist=" + eighty + "\nblacklist=y\n"},
        // Line breaks inside a list separate items.
        {"a\r\nb\nc", "blacklist=a,b,c\n"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Written(c.list), c.expected) << c.list;
    }
}

TEST(CommaListRead, JoinsContinuationLinesAndTrimsEachValue) {
    struct Case {
        std::vector<std::string> lines;
        std::string expected;
    };
    const Case cases[] = {
        {{"blacklist=a,b\n"}, "a,b"},
        {{"blacklist=a,b\n", "blacklist=c\n"}, "a,b,c"},
        {{"blacklist=a, ,,  \n"}, "a"},
        // Empty items in the middle survive reading.
        {{"blacklist=a,,b\n"}, "a,,b"},
        // A line that is only the key with its newline still joins an empty value.
        {{"blacklist=a\n", "blacklist=\n"}, "a,"},
        {{"blacklist=\n", "blacklist=b\n"}, "b"},
        // No newline: the last line of a file.
        {{"blacklist=z"}, "z"},
        {{"blacklist=a\n\n\n"}, "a"},
    };
    for (const Case& c : cases) {
        CommaList list;
        for (const std::string& line : c.lines) {
            EXPECT_TRUE(ReadCommaListLine(list, "blacklist=", line)) << line;
        }
        EXPECT_EQ(list, c.expected);
    }
}

TEST(CommaListRead, RefusesOtherKeysAndTheBareKey) {
    CommaList list = "kept";
    for (std::string_view line : {"blacklist=", "blacklis=a\n", "Blacklist=a\n", "antispam=a\n"}) {
        EXPECT_FALSE(ReadCommaListLine(list, "blacklist=", line)) << line;
    }
    EXPECT_EQ(list, "kept");
}

TEST(CommaListReadBack, EmptyItemsAndTrailingSeparatorsDisappear) {
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},
        {"a,,b,", "a,b"},
        {"a ,b", "a ,b"},
        {"a,b ", "a,b"},
        {"trailing, , ,", "trailing"},
    };
    for (const auto& [list, expected] : cases) {
        EXPECT_EQ(ReadBackCommaList(list), expected) << list;
    }
}

TEST(CommaListSplit, SkipsEmptyItems) {
    EXPECT_EQ(SplitCommaList(",a,,b c,"), (std::vector<std::string_view>{"a", "b c"}));
    EXPECT_TRUE(SplitCommaList("").empty());
}

}  // namespace
}  // namespace tarvox
