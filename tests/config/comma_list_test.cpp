#include "config/comma_list.h"

#include <gtest/gtest.h>

#include <string>

namespace tarvox {
namespace {

TEST(CommaListWrite, LinesHoldWholeItemsUpToSeventyCharacters) {
    const std::string sixty(60, 'a');
    const std::string eighty(80, 'b');
    // "blacklist=" is 10 characters: 60 more fill a line to exactly 70.
    const std::pair<std::string, std::string> cases[] = {
        {"", "blacklist=\n"}, {",,,", "blacklist=\n"}, {"a,,b,", "blacklist=a,b\n"},
        {"one,two", "blacklist=one,two\n"}, {sixty, "blacklist=" + sixty + "\n"},
        {sixty + ",c", "blacklist=" + sixty + "\nblacklist=c\n"},
        {std::string(58, 'a') + ",c", "blacklist=" + std::string(58, 'a') + ",c\n"},
        // An over-long item stands whole on its own line.
        {"x," + eighty + ",y", "blacklist=x\nblacklist=" + eighty + "\nblacklist=y\n"},
        {"a\r\nb\nc", "blacklist=a,b,c\n"},  // line breaks inside a list separate items
        // Each line is stored text: ISO-8859-1 when it fits, else UTF-8.
        {"Jörg,é", "blacklist=J\xF6rg,\xE9\n"}, {"Jörg,日本", "blacklist=Jörg,日本\n"},
    };
    for (const auto& [list, expected] : cases) {
        std::string out;
        WriteCommaList(out, "blacklist=", list);
        EXPECT_EQ(out, expected) << list;
    }
}

TEST(CommaListRead, JoinsContinuationLinesAndTrimsEachValue) {
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"blacklist=a,b\n"}, "a,b"}, {{"blacklist=a,b\n", "blacklist=c\n"}, "a,b,c"},
        {{"blacklist=a, ,,  \n"}, "a"},
        {{"blacklist=a,,b\n"}, "a,,b"},  // empty items in the middle survive reading
        // A line that is only the key with its newline still joins an empty value.
        {{"blacklist=a\n", "blacklist=\n"}, "a,"}, {{"blacklist=\n", "blacklist=b\n"}, "b"},
        {{"blacklist=z"}, "z"},  // no newline: the last line of a file
        {{"blacklist=a\n\n\n"}, "a"},
        {{"blacklist=J\xF6rg\n", "blacklist=Jörg,日本\n"}, "Jörg,Jörg,日本"},
    };
    for (const auto& [lines, expected] : cases) {
        CommaList list;
        for (const std::string& line : lines) {
            EXPECT_TRUE(ReadCommaListLine(list, "blacklist=", line)) << line;
        }
        EXPECT_EQ(list, expected);
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
        {"", ""}, {"a,,b,", "a,b"}, {"a ,b", "a ,b"}, {"a,b ", "a,b"}, {"last, , ,", "last"}};
    for (const auto& [list, expected] : cases) {
        EXPECT_EQ(ReadBackCommaList(list), expected) << list;
    }
}

TEST(CommaListSplitJoin, SplitSkipsEmptyItemsAndJoinPutsCommasBetween) {
    const std::pair<std::string, std::vector<std::string>> cases[] = {
        {"", {}}, {"a", {"a"}}, {"a,b c", {"a", "b c"}}, {"a,,b", {"a", "", "b"}}};
    for (const auto& [list, items] : cases) {
        EXPECT_EQ(JoinCommaList(items), list);
    }
    EXPECT_EQ(SplitCommaList(",a,,b c,"), (std::vector<std::string_view>{"a", "b c"}));
    EXPECT_TRUE(SplitCommaList("").empty());
}

}  // namespace
}  // namespace tarvox
