#include "config/settings_text.h"

#include <cstdint>
#include <limits>

namespace tarvox {

std::string_view StorableText(std::string_view text) {
    std::size_t end = text.find_first_of(std::string_view("\r\n\0", 3));
    return end == std::string_view::npos ? text : text.substr(0, end);
}

std::string ReadBackText(std::string_view text) {
    std::string_view stored = StorableText(text);
    if (stored.size() > kMaxStoredTextLength) {
        return {};
    }
    return std::string(stored);
}

std::string SectionLine(std::string_view name) {
    std::string line = "[";
    line += StorableText(name);
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
    name.assign(rest.substr(0, end));
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
