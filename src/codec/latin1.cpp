// ISO-8859-1 <-> UTF-8 (RFC 3629) for terminals and command-line arguments.
#include "codec/latin1.h"

#include <cstdint>

#include "codec/utf8.h"

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

std::string Utf8ToLatin1(std::string_view utf8) {
    std::string latin1;
    latin1.reserve(utf8.size());
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        std::uint32_t code_point = 0;
        const std::size_t length = DecodeUtf8Sequence(utf8, pos, code_point);
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
