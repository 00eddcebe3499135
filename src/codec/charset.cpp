#include "codec/charset.h"

#include <iconv.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <initializer_list>
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

bool IsAscii(std::string_view bytes) { return AsciiPrefixLength(bytes) == bytes.size(); }

// The charset name without blanks and quotes around it.
std::string_view TrimmedName(std::string_view charset) {
    const auto is_trimmed = [](char c) { return c == '"' || c == ' ' || c == '\t'; };
    while (!charset.empty() && is_trimmed(charset.front())) {
        charset.remove_prefix(1);
    }
    while (!charset.empty() && is_trimmed(charset.back())) {
        charset.remove_suffix(1);
    }
    return charset.substr(0, 64);
}

bool IsOneOf(std::string_view name, std::initializer_list<std::string_view> names) {
    for (const std::string_view candidate : names) {
        if (EqualsIgnoreAsciiCase(name, candidate)) {
            return true;
        }
    }
    return false;
}

// Charsets in which ASCII bytes need not stand for ASCII text: wide ones, and
// the 7-bit ones that switch with escapes (ISO-2022-JP, HZ, UTF-7).
bool AsciiMayDiffer(std::string_view name) {
    for (const std::string_view prefix : {"UTF-16", "UTF-32", "UCS", "UTF-7", "ISO-2022", "HZ"}) {
        if (StartsWithIgnoreAsciiCase(name, prefix)) {
            return true;
        }
    }
    return EqualsIgnoreAsciiCase(name, "UNICODE");
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

namespace {

void AppendWindows1252(std::string_view bytes, std::string& out) {
    for (std::size_t pos = 0; pos < bytes.size(); ++pos) {
        // Runs of ASCII, most of any text, go over in one append.
        const std::size_t start = pos;
        pos += AsciiPrefixLength(bytes.substr(pos));
        out.append(bytes.substr(start, pos - start));
        if (pos == bytes.size()) {
            break;
        }
        const auto byte = static_cast<std::uint8_t>(bytes[pos]);
        if (byte >= 0xa0) {
            AppendUtf8(out, byte);
        } else if (const std::uint16_t mapped = kWindows1252High[byte - 0x80]; mapped != 0) {
            AppendUtf8(out, mapped);
        } else {
            out += kReplacementCharacter;
        }
    }
}

}  // namespace

std::string Windows1252ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    AppendWindows1252(bytes, out);
    return out;
}

CharsetKnown AppendDecodedCharset(std::string_view bytes, std::string_view charset,
                                  std::string& out) {
    const std::string_view name = TrimmedName(charset);
    if (IsAscii(bytes) && !AsciiMayDiffer(name)) {
        out += bytes;
        return CharsetKnown::Yes;
    }
    if (name.empty() || IsOneOf(name, {"US-ASCII", "ASCII", "WINDOWS-1252", "CP1252"})) {
        AppendWindows1252(bytes, out);
        return CharsetKnown::Yes;
    }
    if (IsOneOf(name, {"ISO-8859-1", "ISO8859-1", "LATIN1"})) {
        AppendLatin1ToUtf8(bytes, out);
        return CharsetKnown::Yes;
    }
    if (IsOneOf(name, {"UTF-8", "UTF8"})) {
        out += ValidUtf8(bytes);
        return CharsetKnown::Yes;
    }
    // Only names of letters, digits and "-_.:" reach iconv: its "//" suffixes
    // (TRANSLIT, IGNORE) are not for a message to choose.
    const bool plain_name =
        name.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_.:") ==
        std::string_view::npos;
    if (std::optional<std::string> decoded =
            plain_name ? Iconv(bytes, std::string(name)) : std::nullopt) {
        out += *decoded;
        return CharsetKnown::Yes;
    }
    AppendWindows1252(bytes, out);
    return CharsetKnown::No;
}

DecodedText DecodeCharset(std::string_view bytes, std::string_view charset) {
    DecodedText decoded;
    decoded.utf8.reserve(bytes.size() + bytes.size() / 8);
    decoded.known = AppendDecodedCharset(bytes, charset, decoded.utf8);
    return decoded;
}

}  // namespace tarvox
