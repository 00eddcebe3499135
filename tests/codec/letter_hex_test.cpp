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

TEST(LetterHexTest, RoundTripsEveryByteValueAtSeveralLengths) {
    for (std::size_t length : {1u, 2u, 3u, 16u, 17u, 255u, 300u, 511u, 512u, 513u}) {
        for (int value = 0; value < 256; ++value) {
            std::string bytes;
            for (std::size_t i = 0; i < length; ++i) {
                bytes.push_back(static_cast<char>((value + 7 * static_cast<int>(i)) & 0xff));
            }
            const std::string letters = EncodeLetterHex(bytes);
            ASSERT_EQ(letters.find_first_not_of("ABCDEFGHIJKLMNOP"), std::string::npos);
            EXPECT_EQ(DecodeLetterHex(letters), bytes) << "length " << length << ", " << value;
            EXPECT_EQ(DecodeLetterHex(bytes).size(), length / 2);
        }
    }
}

}  // namespace
}  // namespace tarvox
