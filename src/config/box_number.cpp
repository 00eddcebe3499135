#include "config/box_number.h"

#include <climits>
#include <cstddef>
#include <cstdint>

#include "codec/unsigned_scan.h"

namespace tarvox {

int ReadBoxNumber(std::string_view text, BoxSign sign) {
    constexpr std::string_view kWhiteSpace = " \t\n\v\f\r";
    const std::size_t first = text.find_first_not_of(kWhiteSpace);
    if (first == std::string_view::npos) {
        return 0;
    }
    text = text.substr(first, text.find_last_not_of(kWhiteSpace) - first + 1);
    std::size_t pos = 0;
    const bool negative = sign == BoxSign::Signed && text[0] == '-';
    if (sign == BoxSign::Signed && (text[0] == '-' || text[0] == '+')) {
        pos = 1;
    }
    // ScanUnsigned skips blanks, which may not stand between a sign and its digits.
    std::uint32_t value = 0;
    if (pos == text.size() || text[pos] < '0' || text[pos] > '9' ||
        !ScanUnsigned(text, pos, value) || pos != text.size()) {
        return 0;
    }
    const std::uint32_t highest = negative ? std::uint32_t{INT_MAX} + 1 : std::uint32_t{INT_MAX};
    if (value > highest) {
        return 0;
    }
    return negative ? static_cast<int>(-static_cast<std::int64_t>(value)) : static_cast<int>(value);
}

}  // namespace tarvox
