// Base64 with the standard alphabet of RFC 4648 section 4.
#include "codec/base64.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace tarvox {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr int kNotInAlphabet = -1;

// Maps each byte to its 6-bit value, or kNotInAlphabet ("=" included).
constexpr std::array<int, 256> MakeDecodeTable() {
    std::array<int, 256> table{};
    table.fill(kNotInAlphabet);
    for (int i = 0; i < 64; ++i) {
        table[static_cast<unsigned char>(kAlphabet[i])] = i;
    }
    return table;
}

constexpr std::array<int, 256> kDecodeTable = MakeDecodeTable();

// For each place k of a group of four, the 6-bit value of each byte already
// shifted to its place in the group's 24 bits, or kNotInGroup. ORing the four
// entries of a group gives its 24 bits, with kNotInGroup set when any of its
// characters is outside the alphabet: one test per group instead of four.
constexpr std::uint32_t kNotInGroup = 0x80000000u;

constexpr std::array<std::array<std::uint32_t, 256>, 4> MakeGroupTables() {
    std::array<std::array<std::uint32_t, 256>, 4> tables{};
    for (std::size_t place = 0; place < 4; ++place) {
        for (std::size_t byte = 0; byte < 256; ++byte) {
            const int value = kDecodeTable[byte];
            tables[place][byte] = value == kNotInAlphabet
                                      ? kNotInGroup
                                      : static_cast<std::uint32_t>(value) << (18 - 6 * place);
        }
    }
    return tables;
}

constexpr std::array<std::array<std::uint32_t, 256>, 4> kGroupTables = MakeGroupTables();

}  // namespace

int Base64Value(char c) { return kDecodeTable[static_cast<unsigned char>(c)]; }

std::size_t DecodeBase64Groups(std::string_view text, char* out, std::size_t max_groups) {
    const std::size_t groups = std::min(text.size() / 4, max_groups);
    const auto* in = reinterpret_cast<const unsigned char*>(text.data());
    for (std::size_t group = 0; group < groups; ++group, in += 4, out += 3) {
        const std::uint32_t bits = kGroupTables[0][in[0]] | kGroupTables[1][in[1]] |
                                   kGroupTables[2][in[2]] | kGroupTables[3][in[3]];
        if ((bits & kNotInGroup) != 0) {
            return group;
        }
        out[0] = static_cast<char>(bits >> 16);
        out[1] = static_cast<char>(bits >> 8);
        out[2] = static_cast<char>(bits);
    }
    return groups;
}

std::string EncodeBase64(std::string_view bytes) {
    std::string text;
    text.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const std::uint32_t group = (static_cast<std::uint8_t>(bytes[i]) << 16) |
                                    (static_cast<std::uint8_t>(bytes[i + 1]) << 8) |
                                    static_cast<std::uint8_t>(bytes[i + 2]);
        text.push_back(kAlphabet[(group >> 18) & 63]);
        text.push_back(kAlphabet[(group >> 12) & 63]);
        text.push_back(kAlphabet[(group >> 6) & 63]);
        text.push_back(kAlphabet[group & 63]);
    }
    // A final group of one or two bytes is padded with "=" (RFC 4648 section 4).
    const std::size_t rest = bytes.size() - i;
    if (rest > 0) {
        std::uint32_t group = static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[i])) << 16;
        if (rest == 2) {
            group |= static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[i + 1])) << 8;
        }
        text.push_back(kAlphabet[(group >> 18) & 63]);
        text.push_back(kAlphabet[(group >> 12) & 63]);
        text.push_back(rest == 2 ? kAlphabet[(group >> 6) & 63] : '=');
        text.push_back('=');
    }
    return text;
}

std::string DecodeBase64Text(std::string_view text) {
    // The text is handled as a C string: it ends at the first NUL.
    text = text.substr(0, text.find('\0'));
    if (text.empty() || text.size() % 4 != 0) {
        return {};
    }

    std::string bytes;
    bytes.reserve(text.size() / 4 * 3);
    for (std::size_t group = 0; group < text.size(); group += 4) {
        // Every group is treated alike: an "=" in third or fourth place drops
        // one output byte, wherever the group stands in the text.
        std::size_t count = 3;
        if (text[group + 2] == '=') {
            --count;
        }
        if (text[group + 3] == '=') {
            --count;
        }
        // Output byte k is made from characters k and k + 1 of the group.
        for (std::size_t k = 0; k < count; ++k) {
            const int high = kDecodeTable[static_cast<unsigned char>(text[group + k])];
            const int low = kDecodeTable[static_cast<unsigned char>(text[group + k + 1])];
            if (high == kNotInAlphabet || low == kNotInAlphabet) {
                return {};
            }
            const unsigned shift = static_cast<unsigned>(2 * k);
            const unsigned value = (static_cast<unsigned>(high) << (2 + shift)) |
                                   (static_cast<unsigned>(low) >> (4 - shift));
            bytes.push_back(static_cast<char>(value & 0xff));
        }
    }
    return bytes;
}

}  // namespace tarvox
