#include "message/quoted_printable.h"

#include <gtest/gtest.h>

#include <string>

namespace tarvox {
namespace {

using namespace std::string_literals;

struct Case {
    std::string input;
    std::string expected;
};

// Rules that both forms share.
const Case kByteRules[] = {
    {"plain text", "plain text"},
    {"a=41b", "aAb"},
    {"=4a=4B=e9", "JK\xE9"},
    {"soft=\r\nbreak", "softbreak"},
    {"=3D41", "=41"},  // a decoded "=" is not read again
    // Broken escapes lose their "=" and go on with the next character.
    {"=4G", "4G"},
    {"=4=41", "4A"},
    {"==41", "A"},
    {"x=", "x"},
    {"=4", "4"},
    {"=\r", "\r"},
    {"=\nx", "\nx"},
    {"= \r\n", " \r\n"},
};

TEST(QuotedPrintable, DisplayFormAppendsDecodedText) {
    for (const Case& c : kByteRules) {
        std::string output = "> ";
        DecodeQuotedPrintable(c.input, output);
        EXPECT_EQ(output, "> " + c.expected) << c.input;
    }
}

TEST(QuotedPrintable, DisplayFormStopsAtTheWorkBufferAndAtNul) {
    const std::string a1022(1022, 'a');
    const std::string a1023(1023, 'a');
    std::string escaped_a;
    for (int i = 0; i < 1100; ++i) {
        escaped_a += "=61";
    }
    const Case cases[] = {
        {a1023, a1023},         {a1023 + "b", a1023}, {a1022 + "=62c", a1022 + "b"},
        {a1023 + "=62", a1023}, {escaped_a, a1023},   {"before=00after", "before"},
        {"\0hidden"s, ""},
    };
    for (const Case& c : cases) {
        std::string output;
        DecodeQuotedPrintable(c.input, output);
        EXPECT_EQ(output, c.expected) << c.input.size();
    }
}

TEST(QuotedPrintable, DataFormDecodesTheWholeRun) {
    for (const Case& c : kByteRules) {
        EXPECT_EQ(DecodeQuotedPrintableData(c.input), c.expected) << c.input;
    }
    std::string escaped;
    for (int i = 0; i < 2000; ++i) {
        escaped += "=00";
    }
    EXPECT_EQ(DecodeQuotedPrintableData(escaped), std::string(2000, '\0'));
    EXPECT_EQ(DecodeQuotedPrintableData("before=00after"), "before\0after"s);
}

}  // namespace
}  // namespace tarvox
