#include "message/header_words.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarvox {
namespace {

using namespace std::string_literals;

TEST(CountNonAscii, CountsControlAndEightBitCharacters) {
    struct Case {
        std::string text;
        std::size_t expected;
    };
    const Case cases[] = {
        {"", 0}, {"plain ASCII ~", 0}, {"caf\xe9", 1}, {"a\tb\x7f", 2}, {"\x80\xff\x1f", 3},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CountNonAscii(c.text), c.expected) << c.text;
    }
}

TEST(EncodeHeaderWord, ChoosesQOrBByTheShareOfEightBitCharacters) {
    struct Case {
        std::string text;
        std::string expected;
    };
    const Case cases[] = {
        // 1 in 12: Q, blanks as "_", the accented letter as upper-case hex.
        {"Caf\xe9 au lait", "=?iso-8859-1?Q?Caf=E9_au_lait?="},
        // Exactly a quarter is not above it: still Q.
        {"abc\xe9", "=?iso-8859-1?Q?abc=E9?="},
        // A third: B of the whole text.
        {"ab\xe9", "=?iso-8859-1?B?YWLp?="},
        // Only letters, digits and . - ! : ' stand as they are.
        {"a_b=c?d(e)\t.-!:'", "=?iso-8859-1?Q?a=5Fb=3Dc=3Fd=28e=29=09.-!:'?="},
        {"",
         "=?iso-8859-1?Q?"
         "?="},
    };
    for (const Case& c : cases) {
        std::string text = c.text;
        EXPECT_TRUE(EncodeHeaderWord(text));
        EXPECT_EQ(text, c.expected);
    }
}

TEST(EncodeHeaderWord, FailsWithoutChangeWhenTheWordDoesNotFit) {
    // The word for "abc\xe9" is 23 characters: 24 bytes would hold it with its
    // NUL, but no capacity below 25 is tried.
    struct Case {
        std::string text;
        std::size_t capacity;
        bool expected;
    };
    const Case cases[] = {
        {"abc\xe9", 24, false},  // below the minimum capacity of 25
        {"abc\xe9", 25, true},
        {"abcde\xe9", 25, false},  // 25 characters + NUL
        {"abcde\xe9", 26, true},
        {std::string(492, 'a') + "\xe9", 512, false},  // 512 characters + NUL
        {std::string(491, 'a') + "\xe9", 512, true},
    };
    for (const Case& c : cases) {
        std::string text = c.text;
        EXPECT_EQ(EncodeHeaderWord(text, c.capacity), c.expected) << c.text << " " << c.capacity;
        if (!c.expected) {
            EXPECT_EQ(text, c.text);
        }
    }
}

TEST(DecodeHeaderWords, DecodesIsoWordsAndLeavesOthers) {
    struct Case {
        std::string text;
        std::string expected;
    };
    const Case cases[] = {
        {"=?ISO-8859-1?Q?Andr=E9_Pirard?=", "Andr\xe9 Pirard"},
        {"=?iso-8859-1?b?QW5kcukg?=", "Andr\xe9 "},
        {"Re: =?ISO-8859-15?Q?=A4uro?= x", "Re: \xa4uro x"},
        {"=?ISO-8859-1?q?=e9?=", "\xe9"},
        {"=?UTF-8?Q?caf=C3=A9?=", "=?UTF-8?Q?caf=C3=A9?="},
        {"=?windows-1252?B?6ejg?=", "=?windows-1252?B?6ejg?="},
        // Two words separated by a blank keep the blank.
        {"=?ISO-8859-1?Q?a?= =?ISO-8859-1?B?6ejg?=", "a \xe9\xe8\xe0"},
        // What sticks to "?=" is lost up to the next blank, or to the end.
        {"=?ISO-8859-1?Q?abc?=def ghi", "abc ghi"},
        {"=?ISO-8859-1?Q?abc?=def", "abc"},
        // "=" without two hex digits drops itself and the next character; near
        // the end it stays.
        {"=?ISO-8859-1?Q?a=4Gb?=", "aGb"},
        {"=?ISO-8859-1?Q?ab=4?=", "ab=4"},
        {"=?ISO-8859-1?Q?a=?=", "a="},
        // An undecodable B text gives nothing.
        {"x =?ISO-8859-1?B?abc?= y", "x  y"},
        // A decoded NUL ends the value.
        {"=?ISO-8859-1?Q?a=00b?=", "a"},
        {"no words at all", "no words at all"},
    };
    for (const Case& c : cases) {
        std::string text = c.text;
        EXPECT_TRUE(DecodeHeaderWords(text)) << c.text;
        EXPECT_EQ(text, c.expected) << c.text;
    }
}

TEST(DecodeHeaderWords, OneMalformedWordLeavesTheWholeValue) {
    const std::string cases[] = {
        "=?ISO-8859-1?Q?abc",                          // no "?="
        "=?ISO-8859-1?Q?ok?= =?ISO-8859-1?Q?missing",  // a good word before it
        "=?ISO-8859-1?Q?a b?=",                        // blank in the text
        "=?ISO-8859-1 ?Q?a?=",                         // blank in the charset
        "=?ISO-8859-1?X?a?=",                          // neither Q nor B
        "=?ISO-8859-1?Qa?=",                           // no "?" after the letter
        "=?ISO-8859-",                                 // cut short
        "=?ISO-8859-1",
    };
    for (const std::string& value : cases) {
        std::string text = value;
        EXPECT_FALSE(DecodeHeaderWords(text)) << value;
        EXPECT_EQ(text, value);
    }
}

TEST(DecodeHeaderWords, ReadsBackWhatTheEncoderWrote) {
    std::string every_byte;
    for (int value = 1; value < 256; ++value) {
        every_byte.push_back(static_cast<char>(value));
    }
    for (const std::string& original : {"Gr\xfc\xdf"
                                        "e aus K\xf6ln"s,
                                        "a_b=c?d ?= =?x"s, every_byte}) {
        std::string text = original;
        ASSERT_TRUE(EncodeHeaderWord(text, 1024));
        ASSERT_TRUE(DecodeHeaderWords(text));
        EXPECT_EQ(text, original);
    }
}

}  // namespace
}  // namespace tarvox
