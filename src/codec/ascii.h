// ASCII-only character helpers. Profile names, header names and keywords are
// compared with ASCII case folding; bytes above 127 are never folded.
#pragma once

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

// True when `part` occurs in `text`, ASCII letter case ignored; an empty
// part occurs everywhere.
constexpr bool ContainsIgnoreAsciiCase(std::string_view text, std::string_view part) {
    for (std::size_t at = 0; at + part.size() <= text.size(); ++at) {
        if (EqualsIgnoreAsciiCase(text.substr(at, part.size()), part)) {
            return true;
        }
    }
    return false;
}

// The value of a hexadecimal digit in either letter case, or -1.
constexpr int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    c = AsciiUpper(c);
    return c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
}

inline std::string ToAsciiLower(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        c = AsciiLower(c);
    }
    return out;
}

}  // namespace tarvox
