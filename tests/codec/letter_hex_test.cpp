#include "codec/letter_hex.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarvox {
namespace {

using namespace std::string_literals;

struct Case {
    std::string bytes;
    std::string letters;
};

// Worked by hand from the rule v = (byte + i + n) mod 256, letters 'A' + v / 16
// and 'A' + v % 16.
const std::vector<Case> kEncodeCases = {
    {"", ""},
    // 'h' 104+0+5 = 0x6d, 'e' 101+1+5 = 0x6b, 'l' 108+2+5 = 0x73,
    // 'l' 108+3+5 = 0x74, 'o' 111+4+5 = 0x78.
    {"hello", "GNGLHDHEHI"},
    // Repeated bytes give different letters.
    {"\0\0\0"s, "ADAEAF"},
    // Sums past 255 wrap: 255+0+1 = 256 -> 0; 254+0+2 -> 0, 255+1+2 -> 2.
    {"\xff", "AA"},
    {"\xfe\xff", "AAAC"},
    {"\x0e", "AP"},
};

TEST(LetterHexTest, EncodesKnownPasswords) {
    for (const auto& c : kEncodeCases) {
        EXPECT_EQ(EncodeLetterHex(c.bytes), c.letters);
    }
}

TEST(LetterHexTest, DecodesKnownPasswords) {
    for (const auto& c : kEncodeCases) {
        EXPECT_EQ(DecodeLetterHex(c.letters), c.bytes) << c.letters;
    }
}

// Odd lengths and letters outside A..P: the formula
// ((first - 'A') * 16 + (second - 'A') - n - k) mod 256, worked by hand.
const std::vector<Case> kDecodeOnlyCases = {
    {"", "A"},
    {"hello", "GNGLHDHEHIX"},
    {"\xff", "AAQ"},
    // 'Z': 25*16 + 25 - 1 = 424 -> 168.
    {"\xa8", "ZZ"},
    // 'a' is 32 past 'A': 32*16 + 32 - 1 = 543 -> 31.
    {"\x1f", "aa"},
    // NUL is 65 below 'A': -65*16 - 65 - 1 = -1106 -> 174.
    {"\xae", "\0\0"s},
    // 0xff is 190 past 'A': 190*16 + 190 - 1 = 3229 -> 157.
    {"\x9d", "\xff\xff"},
    // Pair k = 1 of n = 2 in "AAPP": 15*16 + 15 - 2 - 1 = 252.
    {"\xfe\xfc", "AAPP"},
};

TEST(LetterHexTest, DecodesOddLengthsAndForeignLetters) {
    for (const auto& c : kDecodeOnlyCases) {
        EXPECT_EQ(DecodeLetterHex(c.letters), c.bytes) << c.letters;
    }
}

TEST(LetterHexTest, DecodesAnyTextOfAnyLengthToHalfItsLength) {
    // Every byte value in both places of a pair, at several lengths, so that
    // sanitizer builds see every path through the arithmetic.
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
    for (std::size_t length : {0u, 1u, 16u, 17u, 255u, 256u, 300u}) {
        // Shift the byte pattern so each length sees every value somewhere
        // (the single-byte and short buffers are covered value by value below).
        for (int start = 0; start < 256; start += 51) {
            std::string bytes;
            for (std::size_t i = 0; i < length; ++i) {
                bytes.push_back(static_cast<char>((start + 7 * static_cast<int>(i)) & 0xff));
            }
            const std::string letters = EncodeLetterHex(bytes);
            ASSERT_EQ(letters.size(), 2 * length);
            for (const char letter : letters) {
                ASSERT_TRUE(letter >= 'A' && letter <= 'P') << "length " << length;
            }
            EXPECT_EQ(DecodeLetterHex(letters), bytes) << "length " << length;
        }
    }
    for (std::size_t length : {1u, 16u, 17u, 255u}) {
        for (int value = 0; value < 256; ++value) {
            const std::string bytes(length, static_cast<char>(value));
            EXPECT_EQ(DecodeLetterHex(EncodeLetterHex(bytes)), bytes)
                << "length " << length << ", byte " << value;
        }
    }
}

}  // namespace
}  // namespace tarvox
