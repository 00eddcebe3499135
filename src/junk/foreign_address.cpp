#include "junk/foreign_address.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>

#include "config/comma_list.h"
#include "frontend/services.h"

namespace tarvox {

namespace {

// One "%u" conversion: white space, an optional sign, digits. A minus sign
// negates modulo 2^32, as strtoul does; an overflowing number saturates.
bool ScanUnsigned(std::string_view text, std::size_t& pos, std::uint32_t& value) {
    while (pos < text.size() && (text[pos] == ' ' || (text[pos] >= '\t' && text[pos] <= '\r'))) {
        ++pos;
    }
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    std::uint64_t number = 0;
    std::size_t digits = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
        number = std::min<std::uint64_t>(number * 10 + static_cast<std::uint64_t>(text[pos] - '0'),
                                         UINT32_MAX);
        ++pos;
        ++digits;
    }
    if (digits == 0) {
        return false;
    }
    value = negative ? static_cast<std::uint32_t>(0u - static_cast<std::uint32_t>(number))
                     : static_cast<std::uint32_t>(number);
    return true;
}

// "%u.%u.%u.%u%c" at `pos`, followed by ")" or "]", first number 1..255, the
// others at most 255.
std::optional<std::string> AddressAt(std::string_view text, std::size_t pos) {
    std::array<std::uint32_t, 4> octets{};
    for (std::size_t i = 0; i < octets.size(); ++i) {
        if (i > 0) {
            if (pos >= text.size() || text[pos] != '.') {
                return std::nullopt;
            }
            ++pos;
        }
        if (!ScanUnsigned(text, pos, octets[i])) {
            return std::nullopt;
        }
    }
    if (pos >= text.size() || (text[pos] != ')' && text[pos] != ']')) {
        return std::nullopt;
    }
    if (octets[0] < 1 || octets[0] > 255 || octets[1] > 255 || octets[2] > 255 || octets[3] > 255) {
        return std::nullopt;
    }
    // "%u.%u.%u.%u", written without a format string: every address found
    // in every Received line of every listed message is written.
    std::array<char, 16> text_buffer{};
    char* end = text_buffer.data();
    for (std::size_t i = 0; i < octets.size(); ++i) {
        if (i > 0) {
            *end++ = '.';
        }
        end = std::to_chars(end, text_buffer.data() + text_buffer.size(), octets[i]).ptr;
    }
    return std::string(text_buffer.data(), end);
}

}  // namespace

std::optional<std::string> ExtractReceivedAddress(std::string_view received) {
    std::size_t p = received.find_first_of("[(");
    while (p != std::string_view::npos) {
        if (std::optional<std::string> address = AddressAt(received, p + 1)) {
            return address;
        }
        p = received.find_first_of("[(", p + 1);
    }
    return std::nullopt;
}

bool InProviderNetworks(std::string_view networks, std::string_view address) {
    for (std::string_view prefix : SplitCommaList(networks)) {
        if (address.starts_with(prefix)) {
            return true;
        }
    }
    return false;
}

std::string SuggestedNetwork(std::string_view address) {
    const std::size_t last = address.rfind('.');
    if (last == std::string_view::npos || last == 0) {
        return std::string(address);
    }
    const std::size_t second_last = address.rfind('.', last - 1);
    if (second_last == std::string_view::npos) {
        return std::string(address);
    }
    return std::string(address.substr(0, second_last + 1));
}

bool IsAcceptableNetwork(std::string_view network) {
    return std::count(network.begin(), network.end(), '.') == 3 || network.ends_with('.');
}

std::optional<std::string> FindForeignAddress(std::string_view header_text,
                                              std::string_view networks) {
    static constexpr std::string_view kReceived = "Received:";
    std::size_t start = header_text.find(kReceived);
    while (start != std::string_view::npos) {
        // The header runs to its line feed, or to the next one when a single
        // continuation line follows.
        std::size_t end = header_text.find('\n', start);
        if (end != std::string_view::npos && end + 1 < header_text.size() &&
            (header_text[end + 1] == ' ' || header_text[end + 1] == '\t')) {
            end = header_text.find('\n', end + 1);
        }
        if (end == std::string_view::npos) {
            end = header_text.size();
        }
        std::optional<std::string> address =
            ExtractReceivedAddress(header_text.substr(start, end - start));
        if (address && !InProviderNetworks(networks, *address)) {
            return address;
        }
        start = header_text.find(kReceived, end);
    }
    return std::nullopt;
}

std::optional<std::string> AskForProviderNetwork(FrontendServices& services,
                                                 std::string_view address) {
    constexpr std::string_view kTitle = "Add network to list";
    TextPromptRequest request;
    request.title = std::string(kTitle);
    request.prompt =
        "Specify network by entering partial IP (e.g. first one, two, or three octets) to match "
        "a range. End with period.";
    request.prefill = true;
    request.initial_text = SuggestedNetwork(address);
    for (;;) {
        const TextPromptResult answer = services.TextPrompt(request);
        if (!answer.submitted) {
            return std::nullopt;
        }
        if (IsAcceptableNetwork(answer.text)) {
            return answer.text;
        }
        services.ShowMessage(
            "End the network specification with a period, otherwise it may match the wrong IP "
            "addresses.",
            kTitle, BoxIcon::Warning);
        // Asked again with the refused text, ready to be mended.
        request.initial_text = answer.text;
    }
}

}  // namespace tarvox
