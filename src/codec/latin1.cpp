// ISO-8859-1 <-> UTF-8 (RFC 3629), and UTF-8 text made safe for a terminal.
#include "codec/latin1.h"

#include <cstdint>
#include <cstring>

#include "codec/utf8.h"

namespace tarvox {

namespace {

// Writes the UTF-8 form of one ISO-8859-1 byte at `to`; returns the end.
char* PutLatin1(char* to, char c) {
    const auto byte = static_cast<std::uint8_t>(c);
    if (byte < 0x80) {
        *to = c;
        return to + 1;
    }
    to[0] = static_cast<char>(0xc0 | (byte >> 6));
    to[1] = static_cast<char>(0x80 | (byte & 0x3f));
    return to + 2;
}

}  // namespace

void AppendLatin1ToUtf8(std::string_view latin1, std::string& utf8) {
    // Written in place, a piece at a time: each piece gets room for two bytes
    // a character and is cut to what it took, so the string never holds much
    // more than the result.
    constexpr std::size_t kPiece = 65536;
    constexpr std::uint64_t kHighBits = 0x8080808080808080u;
    while (!latin1.empty()) {
        const std::string_view piece = latin1.substr(0, kPiece);
        latin1.remove_prefix(piece.size());
        const std::size_t first = utf8.size();
        utf8.resize(first + 2 * piece.size());
        char* to = utf8.data() + first;
        const char* from = piece.data();
        const char* const end = from + piece.size();
        // Eight bytes at a time: a word of ASCII, most of any text, is
        // copied whole; any other word byte by byte.
        for (; end - from >= 8; from += 8) {
            std::uint64_t word;
            std::memcpy(&word, from, sizeof word);
            if ((word & kHighBits) == 0) {
                std::memcpy(to, &word, sizeof word);
                to += sizeof word;
                continue;
            }
            for (std::size_t k = 0; k < 8; ++k) {
                to = PutLatin1(to, from[k]);
            }
        }
        for (; from < end; ++from) {
            to = PutLatin1(to, *from);
        }
        utf8.resize(static_cast<std::size_t>(to - utf8.data()));
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
