// ISO-8859-1 <-> UTF-8 (RFC 3629) for terminals and command-line arguments.
#include "codec/latin1.h"

#include <cstdint>

namespace tarvox {

std::string Latin1ToUtf8(std::string_view latin1) {
    std::string utf8;
    utf8.reserve(latin1.size());
    for (const char ch : latin1) {
        const auto byte = static_cast<std::uint8_t>(ch);
        if (byte < 0x80) {
            utf8.push_back(ch);
        } else {
            utf8.push_back(static_cast<char>(0xc0 | (byte >> 6)));
            utf8.push_back(static_cast<char>(0x80 | (byte & 0x3f)));
        }
    }
    return utf8;
}

std::string Latin1ToTerminal(std::string_view latin1) {
    std::string shown;
    shown.reserve(latin1.size());
    for (std::size_t i = 0; i < latin1.size(); ++i) {
        const auto byte = static_cast<std::uint8_t>(latin1[i]);
        if (byte == '\r' && i + 1 < latin1.size() && latin1[i + 1] == '\n') {
            continue;
        }
        if (byte == '\t' || byte == '\n' || (byte >= 0x20 && byte < 0x7f) || byte >= 0xa0) {
            shown.push_back(latin1[i]);
        } else if (byte == 0x7f) {
            shown += "^?";
        } else {
            if (byte >= 0x80) {
                shown += "M-";
            }
            shown.push_back('^');
            shown.push_back(static_cast<char>((byte & 0x1f) + '@'));
        }
    }
    return Latin1ToUtf8(shown);
}

namespace {

// Length of the well-formed UTF-8 sequence starting at text[pos] and its code
// point, following the table of RFC 3629 section 4 (no overlong forms, no
// surrogates, nothing above U+10FFFF). Returns 0 when the bytes there are not
// a well-formed multi-byte sequence.
std::size_t DecodeSequence(std::string_view text, std::size_t pos, std::uint32_t& code_point) {
    const auto lead = static_cast<std::uint8_t>(text[pos]);
    std::size_t length = 0;
    std::uint8_t second_min = 0x80;
    std::uint8_t second_max = 0xbf;
    if (lead >= 0xc2 && lead <= 0xdf) {
        length = 2;
    } else if (lead >= 0xe0 && lead <= 0xef) {
        length = 3;
        if (lead == 0xe0) {
            second_min = 0xa0;  // below is overlong
        } else if (lead == 0xed) {
            second_max = 0x9f;  // above are the surrogates
        }
    } else if (lead >= 0xf0 && lead <= 0xf4) {
        length = 4;
        if (lead == 0xf0) {
            second_min = 0x90;  // below is overlong
        } else if (lead == 0xf4) {
            second_max = 0x8f;  // above is past U+10FFFF
        }
    } else {
        return 0;  // ASCII, a stray continuation byte, 0xc0, 0xc1 or 0xf5..0xff
    }
    if (text.size() - pos < length) {
        return 0;
    }
    std::uint32_t value = lead & (0x7f >> length);
    for (std::size_t i = 1; i < length; ++i) {
        const auto byte = static_cast<std::uint8_t>(text[pos + i]);
        const std::uint8_t min = (i == 1) ? second_min : 0x80;
        const std::uint8_t max = (i == 1) ? second_max : 0xbf;
        if (byte < min || byte > max) {
            return 0;
        }
        value = (value << 6) | (byte & 0x3f);
    }
    code_point = value;
    return length;
}

}  // namespace

std::string Utf8ToLatin1(std::string_view utf8) {
    std::string latin1;
    latin1.reserve(utf8.size());
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        std::uint32_t code_point = 0;
        const std::size_t length = DecodeSequence(utf8, pos, code_point);
        if (length == 0) {
            // ASCII, or a byte that does not start a well-formed sequence:
            // taken as the ISO-8859-1 character it already is.
            latin1.push_back(utf8[pos]);
            ++pos;
            continue;
        }
        latin1.push_back(code_point <= 0xff ? static_cast<char>(code_point) : '?');
        pos += length;
    }
    return latin1;
}

}  // namespace tarvox
