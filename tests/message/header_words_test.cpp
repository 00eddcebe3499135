#include "message/header_words.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace tarvox {
namespace {

TEST(CountNonAscii, CountsControlAndEightBitCharacters) {
    const std::pair<std::string, std::size_t> cases[] = {
        {"", 0}, {"plain ASCII ~", 0}, {"caf\xe9", 1}, {"a\tb\x7f", 2}, {"\x80\xff\x1f", 3}};
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(CountNonAscii(text), expected) << text;
    }
}

// Q or B by the share of eight-bit characters; the word and its NUL must fit the capacity,
// which is never taken below 25. A word that does not fit leaves the text as it is.
TEST(EncodeHeaderWord, ChoosesQOrBAndFailsWithoutChangeWhenTheWordDoesNotFit) {
    const std::string a491(491, 'a');
    const std::tuple<std::string, std::size_t, std::optional<std::string>> cases[] = {
        {"Caf\xe9 au lait", 512, "=?iso-8859-1?Q?Caf=E9_au_lait?="},  // 1 in 12: Q
        {"abc\xe9", 512, "=?iso-8859-1?Q?abc=E9?="},                  // a quarter is not above it
        {"ab\xe9", 512, "=?iso-8859-1?B?YWLp?="},                     // a third: B
        // Only letters, digits and . - ! : ' stand as they are.
        {"a_b=c?d(e)\t.-!:'", 512, "=?iso-8859-1?Q?a=5Fb=3Dc=3Fd=28e=29=09.-!:'?="},
        {"", 512, "=?iso-8859-1?Q?" "?="}, {"abc\xe9", 24, std::nullopt},
        {"abc\xe9", 25, "=?iso-8859-1?Q?abc=E9?="}, {"abcde\xe9", 25, std::nullopt},
        {"abcde\xe9", 26, "=?iso-8859-1?Q?abcde=E9?="}, {"a" + a491 + "\xe9", 512, std::nullopt},
        {a491 + "\xe9", 512, "=?iso-8859-1?Q?" + a491 + "=E9?="},
    };
    for (const auto& [original, capacity, word] : cases) {
        std::string text = original;
        EXPECT_EQ(EncodeHeaderWord(text, capacity), word.has_value()) << original << " " << capacity;
        EXPECT_EQ(text, word.value_or(original));
    }
}

TEST(DecodeHeaderWords, DecodesIsoWordsAndLeavesOthers) {
    const std::pair<std::string, std::optional<std::string>> cases[] = {
        {"=?ISO-8859-1?Q?Andr=E9_Pirard?=", "Andr\xe9 Pirard"},
        {"=?iso-8859-1?b?QW5kcukg?=", "Andr\xe9 "},
        {"Re: =?ISO-8859-15?Q?=A4uro?= x", "Re: \xa4uro x"}, {"=?ISO-8859-1?q?=e9?=", "\xe9"},
        {"=?UTF-8?Q?caf=C3=A9?=", "=?UTF-8?Q?caf=C3=A9?="},
        {"=?windows-1252?B?6ejg?=", "=?windows-1252?B?6ejg?="},
        {"=?ISO-8859-1?Q?a?= =?ISO-8859-1?B?6ejg?=", "a \xe9\xe8\xe0"},  // the blank stays
        // What sticks to "?=" is lost up to the next blank, or to the end.
        {"=?ISO-8859-1?Q?abc?=def ghi", "abc ghi"}, {"=?ISO-8859-1?Q?abc?=def", "abc"},
        // "=" without two hex digits drops itself and the next character; near the end it stays.
        {"=?ISO-8859-1?Q?a=4Gb?=", "aGb"}, {"=?ISO-8859-1?Q?ab=4?=", "ab=4"},
        {"=?ISO-8859-1?Q?a=?=", "a="},
        {"x =?ISO-8859-1?B?abc?= y", "x  y"},      // an undecodable B text gives nothing
        {"=?ISO-8859-1?Q?a=00b?=", "a"},           // a decoded NUL ends the value
        {"no words at all", "no words at all"},
        // One malformed word leaves the whole value and fails.
        {"=?ISO-8859-1?Q?abc", std::nullopt},
        {"=?ISO-8859-1?Q?ok?= =?ISO-8859-1?Q?x", std::nullopt},
        {"=?ISO-8859-1?Q?a b?=", std::nullopt}, {"=?ISO-8859-1 ?Q?a?=", std::nullopt},
        {"=?ISO-8859-1?X?a?=", std::nullopt}, {"=?ISO-8859-1?Qa?=", std::nullopt},
        {"=?ISO-8859-", std::nullopt}, {"=?ISO-8859-1", std::nullopt},
    };
    for (const auto& [original, expected] : cases) {
        std::string text = original;
        EXPECT_EQ(DecodeHeaderWords(text), expected.has_value()) << original;
        EXPECT_EQ(text, expected.value_or(original));
    }
}

}  // namespace
}  // namespace tarvox
