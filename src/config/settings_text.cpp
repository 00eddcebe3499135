#include "config/settings_text.h"

#include <cstdint>
#include <limits>

#include "codec/stored_text.h"
#include "codec/utf8.h"

namespace tarvox {

std::string_view StorableText(std::string_view text) {
    std::size_t end = text.find_first_of(std::string_view("\r\n\0", 3));
    return end == std::string_view::npos ? text : text.substr(0, end);
}

std::string StoredValue(std::string_view text) {
    return ToStoredText(StorableText(text));
}

std::string ValueText(std::string_view stored) {
    return FromStoredText(stored);
}

std::string StoredPrefix(std::string_view text, std::size_t max_bytes) {
    // Text that fits ISO-8859-1 is stored a byte a character; other text is
    // stored as its UTF-8. The longer of the two prefixes wins.
    std::size_t characters = 0;
    std::size_t end = 0;
    while (end < text.size() && characters < max_bytes) {
        std::uint32_t code_point = 0;
        const std::size_t length = DecodeUtf8Sequence(text, end, code_point);
        if (length != 0 && code_point > 0xff) {
            break;
        }
        end += length == 0 ? 1 : length;
        ++characters;
    }
    const std::string latin1_prefix(text.substr(0, end));
    const std::string_view utf8_prefix = Utf8Prefix(text, max_bytes);
    if (latin1_prefix.size() >= utf8_prefix.size() &&
        ToStoredText(latin1_prefix).size() <= max_bytes) {
        return latin1_prefix;
    }
    return std::string(utf8_prefix);
}

std::string ReadBackText(std::string_view text) {
    std::string stored = StoredValue(text);
    if (stored.size() > kMaxStoredTextLength) {
        return {};
    }
    return ValueText(stored);
}

std::string SectionLine(std::string_view name) {
    std::string line = "[";
    line += StoredValue(name);
    line += "]\n";
    return line;
}

bool ReadSectionName(std::string_view line, std::string& name) {
    if (line.size() > kSettingsValueLineLimit || line.empty() || line[0] != '[') {
        return false;
    }
    std::string_view rest = line.substr(1);
    std::size_t end = rest.find_first_of("]\n");
    if (end == std::string_view::npos) {
        end = rest.size();
    }
    if (end == 0) {
        return false;
    }
    name = ValueText(rest.substr(0, end));
    return true;
}

std::string ReadBackSectionName(std::string_view name) {
    std::string result;
    ReadSectionName(SectionLine(name), result);
    return result;
}

namespace {

constexpr bool IsScanSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// One "%d" conversion at `pos`; advances `pos` past it on success.
bool ScanOneInteger(std::string_view text, std::size_t& pos, int& value) {
    std::size_t p = pos;
    while (p < text.size() && IsScanSpace(text[p])) {
        ++p;
    }
    bool negative = false;
    if (p < text.size() && (text[p] == '+' || text[p] == '-')) {
        negative = text[p] == '-';
        ++p;
    }
    std::int64_t magnitude = 0;
    std::size_t digits = 0;
    constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<int>::max()} + 1;
    while (p < text.size() && text[p] >= '0' && text[p] <= '9') {
        magnitude = magnitude * 10 + (text[p] - '0');
        if (magnitude > kLimit) {
            return false;
        }
        ++p;
        ++digits;
    }
    if (digits == 0) {
        return false;
    }
    std::int64_t signed_value = negative ? -magnitude : magnitude;
    if (signed_value > std::numeric_limits<int>::max()) {
        return false;
    }
    value = static_cast<int>(signed_value);
    pos = p;
    return true;
}

}  // namespace

std::size_t ScanIntegers(std::string_view text, char separator, std::span<int> out) {
    std::size_t pos = 0;
    std::size_t count = 0;
    while (count < out.size()) {
        if (count > 0 && separator != ' ') {
            if (pos >= text.size() || text[pos] != separator) {
                break;
            }
            ++pos;
        }
        int value = 0;
        if (!ScanOneInteger(text, pos, value)) {
            break;
        }
        out[count++] = value;
    }
    return count;
}

}  // namespace tarvox
