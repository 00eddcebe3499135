#include "codec/base64.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>
#include <vector>

namespace tarvox {
namespace {

using namespace std::string_literals;

// RFC 4648 section 10, plus bytes that reach the last letters of the alphabet.
TEST(Base64Test, KnownVectorsBothWays) {
    const std::pair<std::string, std::string> vectors[] = {
        {"", ""},         {"f", "Zg=="},         {"fo", "Zm8="},         {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"}, {"\xff", "/w=="},
        {"\xfb\xff", "+/8="}, {"\xff\xff\xff", "////"}, {"\0\0\0"s, "AAAA"}, {"\0"s, "AA=="},
    };
    for (const auto& [bytes, text] : vectors) {
        EXPECT_EQ(EncodeBase64(bytes), text);
        if (!text.empty()) {  // empty text is the failure value; see the strict table
            EXPECT_EQ(DecodeBase64Text(text), bytes) << text;
        }
    }
}

TEST(Base64Test, RandomBuffersAndEveryByteValueRoundTrip) {
    std::mt19937 generator(20240611);
    std::vector<std::string> buffers;
    for (std::size_t offset = 0; offset < 3; ++offset) {
        std::string bytes(offset, 'x');
        for (int value = 0; value < 256; ++value) {
            bytes.push_back(static_cast<char>(value));
        }
        buffers.push_back(bytes);
    }
    for (std::size_t length = 0; length <= 100; ++length) {
        for (int repeat = 0; repeat < 20; ++repeat) {
            std::string bytes;
            for (std::size_t i = 0; i < length; ++i) {
                bytes.push_back(static_cast<char>(generator()));
            }
            buffers.push_back(bytes);
        }
    }
    for (const std::string& bytes : buffers) {
        const std::string text = EncodeBase64(bytes);
        ASSERT_EQ(text.size(), (bytes.size() + 2) / 3 * 4);
        EXPECT_EQ(DecodeBase64Text(text), bytes) << "length " << bytes.size();
    }
}

TEST(Base64Test, StrictDecoderRefusesAndAccepts) {
    // nullopt: the decoder must refuse (the empty result).
    const std::pair<std::string, std::optional<std::string>> cases[] = {
        // Length must be a non-zero multiple of four.
        {"", std::nullopt}, {"Z", std::nullopt}, {"Zg", std::nullopt}, {"Zg=", std::nullopt},
        {"Zm9vY", std::nullopt}, {"Zm9vYg", std::nullopt}, {"Zm9vYg=", std::nullopt},
        {"Zm9vYg===", std::nullopt},
        // Blanks and line breaks are not skipped.
        {" Zg=", std::nullopt}, {"Zm 9", std::nullopt}, {"Zm9 Yg==", std::nullopt},
        {"Zm9v Yg==", std::nullopt}, {"Zm9vYm\r\n", std::nullopt}, {"Zm\r\n", std::nullopt},
        {"Zm9v\r\nYg==", std::nullopt}, {"Zm9vYg==\r\n", std::nullopt}, {"Zm9\t", std::nullopt},
        // Characters outside the standard alphabet.
        {"Zm9-", std::nullopt}, {"Zm9_", std::nullopt}, {"Zm9.", std::nullopt},
        {"Zm9\xff", std::nullopt}, {"\xc3\xa9Zg", std::nullopt},
        // "=" in the first or second place of a group, or where it is looked up.
        {"=m9v", std::nullopt}, {"Z=9v", std::nullopt}, {"==Zm", std::nullopt},
        {"Zm9v=m9v", std::nullopt}, {"AB=C", std::nullopt}, {"Zg=A", std::nullopt},
        {"A===", std::nullopt}, {"====", std::nullopt}, {"Zm9v====", std::nullopt},
        // Accepted: the last character's unused low bits are not checked.
        {"Zh==", "f"}, {"Zm9=", "fo"}, {"AB==", "\0"s}, {"ABC=", "\0\x10"s},
        // Accepted: a padded group in the middle counts like any other group.
        {"AB==CDEF", "\0\x08\x31\x05"s}, {"Zg==Zm9v", "ffoo"}, {"Zm8=Zg==", "fof"},
        {"Zg==Zg==Zg==", "fff"},
        // An embedded NUL ends the text.
        {"Zm9v\0Yg=="s, "foo"}, {"Zm9vYg==\0junk"s, "foob"}, {"Zm9\0"s, std::nullopt},
        {"\0Zm9v"s, std::nullopt}, {"Zg\0="s, std::nullopt},
    };
    for (const auto& [text, bytes] : cases) {
        EXPECT_EQ(DecodeBase64Text(text), bytes.value_or("")) << '"' << text << '"';
    }
}

}  // namespace
}  // namespace tarvox
