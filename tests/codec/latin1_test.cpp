#include "codec/latin1.h"

#include <gtest/gtest.h>

#include <string>

namespace tarvox {
namespace {

using namespace std::string_literals;

using Conversion = std::string (*)(std::string_view);

TEST(Latin1Test, ConversionsTable) {
    const Conversion to_utf8 = &Latin1ToUtf8, to_terminal = &Utf8ToTerminal,
                     to_latin1 = &Utf8ToLatin1;
    const struct {
        Conversion convert;
        std::string input, expected;
    } cases[] = {
        {to_utf8, "", ""}, {to_utf8, "plain ASCII\r\n", "plain ASCII\r\n"},
        {to_utf8, "a\0b"s, "a\0b"s}, {to_utf8, "\x7f", "\x7f"}, {to_utf8, "\x80", "\xc2\x80"},
        {to_utf8, "\xbf", "\xc2\xbf"}, {to_utf8, "\xc0", "\xc3\x80"},
        {to_utf8, "\xff", "\xc3\xbf"}, {to_utf8, "\xc3\xa9", "\xc3\x83\xc2\xa9"},
        // Longer text goes eight bytes at a time: an ASCII word, a mixed one, a short end.
        {to_utf8, "ASCII word\xe9t\xe9 and \xff", "ASCII word\xc3\xa9t\xc3\xa9 and \xc3\xbf"},
        // The terminal form shows control characters as visible escapes.
        {to_terminal, "a\tb\r\nc\n", "a\tb\nc\n"},
        {to_terminal, "\x1b]0;title\x07\x1b[2J", "^[]0;title^G^[[2J"},
        {to_terminal, "over\rwrite\r", "over^Mwrite^M"},
        {to_terminal, "\0\x7f\xc2\x9b\xc3\xa9"s, "^@^?M-^[\xc3\xa9"},
        // Other characters pass; ill-formed bytes are shown as U+FFFD.
        {to_terminal, "\xe2\x82\xac \xe6\x97\xa5\xe9\xc3", "\xe2\x82\xac \xe6\x97\xa5\xef\xbf\xbd\xef\xbf\xbd"},
        {to_latin1, "", ""}, {to_latin1, "a\0b\r\n"s, "a\0b\r\n"s}, {to_latin1, "\xc2\x80", "\x80"},
        {to_latin1, "caf\xc3\xa9", "caf\xe9"}, {to_latin1, "\xc3\xbf", "\xff"},
        // Above U+00FF one "?" a character: U+0100, 07FF, 0800, 20AC, D7FF, E000, FFFF, 1F600, 10FFFF.
        {to_latin1, "\xc4\x80", "?"}, {to_latin1, "\xdf\xbf", "?"}, {to_latin1, "\xe0\xa0\x80", "?"},
        {to_latin1, "a\xe2\x82\xac!", "a?!"}, {to_latin1, "\xed\x9f\xbf", "?"},
        {to_latin1, "\xee\x80\x80", "?"}, {to_latin1, "\xef\xbf\xbf", "?"},
        {to_latin1, "\xf0\x9f\x98\x80", "?"}, {to_latin1, "\xf4\x8f\xbf\xbf", "?"},
        {to_latin1, "\xe2\x82\xac\xe2\x82\xac", "??"},
        // Malformed UTF-8 (cut, overlong, surrogates, past U+10FFFF, 5 bytes) is taken byte by byte.
        {to_latin1, "caf\xe9", "caf\xe9"}, {to_latin1, "\xbf\x80", "\xbf\x80"},
        {to_latin1, "\xc3", "\xc3"}, {to_latin1, "\xc3(", "\xc3("},
        {to_latin1, "\xe2\x82x", "\xe2\x82x"}, {to_latin1, "\xf0\x9f\x98", "\xf0\x9f\x98"},
        {to_latin1, "\xe2\x82\xc3\xa9", "\xe2\x82\xe9"}, {to_latin1, "\xc0\xa9", "\xc0\xa9"},
        {to_latin1, "\xc1\xbf", "\xc1\xbf"}, {to_latin1, "\xe0\x80\xaf", "\xe0\x80\xaf"},
        {to_latin1, "\xe0\x9f\xbf", "\xe0\x9f\xbf"}, {to_latin1, "\xf0\x80\x80\xaf", "\xf0\x80\x80\xaf"},
        {to_latin1, "\xf0\x8f\xbf\xbf", "\xf0\x8f\xbf\xbf"}, {to_latin1, "\xed\xa0\x80", "\xed\xa0\x80"},
        {to_latin1, "\xf4\x90\x80\x80", "\xf4\x90\x80\x80"}, {to_latin1, "\xf5\x80\x80\x80", "\xf5\x80\x80\x80"},
        {to_latin1, "\xf8\x88\x80\x80\x80", "\xf8\x88\x80\x80\x80"}, {to_latin1, "\xfe\xff", "\xfe\xff"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.convert(c.input), c.expected) << c.input;
    }
    for (int value = 0; value < 256; ++value) {
        const std::string latin1 = "<"s + static_cast<char>(value) + ">";
        EXPECT_EQ(Utf8ToLatin1(Latin1ToUtf8(latin1)), latin1) << "byte " << value;
    }
}

}  // namespace
}  // namespace tarvox
