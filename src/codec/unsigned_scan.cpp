#include "codec/unsigned_scan.h"

namespace tarvox {

bool ScanUnsigned(std::string_view text, std::size_t& pos, std::uint32_t& value) {
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) {
        ++pos;
    }
    std::uint64_t number = 0;
    std::size_t digits = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
        number = number * 10 + static_cast<std::uint64_t>(text[pos] - '0');
        if (number > UINT32_MAX) {
            return false;
        }
        ++pos;
        ++digits;
    }
    value = static_cast<std::uint32_t>(number);
    return digits > 0;
}

}  // namespace tarvox
