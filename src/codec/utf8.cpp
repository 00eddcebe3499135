#include "codec/utf8.h"

#include <algorithm>

namespace tarvox {

namespace {

// The sequence at text[pos]: its length when well formed, with `code_point` set; else 0,
// with `subpart` the bytes (at least one) that started it correctly, the "maximal
// subpart" that one U+FFFD replaces (Unicode 15, section 3.9).
std::size_t ReadSequence(std::string_view text, std::size_t pos, std::uint32_t& code_point,
                         std::size_t& subpart) {
    subpart = 1;
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
    std::uint32_t value = lead & (0x7f >> length);
    for (std::size_t i = 1; i < length; ++i) {
        const std::uint8_t min = (i == 1) ? second_min : 0x80;
        const std::uint8_t max = (i == 1) ? second_max : 0xbf;
        if (pos + i >= text.size() || static_cast<std::uint8_t>(text[pos + i]) < min ||
            static_cast<std::uint8_t>(text[pos + i]) > max) {
            subpart = i;
            return 0;
        }
        const auto byte = static_cast<std::uint8_t>(text[pos + i]);
        value = (value << 6) | (byte & 0x3f);
    }
    code_point = value;
    return length;
}

}  // namespace

std::size_t DecodeUtf8Sequence(std::string_view text, std::size_t pos, std::uint32_t& code_point) {
    std::size_t subpart = 0;
    return ReadSequence(text, pos, code_point, subpart);
}

namespace {

// Walks `text`: the largest code point seen, or -1 when a byte is not well formed.
long LargestCodePoint(std::string_view text) {
    long largest = 0;
    for (std::size_t pos = 0; pos < text.size();) {
        if (static_cast<std::uint8_t>(text[pos]) < 0x80) {
            ++pos;
            continue;
        }
        std::uint32_t code_point = 0;
        const std::size_t length = DecodeUtf8Sequence(text, pos, code_point);
        if (length == 0) {
            return -1;
        }
        largest = std::max<long>(largest, code_point);
        pos += length;
    }
    return largest;
}

}  // namespace

bool IsUtf8(std::string_view text) { return LargestCodePoint(text) >= 0; }

bool IsMultiByteUtf8(std::string_view text) { return LargestCodePoint(text) >= 0x80; }

bool FitsLatin1(std::string_view utf8) {
    const long largest = LargestCodePoint(utf8);
    return largest >= 0 && largest <= 0xff;
}

std::string ValidUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        std::uint32_t code_point = 0;
        std::size_t subpart = 0;
        const std::size_t length = ReadSequence(text, pos, code_point, subpart);
        if (length != 0) {
            out.append(text.substr(pos, length));
            pos += length;
        } else {
            const bool ascii = static_cast<std::uint8_t>(text[pos]) < 0x80;
            out.append(ascii ? text.substr(pos, 1) : kReplacementCharacter);
            pos += subpart;
        }
    }
    return out;
}

void AppendUtf8(std::string& out, std::uint32_t code_point) {
    if (code_point < 0x80) {
        out.push_back(static_cast<char>(code_point));
    } else if (code_point < 0x800) {
        out.push_back(static_cast<char>(0xc0 | (code_point >> 6)));
        out.push_back(static_cast<char>(0x80 | (code_point & 0x3f)));
    } else if (code_point < 0x10000) {
        out.push_back(static_cast<char>(0xe0 | (code_point >> 12)));
        out.push_back(static_cast<char>(0x80 | ((code_point >> 6) & 0x3f)));
        out.push_back(static_cast<char>(0x80 | (code_point & 0x3f)));
    } else {
        out.push_back(static_cast<char>(0xf0 | (code_point >> 18)));
        out.push_back(static_cast<char>(0x80 | ((code_point >> 12) & 0x3f)));
        out.push_back(static_cast<char>(0x80 | ((code_point >> 6) & 0x3f)));
        out.push_back(static_cast<char>(0x80 | (code_point & 0x3f)));
    }
}

std::size_t CharacterLength(std::string_view utf8, std::size_t pos) {
    std::uint32_t code_point = 0;
    const std::size_t length = DecodeUtf8Sequence(utf8, pos, code_point);
    return length == 0 ? 1 : length;
}

std::size_t CharacterCount(std::string_view utf8) {
    std::size_t count = 0;
    for (std::size_t pos = 0; pos < utf8.size(); pos += CharacterLength(utf8, pos)) {
        ++count;
    }
    return count;
}

std::string_view CharacterPrefix(std::string_view utf8, std::size_t count) {
    std::size_t end = 0;
    for (std::size_t taken = 0; taken < count && end < utf8.size(); ++taken) {
        end += CharacterLength(utf8, end);
    }
    return utf8.substr(0, end);
}

std::string_view Utf8Prefix(std::string_view text, std::size_t max_bytes) {
    if (text.size() <= max_bytes) {
        return text;
    }
    // Step back over continuation bytes to the start of the sequence that the cut
    // falls into; it stays only when it ends at the cut.
    std::size_t start = max_bytes;
    while (start > 0 && max_bytes - start < 3 &&
           (static_cast<std::uint8_t>(text[start]) & 0xc0) == 0x80) {
        --start;
    }
    std::uint32_t code_point = 0;
    const std::size_t length = DecodeUtf8Sequence(text, start, code_point);
    return text.substr(0, length != 0 && start + length > max_bytes ? start : max_bytes);
}

}  // namespace tarvox
