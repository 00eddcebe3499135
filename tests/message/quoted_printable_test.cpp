#include "message/quoted_printable.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>

namespace tarvox {
namespace {

using namespace std::string_literals;

TEST(QuotedPrintable, DisplayAndDataForms) {
    const std::string a1022(1022, 'a'), a1023(1023, 'a');
    // The input, what the display form appends, and the data form when it differs.
    const std::tuple<std::string, std::string, std::optional<std::string>> cases[] = {
        {"plain text", "plain text", {}}, {"a=41b", "aAb", {}}, {"=4a=4B=e9", "JK\xE9", {}},
        {"soft=\r\nbreak", "softbreak", {}}, {"=3D41", "=41", {}},  // a decoded "=" stays
        // Broken escapes lose their "=" and go on with the next character.
        {"=4G", "4G", {}}, {"=4=41", "4A", {}}, {"==41", "A", {}}, {"x=", "x", {}},
        {"=4", "4", {}}, {"=\r", "\r", {}}, {"=\nx", "\nx", {}}, {"= \r\n", " \r\n", {}},
        // The display form stops at its work buffer and at a NUL; the data form does not.
        {a1023 + "b", a1023, a1023 + "b"}, {a1022 + "=62c", a1022 + "b", a1022 + "bc"},
        {a1023 + "=62", a1023, a1023 + "b"},
        {"before=00after", "before", "before\0after"s}, {"\0hidden"s, "", "\0hidden"s},
    };
    for (const auto& [input, display, data] : cases) {
        std::string output = "> ";
        DecodeQuotedPrintable(input, output);
        EXPECT_EQ(output, "> " + display) << input.substr(0, 20);
        EXPECT_EQ(DecodeQuotedPrintableData(input), data.value_or(display)) << input.substr(0, 20);
    }
}

}  // namespace
}  // namespace tarvox
