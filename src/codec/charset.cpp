#include "codec/charset.h"

#include <iconv.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <optional>

#include "codec/ascii.h"
#include "codec/latin1.h"
#include "codec/utf8.h"

namespace tarvox {
namespace {

// Windows-1252 0x80..0x9F; 0 marks the five undefined bytes.
constexpr std::array<std::uint16_t, 32> kWindows1252High = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

bool IsAscii(std::string_view bytes) {
    for (const char c : bytes) {
        if (static_cast<std::uint8_t>(c) >= 0x80) {
            return false;
        }
    }
    return true;
}

// The charset name without blanks and quotes around it, in capitals.
std::string CharsetName(std::string_view charset) {
    while (!charset.empty() && (charset.front() == '"' || charset.front() == ' ' || charset.front() == '\t')) {
        charset.remove_prefix(1);
    }
    while (!charset.empty() && (charset.back() == '"' || charset.back() == ' ' || charset.back() == '\t')) {
        charset.remove_suffix(1);
    }
    std::string name;
    for (const char c : charset.substr(0, 64)) {
        name.push_back(AsciiUpper(c));
    }
    return name;
}

// Charsets in which ASCII bytes need not stand for ASCII text: wide ones, and
// the 7-bit ones that switch with escapes (ISO-2022-JP, HZ, UTF-7).
bool AsciiMayDiffer(std::string_view name) {
    return name.starts_with("UTF-16") || name.starts_with("UTF-32") || name.starts_with("UCS") ||
           name.starts_with("UTF-7") || name.starts_with("ISO-2022") || name.starts_with("HZ") ||
           name == "UNICODE";
}

// Through iconv: each sequence it refuses becomes U+FFFD and the walk goes on
// one byte later. Nothing when iconv does not know the charset.
std::optional<std::string> Iconv(std::string_view bytes, const std::string& name) {
    iconv_t cd = ::iconv_open("UTF-8", name.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return std::nullopt;
    }
    std::string out;
    std::array<char, 4096> buffer;
    char* in = const_cast<char*>(bytes.data());
    std::size_t in_left = bytes.size();
    for (bool flushing = false;;) {
        char* to = buffer.data();
        std::size_t to_left = buffer.size();
        // A null input returns a stateful charset (ISO-2022-JP) to its initial state.
        const std::size_t result = flushing ? ::iconv(cd, nullptr, nullptr, &to, &to_left)
                                            : ::iconv(cd, &in, &in_left, &to, &to_left);
        const int error = errno;
        out.append(buffer.data(), buffer.size() - to_left);
        if (result != static_cast<std::size_t>(-1)) {
            if (flushing) {
                break;
            }
            flushing = true;
        } else if (error == EILSEQ || error == EINVAL) {
            out += kReplacementCharacter;
            if (error == EINVAL) {  // a sequence cut by the end of the text
                in_left = 0;
            } else {
                ++in;
                --in_left;
            }
        } else if (error != E2BIG) {
            break;
        }
    }
    ::iconv_close(cd);
    // glibc writes code points past U+10FFFF (from UCS-4, or six-byte forms) as it read them.
    return ValidUtf8(out);
}

}  // namespace

std::string Windows1252ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    for (const char c : bytes) {
        const auto byte = static_cast<std::uint8_t>(c);
        if (byte < 0x80) {
            out.push_back(c);
        } else if (byte >= 0xa0) {
            AppendUtf8(out, byte);
        } else if (const std::uint16_t mapped = kWindows1252High[byte - 0x80]; mapped != 0) {
            AppendUtf8(out, mapped);
        } else {
            out += kReplacementCharacter;
        }
    }
    return out;
}

DecodedText DecodeCharset(std::string_view bytes, std::string_view charset) {
    const std::string name = CharsetName(charset);
    if (IsAscii(bytes) && !AsciiMayDiffer(name)) {
        return {std::string(bytes)};
    }
    if (name.empty() || name == "US-ASCII" || name == "ASCII" || name == "WINDOWS-1252" ||
        name == "CP1252") {
        return {Windows1252ToUtf8(bytes)};
    }
    if (name == "ISO-8859-1" || name == "ISO8859-1" || name == "LATIN1") {
        return {Latin1ToUtf8(bytes)};
    }
    if (name == "UTF-8" || name == "UTF8") {
        return {ValidUtf8(bytes)};
    }
    // Only names of letters, digits and "-_.:" reach iconv: its "//" suffixes
    // (TRANSLIT, IGNORE) are not for a message to choose.
    const bool plain_name = name.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-_.:") ==
                            std::string::npos;
    if (std::optional<std::string> decoded = plain_name ? Iconv(bytes, name) : std::nullopt) {
        return {std::move(*decoded)};
    }
    return {Windows1252ToUtf8(bytes), CharsetKnown::No};
}

}  // namespace tarvox
