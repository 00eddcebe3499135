// RFC 2047 encoded words: one "iso-8859-1" word out, ISO-8859 words in.
#include "message/header_words.h"

#include "codec/ascii.h"
#include "codec/base64.h"

namespace tarvox {

namespace {

// An encoded result needs at least this capacity before encoding is tried.
constexpr std::size_t kMinimumEncodeCapacity = 25;
// More than this share of 8-bit or control characters selects the B form.
constexpr double kBase64Ratio = 0.25;

constexpr std::string_view kEncodedPrefix = "=?iso-8859-1?";
// Decoded charsets start with this (any part number, any letter case).
constexpr std::string_view kDecodedCharset = "=?ISO-8859-";

// Characters that stand for themselves in the Q form (a strict subset of what
// RFC 2047 section 5 (3) allows in a phrase).
bool IsPlainQCharacter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '-' || c == '!' || c == ':' || c == '\'';
}

// The Q form of RFC 2047 section 4.2, as the words we read are written: "_"
// is a blank, "=XX" a byte; an "=" with something other than two hex digits
// after it is dropped with the character after it, and an "=" too near the end
// for two digits is kept.
void AppendQDecoded(std::string_view encoded, std::string& out) {
    for (std::size_t i = 0; i < encoded.size(); ++i) {
        const char c = encoded[i];
        if (c == '_') {
            out.push_back(' ');
        } else if (c == '=' && i + 2 < encoded.size()) {
            const int high = HexDigitValue(encoded[i + 1]);
            const int low = HexDigitValue(encoded[i + 2]);
            if (high >= 0 && low >= 0) {
                out.push_back(static_cast<char>(high * 16 + low));
                i += 2;
            } else {
                i += 1;
            }
        } else {
            out.push_back(c);
        }
    }
}

}  // namespace

std::size_t CountNonAscii(std::string_view text) {
    std::size_t count = 0;
    for (const char c : text) {
        const auto value = static_cast<signed char>(c);
        if (value < 32 || value == 127) {
            ++count;
        }
    }
    return count;
}

bool EncodeHeaderWord(std::string& text, std::size_t capacity) {
    if (capacity < kMinimumEncodeCapacity) {
        return false;
    }
    std::string word(kEncodedPrefix);
    const bool use_base64 =
        !text.empty() &&
        static_cast<double>(CountNonAscii(text)) / static_cast<double>(text.size()) > kBase64Ratio;
    if (use_base64) {
        word += "B?";
        word += EncodeBase64(text);
    } else {
        static constexpr char kHex[] = "0123456789ABCDEF";
        word += "Q?";
        for (const char c : text) {
            if (IsPlainQCharacter(c)) {
                word.push_back(c);
            } else if (c == ' ') {
                word.push_back('_');
            } else {
                const auto byte = static_cast<unsigned char>(c);
                word.push_back('=');
                word.push_back(kHex[byte >> 4]);
                word.push_back(kHex[byte & 15]);
            }
        }
    }
    word += "?=";
    // The word is stored with a terminating NUL in a field of `capacity` bytes.
    if (word.size() + 1 > capacity) {
        return false;
    }
    text = std::move(word);
    return true;
}

bool DecodeHeaderWords(std::string& text) {
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const std::string_view rest = std::string_view(text).substr(i);
        if (rest.size() < kDecodedCharset.size() ||
            !EqualsIgnoreAsciiCase(rest.substr(0, kDecodedCharset.size()), kDecodedCharset)) {
            out.push_back(text[i]);
            ++i;
            continue;
        }
        // Past "=?ISO-8859-" and the first character of the part number; the
        // rest of the charset runs to the next "?".
        std::size_t at = i + kDecodedCharset.size() + 1;
        for (;; ++at) {
            if (at >= text.size() || text[at] == ' ') {
                return false;
            }
            if (text[at] == '?') {
                break;
            }
        }
        ++at;
        if (at + 1 >= text.size() || text[at + 1] != '?') {
            return false;
        }
        const char letter = AsciiUpper(text[at]);
        if (letter != 'Q' && letter != 'B') {
            return false;
        }
        const std::size_t encoded_start = at + 2;
        const std::size_t encoded_end = text.find("?=", encoded_start);
        if (encoded_end == std::string::npos) {
            return false;
        }
        const std::string_view encoded =
            std::string_view(text).substr(encoded_start, encoded_end - encoded_start);
        if (encoded.find(' ') != std::string_view::npos) {
            return false;
        }
        if (letter == 'B') {
            // An undecodable B text contributes nothing; the word itself is
            // well formed.
            out += DecodeBase64Text(encoded);
        } else {
            AppendQDecoded(encoded, out);
        }
        // Whatever sticks to the "?=" up to the next blank is dropped; the
        // blank is kept, so that words separated by a blank stay separated.
        const std::size_t blank = text.find(' ', encoded_end + 2);
        if (blank == std::string::npos) {
            i = text.size();
        } else {
            i = blank;
        }
    }
    // The value is a C string in every field it is shown or stored in: a
    // decoded NUL byte ends it.
    const std::size_t nul = out.find('\0');
    if (nul != std::string::npos) {
        out.resize(nul);
    }
    text = std::move(out);
    return true;
}

}  // namespace tarvox
