#include "codec/letter_hex.h"

#include <gtest/gtest.h>

#include <string>

namespace tarvox {
namespace {

using namespace std::string_literals;

// Worked by hand from the rule v = (byte + i + n) mod 256, letters 'A' + v / 16
// and 'A' + v % 16: repeated bytes give different letters, sums past 255 wrap.
TEST(LetterHexTest, KnownPasswordsBothWays) {
    const std::pair<std::string, std::string> cases[] = {
        {"", ""}, {"hello", "GNGLHDHEHI"}, {"\0\0\0"s, "ADAEAF"}, {"\xff", "AA"},
        {"\xfe\xff", "AAAC"}, {"\x0e", "AP"},
    };
    for (const auto& [bytes, letters] : cases) {
        EXPECT_EQ(EncodeLetterHex(bytes), letters);
        EXPECT_EQ(DecodeLetterHex(letters), bytes) << letters;
    }
}

// Odd lengths drop the last letter; letters outside A..P still decode by the
// same arithmetic, worked by hand.
TEST(LetterHexTest, DecodesOddLengthsAndForeignLetters) {
    const std::pair<std::string, std::string> cases[] = {
        {"", "A"}, {"hello", "GNGLHDHEHIX"}, {"\xff", "AAQ"}, {"\xa8", "ZZ"}, {"\x1f", "aa"},
        {"\xae", "\0\0"s}, {"\x9d", "\xff\xff"}, {"\xfe\xfc", "AAPP"},
    };
    for (const auto& [bytes, letters] : cases) {
        EXPECT_EQ(DecodeLetterHex(letters), bytes) << letters;
    }
    // Any text of any length decodes to half its length.
    for (std::size_t length : {1u, 2u, 3u, 511u, 512u, 513u}) {
        for (int value = 0; value < 256; ++value) {
            std::string letters;
            for (std::size_t i = 0; i < length; ++i) {
                letters.push_back(static_cast<char>(value + static_cast<int>(i)));
            }
            EXPECT_EQ(DecodeLetterHex(letters).size(), length / 2);
        }
    }
}

TEST(LetterHexTest, RoundTripsEveryByteValueAtSeveralLengths) {
    for (std::size_t length : {1u, 16u, 17u, 255u, 300u}) {
        for (int value = 0; value < 256; ++value) {
            std::string bytes;
            for (std::size_t i = 0; i < length; ++i) {
                bytes.push_back(static_cast<char>((value + 7 * static_cast<int>(i)) & 0xff));
            }
            const std::string letters = EncodeLetterHex(bytes);
            ASSERT_EQ(letters.find_first_not_of("ABCDEFGHIJKLMNOP"), std::string::npos);
            EXPECT_EQ(DecodeLetterHex(letters), bytes) << "length " << length << ", " << value;
        }
    }
}

}  // namespace
}  // namespace tarvox
