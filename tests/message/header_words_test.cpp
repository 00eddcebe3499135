#include "message/header_words.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "codec/base64.h"
#include "codec/utf8.h"

namespace tarvox {
namespace {

TEST(CountNonAscii, CountsControlAndEightBitCharacters) {
    const std::pair<std::string, std::size_t> cases[] = {
        {"", 0}, {"plain ASCII ~", 0}, {"caf\xe9", 1}, {"a\tb\x7f", 2}, {"\x80\xff\x1f", 3}};
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(CountNonAscii(text), expected) << text;
    }
}

// Q or B by the share of eight-bit bytes; the words and their NUL must fit the capacity,
// which is never taken below 25. Words that do not fit leave the text as it is. Text that
// fits ISO-8859-1 is one word of its ISO-8859-1 bytes; other text UTF-8 words of at most
// 66 characters (a field's first line within 76), folded apart, each of whole characters.
TEST(EncodeHeaderWord, ChoosesCharsetAndQOrBAndFailsWithoutChangeWhenTheWordsDoNotFit) {
    const std::string a491(491, 'a');
    const std::string japanese = "日本語のメール、" + std::string(5, 'x') + "日本語";
    const std::tuple<std::string, std::size_t, std::optional<std::string>> cases[] = {
        {"Café au lait", 512, "=?iso-8859-1?Q?Caf=E9_au_lait?="},  // 1 in 12: Q
        {"abcé", 512, "=?iso-8859-1?Q?abc=E9?="},                  // a quarter is not above it
        {"abé", 512, "=?iso-8859-1?B?YWLp?="},                     // a third: B
        // Only letters, digits and . - ! : ' stand as they are.
        {"a_b=c?d(e)\t.-!:'", 512, "=?iso-8859-1?Q?a=5Fb=3Dc=3Fd=28e=29=09.-!:'?="},
        {"", 512, "=?iso-8859-1?Q?" "?="}, {"abcé", 24, std::nullopt},
        {"abcé", 25, "=?iso-8859-1?Q?abc=E9?="}, {"abcdeé", 25, std::nullopt},
        {"abcdeé", 26, "=?iso-8859-1?Q?abcde=E9?="}, {"a" + a491 + "é", 512, std::nullopt},
        {a491 + "é", 512, "=?iso-8859-1?Q?" + a491 + "=E9?="},
        {"the price is 5 €", 512, "=?UTF-8?Q?the_price_is_5_=E2=82=AC?="},
        {"€ — 日本", 512, "=?UTF-8?B?4oKsIOKAlCDml6XmnKw=?="}, {"€ — 日本", 32, std::nullopt},
        {"a longer caf\xe9 text", 512, "=?UTF-8?Q?a_longer_caf=EF=BF=BD_text?="},  // U+FFFD
        {std::string(51, 'x') + "€€", 512,
         "=?UTF-8?Q?" + std::string(51, 'x') + "?=\r\n =?UTF-8?Q?=E2=82=AC=E2=82=AC?="},
    };
    for (const auto& [original, capacity, word] : cases) {
        std::string text = original;
        EXPECT_EQ(EncodeHeaderWord(text, capacity), word.has_value()) << original << " " << capacity;
        EXPECT_EQ(text, word.value_or(original));
    }
    // Longer UTF-8 text: B words that each decode to whole characters.
    const std::string original = japanese + japanese + japanese;
    std::string text = original;
    ASSERT_TRUE(EncodeHeaderWord(text));
    std::string joined;
    for (std::size_t start = 0; start < text.size(); start += 3) {
        const std::size_t end = std::min(text.find("\r\n ", start), text.size());
        const std::string_view one = std::string_view(text).substr(start, end - start);
        const std::string bytes = DecodeBase64Text(one.substr(10, one.size() - 12));
        EXPECT_TRUE(one.size() <= 66 && one.starts_with("=?UTF-8?B?") && IsUtf8(bytes)) << one;
        joined += bytes;
        start = end;
    }
    EXPECT_EQ(joined, original);
}

// Real-world words: any charset, characters split across adjacent words, an
// RFC 2231 language tag; raw text as UTF-8 or Windows-1252.
TEST(DecodeHeaderWords, DecodesWordsOfAnyCharsetToUtf8) {
    const std::pair<std::string, std::optional<std::string>> cases[] = {
        {"=?ISO-8859-1?Q?Andr=E9_Pirard?=", "André Pirard"},
        {"=?iso-8859-1?b?QW5kcukg?=", "André "},
        {"Re: =?ISO-8859-15?Q?=A4uro?= x", "Re: €uro x"}, {"=?UTF-8?B?5pel5pys?=", "日本"},
        {"=?windows-1252?Q?=80_5?=", "€ 5"}, {"=?KOI8-R?B?8NLJ18XU?=", "Привет"},
        {"=?ISO-2022-JP?B?GyRCRnxLXDhsGyhC?=", "日本語"}, {"=?GB2312?B?1tDOxA==?=", "中文"},
        {"=?Shift_JIS?Q?=83e=83X=83g?=", "テスト"}, {"=?UTF-8*en?q?hi?=", "hi"},
        {"=?UTF-8?Q?a=C3?= b", "a\xEF\xBF\xBD b"},  // a broken sequence
        {"=?x-unknown?Q?caf=E9?=", "café"},            // read as Windows-1252
        // The white space between words goes, and so may a character's bytes.
        {"=?ISO-8859-1?Q?a?= =?ISO-8859-1?B?6ejg?=", "aéèà"},
        {"=?UTF-8?Q?caf=C3?=\r\n =?UTF-8?Q?=A9?= ok", "café ok"},
        {"Grüße =?UTF-8?Q?x?=", "Grüße x"}, {"Gr\xFC\xDF" "e \x80", "Grüße €"},
        // What sticks to "?=" is lost up to the next blank, or to the end.
        {"=?ISO-8859-1?Q?abc?=def ghi", "abc ghi"}, {"=?ISO-8859-1?Q?abc?=def", "abc"},
        // "=" without two hex digits drops itself and the next character; near the end it stays.
        {"=?ISO-8859-1?Q?a=4Gb?=", "aGb"}, {"=?ISO-8859-1?Q?ab=4?=", "ab=4"},
        {"=?ISO-8859-1?Q?a=?=", "a="},
        {"x =?ISO-8859-1?B?abc?= y", "x  y"},      // an undecodable B text gives nothing
        {"=?ISO-8859-1?Q?a=00b?=", "a"},           // a decoded NUL ends the value
        {"no words at all", "no words at all"},
        // One malformed word leaves every word as it stands and fails.
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
    std::string malformed = "\xE9 =?UTF-8?Q?a";
    EXPECT_FALSE(DecodeHeaderWords(malformed));
    EXPECT_EQ(malformed, "é =?UTF-8?Q?a");
}

}  // namespace
}  // namespace tarvox
