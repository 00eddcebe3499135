// MD5 message digest (RFC 1321). Used for APOP, message identity and the
// master passphrase verifier and profile keys.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tarvox {

using Md5Digest = std::array<std::uint8_t, 16>;

// Incremental hasher: feed any number of pieces, then take the digest once.
class Md5Hasher {
public:
    Md5Hasher();
    void Update(std::string_view bytes);
    // Finishes the computation; the hasher must not be updated afterwards.
    Md5Digest Final();

private:
    void Transform(const std::uint8_t* block);

    std::array<std::uint32_t, 4> m_state;
    std::uint64_t m_length_bytes = 0;
    std::array<std::uint8_t, 64> m_buffer{};
    std::size_t m_buffered = 0;
};

Md5Digest Md5(std::string_view bytes);

// The digest as 32 lowercase hexadecimal digits, in digest order.
std::string Md5Hex(std::string_view bytes);
std::string DigestToHex(const Md5Digest& digest);

}  // namespace tarvox
