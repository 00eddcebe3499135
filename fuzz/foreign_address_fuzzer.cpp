// The foreign address finder over a header text and a provider network list
// split from the input at its first NUL byte. It must never crash, and what
// it returns must be a dotted IPv4 address outside the user's networks.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "junk/foreign_address.h"

namespace {

// Four decimal numbers of one to three digits each, the first 1..255 and the
// others at most 255, joined by dots.
bool IsDottedAddress(std::string_view text) {
    int octet_count = 0;
    while (!text.empty()) {
        std::size_t digits = 0;
        unsigned value = 0;
        while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') {
            value = value * 10 + static_cast<unsigned>(text[digits] - '0');
            if (++digits > 3) {
                return false;
            }
        }
        if (digits == 0 || value > 255 || (octet_count == 0 && value == 0)) {
            return false;
        }
        ++octet_count;
        text.remove_prefix(digits);
        if (!text.empty()) {
            if (text.front() != '.' || text.size() == 1) {
                return false;
            }
            text.remove_prefix(1);
        }
    }
    return octet_count == 4;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t split = input.find('\0');
    const std::string_view networks = input.substr(0, split);
    const std::string_view headers =
        split == std::string_view::npos ? input : input.substr(split + 1);

    const std::optional<std::string> foreign = tarvox::FindForeignAddress(headers, networks);
    if (foreign && (!IsDottedAddress(*foreign) || tarvox::InProviderNetworks(networks, *foreign))) {
        std::abort();
    }
    // Fewer networks never hide an address: with none, whatever was found
    // with some is found too.
    if (foreign && !tarvox::FindForeignAddress(headers, "")) {
        std::abort();
    }
    const std::optional<std::string> first = tarvox::ExtractReceivedAddress(headers);
    if (first && !IsDottedAddress(*first)) {
        std::abort();
    }
    return 0;
}
