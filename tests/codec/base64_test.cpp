#include "codec/base64.h"

#include <gtest/gtest.h>

#include <string>

namespace tarvox {
namespace {

using namespace std::string_literals;

// RFC 4648 section 10 and the alphabet's end; the fuzzer checks round trips of any bytes.
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

TEST(Base64Test, StrictDecoderRefusesAndAccepts) {
    const std::pair<std::string, std::string> cases[] = {  // "": refused
        // Length must be a non-zero multiple of four.
        {"", ""}, {"Z", ""}, {"Zg", ""}, {"Zg=", ""}, {"Zm9vY", ""}, {"Zm9vYg", ""},
        {"Zm9vYg=", ""}, {"Zm9vYg===", ""},
        // Blanks and line breaks are not skipped.
        {" Zg=", ""}, {"Zm 9", ""}, {"Zm9 Yg==", ""}, {"Zm9v Yg==", ""}, {"Zm9vYm\r\n", ""},
        {"Zm\r\n", ""}, {"Zm9v\r\nYg==", ""}, {"Zm9vYg==\r\n", ""}, {"Zm9\t", ""},
        // Characters outside the standard alphabet.
        {"Zm9-", ""}, {"Zm9_", ""}, {"Zm9.", ""}, {"Zm9\xff", ""}, {"\xc3\xa9Zg", ""},
        // "=" in the first or second place of a group, or where it is looked up.
        {"=m9v", ""}, {"Z=9v", ""}, {"==Zm", ""}, {"Zm9v=m9v", ""}, {"AB=C", ""}, {"Zg=A", ""},
        {"A===", ""}, {"====", ""}, {"Zm9v====", ""},
        // Accepted: the last character's unused low bits are not checked.
        {"Zh==", "f"}, {"Zm9=", "fo"}, {"AB==", "\0"s}, {"ABC=", "\0\x10"s},
        // Accepted: a padded group in the middle counts like any other group.
        {"AB==CDEF", "\0\x08\x31\x05"s}, {"Zg==Zm9v", "ffoo"}, {"Zm8=Zg==", "fof"},
        // An embedded NUL ends the text.
        {"Zm9v\0Yg=="s, "foo"}, {"Zm9vYg==\0junk"s, "foob"}, {"Zm9\0"s, ""}, {"\0Zm9v"s, ""},
        {"Zg\0="s, ""},
    };
    for (const auto& [text, bytes] : cases) {
        EXPECT_EQ(DecodeBase64Text(text), bytes) << '"' << text << '"';
    }
}

}  // namespace
}  // namespace tarvox
