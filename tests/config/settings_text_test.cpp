#include "config/settings_text.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <string>
#include <tuple>

namespace tarvox {
namespace {

TEST(ScanIntegers, FollowsTheScanfPatterns) {
    // {text, separator, capacity, count, values (untouched slots keep 7)}
    const std::tuple<std::string, char, std::size_t, std::size_t, std::array<int, 3>> cases[] = {
        {"12\n", ',', 1, 1, {12, 7, 7}}, {" \t-5x", ',', 1, 1, {-5, 7, 7}},
        {"+8", ',', 1, 1, {8, 7, 7}}, {"", ',', 1, 0, {7, 7, 7}}, {"-", ',', 1, 0, {7, 7, 7}},
        {"abc", ',', 1, 0, {7, 7, 7}}, {"1,2,3\n", ',', 3, 3, {1, 2, 3}},
        {"1,2", ',', 3, 2, {1, 2, 7}}, {"1,x,3", ',', 3, 1, {1, 7, 7}},
        {"1, 2,3", ',', 3, 3, {1, 2, 3}},  // "%d" skips blanks before a number
        {"1 ,2,3", ',', 3, 1, {1, 7, 7}},  // but the "," must follow at once
        {"4 5\n", ' ', 2, 2, {4, 5, 7}}, {"4\t\t5", ' ', 2, 2, {4, 5, 7}},
        {"4,5", ' ', 2, 1, {4, 7, 7}}, {"1,2147483648", ',', 2, 1, {1, 7, 7}},
        {"2147483647", ',', 1, 1, {INT_MAX, 7, 7}}, {"-2147483648", ',', 1, 1, {INT_MIN, 7, 7}},
        {"2147483648", ',', 1, 0, {7, 7, 7}}, {"99999999999999999999999", ',', 1, 0, {7, 7, 7}},
    };
    for (const auto& [text, separator, capacity, count, expected] : cases) {
        std::array<int, 3> values{7, 7, 7};
        EXPECT_EQ(ScanIntegers(text, separator, std::span<int>(values.data(), capacity)), count)
            << text;
        EXPECT_EQ(values, expected) << text;
    }
}

TEST(SectionName, IsCutAtTheFirstBracketAndLimitedInLength) {
    const std::tuple<std::string, bool, std::string> cases[] = {
        {"[Home]\n", true, "Home"}, {"[a]b]\n", true, "a"}, {"[no close\n", true, "no close"},
        {"[]\n", false, ""}, {"[x]" + std::string(600, ' ') + "\n", false, ""},
        {"[" + std::string(509, 'n') + "]\n", true, std::string(509, 'n')},  // 512 in all
        {"[" + std::string(510, 'n') + "]\n", false, ""},
        {"[J\xF6rg]\n", true, "Jörg"}, {"[Jörg 日本]\n", true, "Jörg 日本"},  // stored text
    };
    for (const auto& [line, read, expected] : cases) {
        std::string name;
        EXPECT_EQ(ReadSectionName(line, name), read) << line;
        EXPECT_EQ(name, expected);
    }
    EXPECT_EQ(ReadBackSectionName("Work]2"), "Work");
    EXPECT_EQ(ReadBackSectionName(std::string(600, 'n')), "");
    EXPECT_EQ(ReadBackSectionName("two\nlines"), "two");
}

TEST(ReadBackText, DropsWhatTheReaderCannotTakeBack) {
    EXPECT_EQ(ReadBackText("plain"), "plain");
    EXPECT_EQ(ReadBackText(std::string(510, 'v')), std::string(510, 'v'));
    EXPECT_EQ(ReadBackText(std::string(511, 'v')), "");
    EXPECT_EQ(ReadBackText("first\r\nsecond"), "first");
    EXPECT_EQ(ReadBackText(std::string("nul\0after", 9)), "nul");
    // Stored as ISO-8859-1 when the text fits, else as UTF-8; the limit counts stored bytes.
    EXPECT_EQ(StoredValue("Jörg"), "J\xF6rg");
    EXPECT_EQ(StoredValue("€ — 日本"), "€ — 日本");
    EXPECT_EQ(ReadBackText(std::string(510, 'v') + "é"), "");
    std::string wide;
    for (int i = 0; i < 170; ++i) {
        wide += "日";
    }
    EXPECT_EQ(ReadBackText(wide), wide);
    EXPECT_EQ(ReadBackText(wide + "x"), "");
    EXPECT_EQ(StoredPrefix(wide + "x", 510), wide);
    EXPECT_EQ(StoredPrefix(std::string(600, 'v') + "é", 510), std::string(510, 'v'));
    EXPECT_EQ(StoredPrefix("ééé日", 4), "ééé");
    EXPECT_EQ(StoredPrefix("é日日", 7), "é日");
}

}  // namespace
}  // namespace tarvox
