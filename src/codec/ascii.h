// ASCII-only character helpers. Profile names, header names and keywords are
// compared with ASCII case folding; bytes above 127 are never folded.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace tarvox {

constexpr char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

constexpr char AsciiUpper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

constexpr bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i])) {
            return false;
        }
    }
    return true;
}

// True when `text` begins with `prefix`, ASCII letter case ignored.
constexpr bool StartsWithIgnoreAsciiCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           EqualsIgnoreAsciiCase(text.substr(0, prefix.size()), prefix);
}

// Where `part` first occurs in `text`, ASCII letter case ignored, or npos;
// an empty part occurs at 0.
constexpr std::size_t FindIgnoreAsciiCase(std::string_view text, std::string_view part) {
    if (part.empty()) {
        return 0;
    }
    if (part.size() > text.size()) {
        return std::string_view::npos;
    }
    // A last character without letter case ("=" of "boundary=") is found by
    // find, which runs far faster than a walk over every character; the rest
    // is compared where it stands.
    const std::size_t head = part.size() - 1;
    if (AsciiLower(part.back()) == AsciiUpper(part.back())) {
        for (std::size_t end = text.find(part.back(), head); end != std::string_view::npos;
             end = text.find(part.back(), end + 1)) {
            if (EqualsIgnoreAsciiCase(text.substr(end - head, head), part.substr(0, head))) {
                return end - head;
            }
        }
        return std::string_view::npos;
    }
    // Otherwise the rest is compared only where the first character stands,
    // in either case, each found by find.
    const char lower = AsciiLower(part.front());
    const char upper = AsciiUpper(part.front());
    const std::string_view rest = part.substr(1);
    const std::size_t last = text.size() - part.size();
    std::size_t next_lower = text.find(lower);
    std::size_t next_upper = upper == lower ? std::string_view::npos : text.find(upper);
    for (;;) {
        const std::size_t at = next_lower < next_upper ? next_lower : next_upper;
        if (at == std::string_view::npos || at > last) {
            return std::string_view::npos;
        }
        if (EqualsIgnoreAsciiCase(text.substr(at + 1, rest.size()), rest)) {
            return at;
        }
        if (at == next_lower) {
            next_lower = text.find(lower, at + 1);
        } else {
            next_upper = text.find(upper, at + 1);
        }
    }
}

// True when `part` occurs in `text`, ASCII letter case ignored; an empty
// part occurs everywhere.
constexpr bool ContainsIgnoreAsciiCase(std::string_view text, std::string_view part) {
    return FindIgnoreAsciiCase(text, part) != std::string_view::npos;
}

// The value of a hexadecimal digit in either letter case, or -1.
constexpr int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    c = AsciiUpper(c);
    return c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
}

// The number of ASCII bytes (below 0x80) at the start of `bytes`. Text is
// mostly ASCII, so the bytes are tested eight at a time.
inline std::size_t AsciiPrefixLength(std::string_view bytes) {
    constexpr std::uint64_t kHighBits = 0x8080808080808080u;
    std::size_t at = 0;
    for (; at + 8 <= bytes.size(); at += 8) {
        std::uint64_t word;
        std::memcpy(&word, bytes.data() + at, sizeof word);
        if ((word & kHighBits) != 0) {
            break;
        }
    }
    while (at < bytes.size() && static_cast<unsigned char>(bytes[at]) < 0x80) {
        ++at;
    }
    return at;
}

inline std::string ToAsciiLower(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        c = AsciiLower(c);
    }
    return out;
}

}  // namespace tarvox
