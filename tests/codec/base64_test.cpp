#include "codec/base64.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>
#include <vector>

namespace tarvox {
namespace {

using namespace std::string_literals;

constexpr std::string_view kAlphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

struct Vector {
    std::string bytes;
    std::string text;
};

// RFC 4648 section 10, plus bytes that reach the last letters of the alphabet.
const std::vector<Vector> kVectors = {
    {"", ""},
    {"f", "Zg=="},
    {"fo", "Zm8="},
    {"foo", "Zm9v"},
    {"foob", "Zm9vYg=="},
    {"fooba", "Zm9vYmE="},
    {"foobar", "Zm9vYmFy"},
    {"\xff", "/w=="},
    {"\xfb\xff", "+/8="},
    {"\xff\xff\xff", "////"},
    {"\0\0\0"s, "AAAA"},
    {"\0"s, "AA=="},
};

TEST(Base64Test, EncodesKnownVectors) {
    for (const auto& v : kVectors) {
        EXPECT_EQ(EncodeBase64(v.bytes), v.text);
    }
}

TEST(Base64Test, DecodesKnownVectors) {
    for (const auto& v : kVectors) {
        if (v.text.empty()) {
            continue;  // empty text is the failure value; see the strict table
        }
        EXPECT_EQ(DecodeBase64Text(v.text), v.bytes) << v.text;
    }
}

// Checks the shape of an encoding: padded length, alphabet only, "=" only at
// the end and only as many as the final group needs.
void ExpectWellFormedEncoding(const std::string& bytes, const std::string& text) {
    ASSERT_EQ(text.size(), (bytes.size() + 2) / 3 * 4);
    const std::size_t padding = (3 - bytes.size() % 3) % 3;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (i >= text.size() - padding) {
            EXPECT_EQ(text[i], '=') << "position " << i;
        } else {
            EXPECT_NE(kAlphabet.find(text[i]), std::string_view::npos) << "position " << i;
        }
    }
}

TEST(Base64Test, EveryByteValueRoundTrips) {
    // Each value alone, and all values in one buffer at each of the three
    // offsets within a group.
    for (int value = 0; value < 256; ++value) {
        const std::string bytes(1, static_cast<char>(value));
        const std::string text = EncodeBase64(bytes);
        ExpectWellFormedEncoding(bytes, text);
        EXPECT_EQ(DecodeBase64Text(text), bytes) << "byte " << value;
    }
    for (std::size_t offset = 0; offset < 3; ++offset) {
        std::string bytes(offset, 'x');
        for (int value = 0; value < 256; ++value) {
            bytes.push_back(static_cast<char>(value));
        }
        const std::string text = EncodeBase64(bytes);
        ExpectWellFormedEncoding(bytes, text);
        EXPECT_EQ(DecodeBase64Text(text), bytes) << "offset " << offset;
    }
}

TEST(Base64Test, RandomBuffersRoundTrip) {
    std::mt19937 generator(20240611);
    std::uniform_int_distribution<int> byte_value(0, 255);
    for (std::size_t length = 0; length <= 100; ++length) {
        for (int repeat = 0; repeat < 20; ++repeat) {
            std::string bytes;
            for (std::size_t i = 0; i < length; ++i) {
                bytes.push_back(static_cast<char>(byte_value(generator)));
            }
            const std::string text = EncodeBase64(bytes);
            ExpectWellFormedEncoding(bytes, text);
            EXPECT_EQ(DecodeBase64Text(text), bytes) << "length " << length;
        }
    }
}

struct StrictCase {
    std::string text;
    std::optional<std::string> bytes;  // nullopt: the decoder must refuse
};

const std::vector<StrictCase> kStrictCases = {
    // Length must be a non-zero multiple of four.
    {"", std::nullopt},
    {"Z", std::nullopt},
    {"Zg", std::nullopt},
    {"Zg=", std::nullopt},
    {"Zm9vY", std::nullopt},
    {"Zm9vYg", std::nullopt},
    {"Zm9vYg=", std::nullopt},
    {"Zm9vYg===", std::nullopt},
    // Blanks and line breaks are not skipped.
    {" Zg=", std::nullopt},
    {"Zm 9", std::nullopt},
    {"Zm9 Yg==", std::nullopt},
    {"Zm9v Yg==", std::nullopt},
    {"Zm9vYm\r\n", std::nullopt},
    {"Zm\r\n", std::nullopt},
    {"Zm9v\r\nYg==", std::nullopt},
    {"Zm9vYg==\r\n", std::nullopt},
    {"Zm9\t", std::nullopt},
    // Characters outside the standard alphabet.
    {"Zm9-", std::nullopt},
    {"Zm9_", std::nullopt},
    {"Zm9.", std::nullopt},
    {"Zm9\xff", std::nullopt},
    {"\xc3\xa9Zg", std::nullopt},
    // "=" in the first or second place of a group, or where it is looked up.
    {"=m9v", std::nullopt},
    {"Z=9v", std::nullopt},
    {"==Zm", std::nullopt},
    {"Zm9v=m9v", std::nullopt},
    {"AB=C", std::nullopt},
    {"Zg=A", std::nullopt},
    {"A===", std::nullopt},
    {"====", std::nullopt},
    {"Zm9v====", std::nullopt},
    // Accepted: the last character's unused low bits are not checked.
    {"Zh==", "f"},
    {"Zm9=", "fo"},
    {"AB==", "\0"s},
    {"ABC=", "\0\x10"s},
    // Accepted: a padded group in the middle counts like any other group.
    {"AB==CDEF", "\0\x08\x31\x05"s},
    {"Zg==Zm9v", "ffoo"},
    {"Zm8=Zg==", "fof"},
    {"Zg==Zg==Zg==", "fff"},
    // An embedded NUL ends the text.
    {"Zm9v\0Yg=="s, "foo"},
    {"Zm9vYg==\0junk"s, "foob"},
    {"Zm9\0"s, std::nullopt},
    {"\0Zm9v"s, std::nullopt},
    {"Zg\0="s, std::nullopt},
};

TEST(Base64Test, StrictDecoderRefusesAndAccepts) {
    for (const auto& c : kStrictCases) {
        const std::string decoded = DecodeBase64Text(c.text);
        if (c.bytes) {
            EXPECT_EQ(decoded, *c.bytes) << '"' << c.text << '"';
        } else {
            EXPECT_TRUE(decoded.empty())
                << '"' << c.text << "\" gave " << decoded.size() << " bytes";
        }
    }
}

}  // namespace
}  // namespace tarvox
