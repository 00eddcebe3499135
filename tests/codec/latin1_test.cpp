#include "codec/latin1.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarvox {
namespace {

using namespace std::string_literals;

struct Case {
    std::string input;
    std::string expected;
};

TEST(Latin1Test, Latin1ToUtf8) {
    const std::vector<Case> cases = {
        {"", ""},
        {"plain ASCII\r\n", "plain ASCII\r\n"},
        {"a\0b"s, "a\0b"s},
        {"\x7f", "\x7f"},
        {"\x80", "\xc2\x80"},
        {"\xa0", "\xc2\xa0"},
        {"\xbf", "\xc2\xbf"},
        {"\xc0", "\xc3\x80"},
        {"caf\xe9", "caf\xc3\xa9"},
        {"\xff", "\xc3\xbf"},
        {"\xc3\xa9", "\xc3\x83\xc2\xa9"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Latin1ToUtf8(c.input), c.expected) << c.input;
    }
}

TEST(Latin1Test, Latin1ToTerminalShowsControls) {
    const std::vector<Case> cases = {
        {"a\tb\r\nc\n", "a\tb\nc\n"},
        {"\x1b]0;title\x07\x1b[2J", "^[]0;title^G^[[2J"},
        {"over\rwrite\r", "over^Mwrite^M"},
        {"\0\x7f\x9b\xe9"s, "^@^?M-^[\xc3\xa9"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Latin1ToTerminal(c.input), c.expected) << c.input;
    }
}

TEST(Latin1Test, Utf8ToLatin1WellFormed) {
    const std::vector<Case> cases = {
        {"", ""},
        {"plain ASCII\r\n", "plain ASCII\r\n"},
        {"a\0b"s, "a\0b"s},
        {"\xc2\x80", "\x80"},
        {"caf\xc3\xa9", "caf\xe9"},
        {"\xc3\xbf", "\xff"},
        // Above U+00FF: one "?" for each character, whatever its length.
        {"\xc4\x80", "?"},          // U+0100
        {"\xdf\xbf", "?"},          // U+07FF
        {"\xe0\xa0\x80", "?"},      // U+0800
        {"a\xe2\x82\xac!", "a?!"},  // U+20AC euro sign
        {"\xed\x9f\xbf", "?"},      // U+D7FF, last before the surrogates
        {"\xee\x80\x80", "?"},      // U+E000, first after them
        {"\xef\xbf\xbf", "?"},      // U+FFFF
        {"\xf0\x9f\x98\x80", "?"},  // U+1F600
        {"\xf4\x8f\xbf\xbf", "?"},  // U+10FFFF
        {"\xe2\x82\xac\xe2\x82\xac", "??"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Utf8ToLatin1(c.input), c.expected) << c.input;
    }
}

TEST(Latin1Test, Utf8ToLatin1MalformedIsTakenByteByByte) {
    const std::vector<Case> cases = {
        {"caf\xe9", "caf\xe9"},  // already ISO-8859-1
        {"\x80", "\x80"},        // stray continuation byte
        {"\xbf\x80", "\xbf\x80"},
        {"\xc3", "\xc3"},    // cut short at the end
        {"\xc3(", "\xc3("},  // lead without continuation
        {"\xe2\x82", "\xe2\x82"},
        {"\xe2\x82x", "\xe2\x82x"},
        {"\xf0\x9f\x98", "\xf0\x9f\x98"},
        {"\xe2\x82\xc3\xa9", "\xe2\x82\xe9"},      // good sequence after a bad one
        {"\xc0\xa9", "\xc0\xa9"},                  // overlong U+0029
        {"\xc1\xbf", "\xc1\xbf"},                  // overlong U+007F
        {"\xe0\x80\xaf", "\xe0\x80\xaf"},          // overlong U+002F
        {"\xe0\x9f\xbf", "\xe0\x9f\xbf"},          // overlong U+07FF
        {"\xf0\x80\x80\xaf", "\xf0\x80\x80\xaf"},  // overlong U+002F
        {"\xf0\x8f\xbf\xbf", "\xf0\x8f\xbf\xbf"},  // overlong U+FFFF
        {"\xed\xa0\x80", "\xed\xa0\x80"},          // surrogate U+D800
        {"\xf4\x90\x80\x80", "\xf4\x90\x80\x80"},  // past U+10FFFF
        {"\xf5\x80\x80\x80", "\xf5\x80\x80\x80"},
        {"\xf8\x88\x80\x80\x80", "\xf8\x88\x80\x80\x80"},  // old 5-byte form
        {"\xfe\xff", "\xfe\xff"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Utf8ToLatin1(c.input), c.expected) << c.input;
    }
}

TEST(Latin1Test, EveryLatin1CharacterRoundTrips) {
    for (int value = 0; value < 256; ++value) {
        const std::string latin1 = "<"s + static_cast<char>(value) + ">";
        EXPECT_EQ(Utf8ToLatin1(Latin1ToUtf8(latin1)), latin1) << "byte " << value;
    }
}

}  // namespace
}  // namespace tarvox
