#include "codec/charset.h"

#include <gtest/gtest.h>

#include <string>

#include "codec/stored_text.h"
#include "codec/utf8.h"

namespace tarvox {
namespace {

using namespace std::string_literals;

TEST(DecodeCharset, RealWorldCharsetsBecomeUtf8) {
    const CharsetKnown no = CharsetKnown::No;
    const struct {
        std::string bytes, charset, utf8;
        CharsetKnown known = CharsetKnown::Yes;
    } cases[] = {
        {"Caf\xC3\xA9 \xE2\x82\xAC" "5", "UTF-8", "Café €5"},
        {"Caf\xC3\xA9", "\"utf-8\" ", "Café"},
        {"\xA4 \xBD", "ISO-8859-15", "€ œ"},
        {"\x93quoted\x94 \x80 \x81", "windows-1252", "“quoted” € \xEF\xBF\xBD"},
        {"\x80\xE9", "iso-8859-1", "\xC2\x80é"},  // byte for byte, as ever
        {"\x80\xE9", "", "€é"},                   // undeclared
        {"ASCII words, then \x80", "", "ASCII words, then €"},
        {"sixteen bytes of \xC1", "KOI8-R", "sixteen bytes of а"},  // not all ASCII
        {"na\xEFve", "us-ascii", "naïve"},        // mislabelled 8-bit text
        {"\xF0\xD2\xC9\xD7\xC5\xD4", "KOI8-R", "Привет"},
        {"\x1B$BF|K\\\x1B(B!", "ISO-2022-JP", "日本!"},
        {"\xD6\xD0\xCE\xC4", "gb2312", "中文"},
        {"\x93\xFA\x96{", "Shift_JIS", "日本"},
        {"\xC7\xD1", "EUC-KR", "한"},
        {"\xA4\xA4", "Big5", "中"},
        {"a\0\xAC\x20!"s, "UTF-16LE", "a€\xEF\xBF\xBD"},  // the last byte is half a unit
        {"ok \xC3( \xE2\x82", "UTF-8", "ok \xEF\xBF\xBD( \xEF\xBF\xBD"},
        {"\xF0\xD2 cut \x1B$BF", "ISO-2022-JP", "\xEF\xBF\xBD\xEF\xBF\xBD cut \xEF\xBF\xBD"},
        {"\xE9t\xE9", "x-no-such-charset", "été", no},
        {"\xE9t\xE9", "UTF-8//TRANSLIT", "été", no},  // iconv's suffixes are not for mail to pick
        {"plain", "x-no-such-charset", "plain"},
        {"", "KOI8-R", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.charset + ": " + c.bytes);
        const DecodedText decoded = DecodeCharset(c.bytes, c.charset);
        EXPECT_EQ(decoded.utf8, c.utf8);
        EXPECT_EQ(decoded.known, c.known);
        EXPECT_TRUE(IsUtf8(decoded.utf8));
    }
}

TEST(Utf8Prefix, NeverEndsInsideACharacter) {
    const std::string text = "a€日😀";  // 1 + 3 + 3 + 4 bytes
    const std::pair<std::size_t, std::string> cases[] = {
        {0, ""}, {1, "a"}, {2, "a"}, {3, "a"}, {4, "a€"}, {6, "a€"}, {7, "a€日"}, {10, "a€日"},
        {11, text}, {99, text}};
    for (const auto& [max, prefix] : cases) {
        EXPECT_EQ(Utf8Prefix(text, max), prefix) << max;
    }
    EXPECT_EQ(Utf8Prefix("\xE9\xE9\xE9", 2), "\xE9\xE9") << "bytes that are no UTF-8 cut anywhere";
}

// Stored files keep ISO-8859-1 for text that fits it, so old files and old programs agree.
TEST(StoredText, Latin1WhenItFitsAndEveryTextReadsBack) {
    const std::pair<std::string, std::string> cases[] = {
        {"", ""}, {"plain", "plain"}, {"Jörg", "J\xF6rg"}, {"ÿ\x7f", "\xFF\x7f"},
        {"€uro", "€uro"}, {"日本", "日本"}, {"Ã¤", "Ã¤"},  // its ISO-8859-1 would read as "ä"
    };
    for (const auto& [text, stored] : cases) {
        EXPECT_EQ(ToStoredText(text), stored) << text;
        EXPECT_EQ(FromStoredText(stored), text) << text;
    }
    EXPECT_EQ(FromStoredText("caf\xE9 \xC3"), "café Ã") << "an old ISO-8859-1 file";
}

}  // namespace
}  // namespace tarvox
