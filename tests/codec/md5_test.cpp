#include "codec/md5.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarvox {
namespace {

struct DigestCase {
    std::string input;
    std::string hex;
};

std::string AllByteValues() {
    std::string bytes;
    for (int value = 0; value < 256; ++value) {
        bytes.push_back(static_cast<char>(value));
    }
    return bytes;
}

// The test suite of RFC 1321 appendix A.5, then inputs around the padding
// boundaries (55 bytes fit one block with the length, 56 need a second block,
// 64 is a whole block) and binary input. Expected digests from md5sum.
const std::vector<DigestCase>& DigestCases() {
    static const std::vector<DigestCase> cases = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
        {std::string(55, 'a'), "ef1772b6dff9a122358552954ad0df65"},
        {std::string(56, 'a'), "3b0c8ac703f828b04c6c197006d17218"},
        {std::string(57, 'a'), "652b906d60af96844ebd21b674f35e93"},
        {std::string(63, 'a'), "b06521f39153d618550606be297466d5"},
        {std::string(64, 'a'), "014842d480b571495a4a0363793f7367"},
        {std::string(65, 'a'), "c743a45e0d2e6a95cb859adae0248435"},
        {std::string(119, 'a'), "8a7bd0732ed6a28ce75f6dabc90e1613"},
        {std::string(120, 'a'), "5f61c0ccad4cac44c75ff505e1f1e537"},
        {std::string(127, 'a'), "020406e1d05cdc2aa287641f7ae2cc39"},
        {std::string(128, 'a'), "e510683b3f5ffe4093d021808bc6ff70"},
        {std::string("\xff\x00\x80", 3), "60cdccd4000580a3c394b8ad6ea9b899"},
        {AllByteValues(), "e2c865db4162bed963bfaa9ef6ac18f0"},
        {std::string(1000000, 'a'), "7707d6ae4e027c70eea2a935c2296f21"},
    };
    return cases;
}

// Feeds the input in pieces whose sizes cycle through `sizes`.
std::string HexOfPieces(const std::string& input, const std::vector<std::size_t>& sizes) {
    Md5Hasher hasher;
    std::size_t pos = 0;
    for (std::size_t i = 0; pos < input.size(); ++i) {
        const std::size_t size = sizes[i % sizes.size()];
        hasher.Update(std::string_view(input).substr(pos, size));
        pos += size;
    }
    return DigestToHex(hasher.Final());
}

TEST(Md5Test, WholeInputGivesKnownDigest) {
    for (const auto& c : DigestCases()) {
        EXPECT_EQ(Md5Hex(c.input), c.hex) << "length " << c.input.size();
        EXPECT_EQ(DigestToHex(Md5(c.input)), c.hex) << "length " << c.input.size();
    }
}

TEST(Md5Test, PiecewiseInputGivesSameDigest) {
    const std::vector<std::vector<std::size_t>> piece_patterns = {
        {1}, {3, 7, 13}, {63, 1}, {64}, {65, 0, 2}, {55, 9, 56, 8}, {1000, 4096}};
    for (const auto& c : DigestCases()) {
        if (c.input.size() > 10000) {
            continue;  // byte-by-byte feeding of the long input is covered below
        }
        for (const auto& sizes : piece_patterns) {
            EXPECT_EQ(HexOfPieces(c.input, sizes), c.hex)
                << "length " << c.input.size() << ", first piece " << sizes.front();
        }
    }
}

TEST(Md5Test, MillionBytesFedInUnevenPieces) {
    const DigestCase& c = DigestCases().back();
    ASSERT_EQ(c.input.size(), 1000000u);
    EXPECT_EQ(HexOfPieces(c.input, {1}), c.hex);
    EXPECT_EQ(HexOfPieces(c.input, {17, 64, 5, 999}), c.hex);
}

TEST(Md5Test, DigestToHexWritesEachByteAsTwoLowercaseDigits) {
    struct Case {
        Md5Digest digest;
        std::string hex;
    };
    const std::vector<Case> cases = {
        {{}, "00000000000000000000000000000000"},
        {{0x01, 0x23, 0x45, 0x67, 0x89, 0xab, 0xcd, 0xef, 0xfe, 0xdc, 0xba, 0x98, 0x76, 0x54, 0x32,
          0x10},
         "0123456789abcdeffedcba9876543210"},
        {{0xff, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x0a},
         "ff00000000000000000000000000000a"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DigestToHex(c.digest), c.hex);
    }
}

TEST(Md5Test, DigestBytesAreInDigestOrder) {
    const Md5Digest expected = {0x90, 0x01, 0x50, 0x98, 0x3c, 0xd2, 0x4f, 0xb0,
                                0xd6, 0x96, 0x3f, 0x7d, 0x28, 0xe1, 0x7f, 0x72};
    EXPECT_EQ(Md5("abc"), expected);
}

}  // namespace
}  // namespace tarvox
