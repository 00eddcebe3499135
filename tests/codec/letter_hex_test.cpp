#include "codec/letter_hex.h"

#include <gtest/gtest.h>

#include <string>

namespace tarvox {
namespace {

using namespace std::string_literals;

// Worked by hand; decoding only: odd lengths drop the last letter, letters outside A..P still count.
TEST(LetterHexTest, KnownPasswordsAndForeignLetters) {
    const struct {
        std::string bytes, letters;
        bool encodes;
    } cases[] = {
        {"", "", true}, {"hello", "GNGLHDHEHI", true}, {"\0\0\0"s, "ADAEAF", true},
        {"\xff", "AA", true}, {"\xfe\xff", "AAAC", true}, {"\x0e", "AP", true},
        {"", "A", false}, {"hello", "GNGLHDHEHIX", false}, {"\xff", "AAQ", false},
        {"\xa8", "ZZ", false}, {"\x1f", "aa", false}, {"\xae", "\0\0"s, false},
        {"\x9d", "\xff\xff", false}, {"\xfe\xfc", "AAPP", false},
    };
    for (const auto& c : cases) {
        if (c.encodes) {
            EXPECT_EQ(EncodeLetterHex(c.bytes), c.letters);
        }
        EXPECT_EQ(DecodeLetterHex(c.letters), c.bytes) << c.letters;
    }
}

}  // namespace
}  // namespace tarvox
