// MD5 as described in RFC 1321, written from the algorithm description in
// section 3 (the reference code in the appendix is not used).
#include "codec/md5.h"

#include <algorithm>
#include <cstring>

namespace tarvox {
namespace {

// Per-round shift amounts (RFC 1321 section 3.4), four per round.
constexpr std::array<std::uint32_t, 16> kShifts = {7, 12, 17, 22, 5, 9,  14, 20,
                                                   4, 11, 16, 23, 6, 10, 15, 21};

// T[i] = floor(2^32 * abs(sin(i + 1))), RFC 1321 section 3.4.
constexpr std::array<std::uint32_t, 64> kSines = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};

constexpr std::uint32_t RotateLeft(std::uint32_t value, std::uint32_t count) {
    return (value << count) | (value >> (32 - count));
}

constexpr char kHexDigits[] = "0123456789abcdef";

}  // namespace

Md5Hasher::Md5Hasher() : m_state{0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476} {}

void Md5Hasher::Update(std::string_view bytes) {
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    std::size_t remaining = bytes.size();
    m_length_bytes += remaining;

    if (m_buffered > 0) {
        const std::size_t take = std::min(remaining, m_buffer.size() - m_buffered);
        std::memcpy(m_buffer.data() + m_buffered, data, take);
        m_buffered += take;
        data += take;
        remaining -= take;
        if (m_buffered < m_buffer.size()) {
            return;
        }
        Transform(m_buffer.data());
        m_buffered = 0;
    }
    while (remaining >= 64) {
        Transform(data);
        data += 64;
        remaining -= 64;
    }
    if (remaining > 0) {
        std::memcpy(m_buffer.data(), data, remaining);
        m_buffered = remaining;
    }
}

Md5Digest Md5Hasher::Final() {
    // Padding (RFC 1321 sections 3.1 and 3.2): a 0x80 byte, zeros up to 56
    // mod 64, then the message length in bits as 64-bit little-endian.
    const std::uint64_t length_bits = m_length_bytes * 8;
    std::array<std::uint8_t, 72> padding{};
    padding[0] = 0x80;
    const std::size_t pad_length = (m_buffered < 56) ? 56 - m_buffered : 120 - m_buffered;
    for (std::size_t i = 0; i < 8; ++i) {
        padding[pad_length + i] = static_cast<std::uint8_t>(length_bits >> (8 * i));
    }
    Update(std::string_view(reinterpret_cast<const char*>(padding.data()), pad_length + 8));

    // The digest is A, B, C, D, each written low-order byte first (section 3.5).
    Md5Digest digest{};
    for (std::size_t word = 0; word < 4; ++word) {
        for (std::size_t i = 0; i < 4; ++i) {
            digest[word * 4 + i] = static_cast<std::uint8_t>(m_state[word] >> (8 * i));
        }
    }
    return digest;
}

void Md5Hasher::Transform(const std::uint8_t* block) {
    // The block as sixteen little-endian 32-bit words (section 3.4).
    std::array<std::uint32_t, 16> x{};
    for (std::size_t i = 0; i < 16; ++i) {
        x[i] = static_cast<std::uint32_t>(block[i * 4]) |
               (static_cast<std::uint32_t>(block[i * 4 + 1]) << 8) |
               (static_cast<std::uint32_t>(block[i * 4 + 2]) << 16) |
               (static_cast<std::uint32_t>(block[i * 4 + 3]) << 24);
    }

    std::uint32_t a = m_state[0];
    std::uint32_t b = m_state[1];
    std::uint32_t c = m_state[2];
    std::uint32_t d = m_state[3];
    for (std::uint32_t i = 0; i < 64; ++i) {
        std::uint32_t f = 0;
        std::uint32_t k = 0;  // which word of the block this step uses
        switch (i / 16) {
            case 0:  // F(X,Y,Z) = XY v not(X) Z
                f = (b & c) | (~b & d);
                k = i;
                break;
            case 1:  // G(X,Y,Z) = XZ v Y not(Z)
                f = (b & d) | (c & ~d);
                k = (5 * i + 1) % 16;
                break;
            case 2:  // H(X,Y,Z) = X xor Y xor Z
                f = b ^ c ^ d;
                k = (3 * i + 5) % 16;
                break;
            default:  // I(X,Y,Z) = Y xor (X v not(Z))
                f = c ^ (b | ~d);
                k = (7 * i) % 16;
                break;
        }
        const std::uint32_t rotated =
            RotateLeft(a + f + kSines[i] + x[k], kShifts[(i / 16) * 4 + i % 4]);
        a = d;
        d = c;
        c = b;
        b = b + rotated;
    }
    m_state[0] += a;
    m_state[1] += b;
    m_state[2] += c;
    m_state[3] += d;
}

Md5Digest Md5(std::string_view bytes) {
    Md5Hasher hasher;
    hasher.Update(bytes);
    return hasher.Final();
}

std::string Md5Hex(std::string_view bytes) {
    return DigestToHex(Md5(bytes));
}

std::string DigestToHex(const Md5Digest& digest) {
    std::string hex;
    hex.reserve(digest.size() * 2);
    for (const std::uint8_t byte : digest) {
        hex.push_back(kHexDigits[byte >> 4]);
        hex.push_back(kHexDigits[byte & 0x0f]);
    }
    return hex;
}

}  // namespace tarvox
