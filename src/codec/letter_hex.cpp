// Letter-hex: the encoding of passwords kept in the settings file.
#include "codec/letter_hex.h"

#include <cstdint>

namespace tarvox {

std::string EncodeLetterHex(std::string_view bytes) {
    const std::size_t n = bytes.size();
    std::string letters;
    letters.reserve(2 * n);
    for (std::size_t i = 0; i < n; ++i) {
        // Sums are taken in std::size_t and cut to a byte, which is the mod 256.
        const auto v = static_cast<std::uint8_t>(static_cast<std::uint8_t>(bytes[i]) + i + n);
        letters.push_back(static_cast<char>('A' + (v >> 4)));
        letters.push_back(static_cast<char>('A' + (v & 15)));
    }
    return letters;
}

std::string DecodeLetterHex(std::string_view letters) {
    const std::size_t n = letters.size() / 2;
    std::string bytes;
    bytes.reserve(n);
    for (std::size_t k = 0; k < n; ++k) {
        // Unsigned arithmetic wraps, so any letter (even a byte below 'A')
        // gives a defined result; the low 8 bits are the value mod 256.
        const std::size_t high = static_cast<std::uint8_t>(letters[2 * k]) - std::size_t{'A'};
        const std::size_t low = static_cast<std::uint8_t>(letters[2 * k + 1]) - std::size_t{'A'};
        bytes.push_back(static_cast<char>(static_cast<std::uint8_t>(high * 16 + low - n - k)));
    }
    return bytes;
}

}  // namespace tarvox
