#include "codec/md5.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarvox {
namespace {

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

// The test suite of RFC 1321 appendix A.5, then inputs around the padding
// boundaries (55 bytes fit one block with the length, 56 need a second block,
// 64 is a whole block) and binary input, whole and in pieces. Digests from md5sum.
TEST(Md5Test, KnownDigestsWholeAndInPieces) {
    std::string all_bytes;
    for (int value = 0; value < 256; ++value) {
        all_bytes.push_back(static_cast<char>(value));
    }
    const std::pair<std::string, std::string> cases[] = {
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
        {all_bytes, "e2c865db4162bed963bfaa9ef6ac18f0"},
        {std::string(1000000, 'a'), "7707d6ae4e027c70eea2a935c2296f21"},
    };
    const std::vector<std::vector<std::size_t>> piece_patterns = {
        {1}, {3, 7, 13}, {63, 1}, {64}, {65, 0, 2}, {55, 9, 56, 8}, {17, 64, 5, 999}};
    for (const auto& [input, hex] : cases) {
        SCOPED_TRACE(testing::Message() << "length " << input.size());
        EXPECT_EQ(Md5Hex(input), hex);
        EXPECT_EQ(DigestToHex(Md5(input)), hex);
        for (const auto& sizes : piece_patterns) {
            EXPECT_EQ(HexOfPieces(input, sizes), hex) << "first piece " << sizes.front();
        }
    }
}

}  // namespace
}  // namespace tarvox
