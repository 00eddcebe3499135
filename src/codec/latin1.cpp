// ISO-8859-1 <-> UTF-8 (RFC 3629), and UTF-8 text made safe for a terminal.
#include "codec/latin1.h"

#include <cstdint>

#include "codec/ascii.h"
#include "codec/utf8.h"

namespace tarvox {

void AppendLatin1ToUtf8(std::string_view latin1, std::string& utf8) {
    while (!latin1.empty()) {
        // Runs of ASCII, most of any text, go over in one append.
        const std::size_t ascii = AsciiPrefixLength(latin1);
        utf8.append(latin1.substr(0, ascii));
        latin1.remove_prefix(ascii);
        // Then the characters from U+0080 on, two UTF-8 bytes each.
        while (!latin1.empty() && static_cast<std::uint8_t>(latin1.front()) >= 0x80) {
            const auto byte = static_cast<std::uint8_t>(latin1.front());
            const char pair[2] = {static_cast<char>(0xc0 | (byte >> 6)),
                                  static_cast<char>(0x80 | (byte & 0x3f))};
            utf8.append(pair, 2);
            latin1.remove_prefix(1);
        }
    }
}

std::string Latin1ToUtf8(std::string_view latin1) {
    std::string utf8;
    utf8.reserve(latin1.size());
    AppendLatin1ToUtf8(latin1, utf8);
    return utf8;
}

std::string Utf8ToTerminal(std::string_view utf8) {
    std::string shown;
    shown.reserve(utf8.size());
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        std::uint32_t code_point = 0;
        const std::size_t length = DecodeUtf8Sequence(utf8, pos, code_point);
        if (length != 0) {
            if (code_point <= 0x9f) {
                // A C1 control: "M-" and the C0 control it shifts.
                shown += "M-^";
                shown.push_back(static_cast<char>((code_point & 0x1f) + '@'));
            } else {
                shown.append(utf8.substr(pos, length));
            }
            pos += length;
            continue;
        }
        const auto byte = static_cast<std::uint8_t>(utf8[pos]);
        ++pos;
        if (byte == '\r' && pos < utf8.size() && utf8[pos] == '\n') {
            continue;
        }
        if (byte >= 0x80) {
            shown += kReplacementCharacter;
        } else if (byte == '\t' || byte == '\n' || (byte >= 0x20 && byte < 0x7f)) {
            shown.push_back(static_cast<char>(byte));
        } else if (byte == 0x7f) {
            shown += "^?";
        } else {
            shown.push_back('^');
            shown.push_back(static_cast<char>(byte + '@'));
        }
    }
    return shown;
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
