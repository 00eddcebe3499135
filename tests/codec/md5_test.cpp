#include "codec/md5.h"

#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <vector>

namespace tarvox {
namespace {

// RFC 1321 A.5, lengths around the padding boundaries and binary input, whole and in pieces.
TEST(Md5Test, KnownDigestsWholeAndInPieces) {
    std::string all_bytes(256, '\0');
    std::iota(all_bytes.begin(), all_bytes.end(), '\0');
    const auto a = [](std::size_t n) { return std::string(n, 'a'); };
    const std::pair<std::string, std::string> cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"}, {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"}, {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
        {a(55), "ef1772b6dff9a122358552954ad0df65"}, {a(56), "3b0c8ac703f828b04c6c197006d17218"},
        {a(63), "b06521f39153d618550606be297466d5"}, {a(64), "014842d480b571495a4a0363793f7367"},
        {a(119), "8a7bd0732ed6a28ce75f6dabc90e1613"}, {a(120), "5f61c0ccad4cac44c75ff505e1f1e537"},
        {a(128), "e510683b3f5ffe4093d021808bc6ff70"}, {all_bytes, "e2c865db4162bed963bfaa9ef6ac18f0"},
        {std::string("\xff\x00\x80", 3), "60cdccd4000580a3c394b8ad6ea9b899"},
        {a(1000000), "7707d6ae4e027c70eea2a935c2296f21"},
    };
    const std::vector<std::vector<std::size_t>> piece_patterns = {
        {1}, {3, 7, 13}, {63, 1}, {64}, {65, 0, 2}, {55, 9, 56, 8}, {17, 64, 5, 999}};
    for (const auto& [input, hex] : cases) {
        SCOPED_TRACE(testing::Message() << "length " << input.size());
        EXPECT_EQ(Md5Hex(input), hex);
        for (const auto& sizes : piece_patterns) {
            Md5Hasher hasher;
            for (std::size_t i = 0, pos = 0; pos < input.size(); pos += sizes[i++ % sizes.size()]) {
                hasher.Update(std::string_view(input).substr(pos, sizes[i % sizes.size()]));
            }
            EXPECT_EQ(DigestToHex(hasher.Final()), hex) << "first piece " << sizes.front();
        }
    }
}

}  // namespace
}  // namespace tarvox
