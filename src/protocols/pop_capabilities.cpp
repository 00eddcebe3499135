#include "protocols/pop_capabilities.h"

#include <algorithm>
#include <array>
#include <utility>

#include "codec/ascii.h"

namespace tarvox {

namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kEndLine = "\r\n.\r\n";

// Takes the next space-separated word off the front of `line`.
std::string_view TakeWord(std::string_view& line) {
    const std::size_t space = line.find(' ');
    const std::string_view word = line.substr(0, space);
    line.remove_prefix(space == std::string_view::npos ? line.size() : space + 1);
    return word;
}

// The capabilities kept as a flag (RFC 2449 section 6); SASL keeps its list.
constexpr std::pair<std::string_view, bool PopCapabilities::*> kFlags[] = {
    {"PIPELINING", &PopCapabilities::pipelining},
    {"TOP", &PopCapabilities::top},
    {"UIDL", &PopCapabilities::uidl},
    {"STLS", &PopCapabilities::stls},
};

void Record(std::string_view line, PopCapabilities& capabilities) {
    const std::string_view name = TakeWord(line);
    for (const auto& [flag_name, flag] : kFlags) {
        if (EqualsIgnoreAsciiCase(name, flag_name)) {
            capabilities.*flag = true;
        }
    }
    if (EqualsIgnoreAsciiCase(name, "SASL")) {
        while (!line.empty()) {
            const std::string_view mechanism = TakeWord(line);
            if (!mechanism.empty()) {
                capabilities.sasl.emplace_back(mechanism);
            }
        }
    }
}

}  // namespace

std::optional<PopCapabilities> ParsePopCapabilities(std::string_view reply) {
    std::size_t line_end = reply.find(kLineEnd);
    if (!reply.starts_with('+') || line_end == std::string_view::npos) {
        return std::nullopt;
    }
    PopCapabilities capabilities;
    std::size_t start = line_end + kLineEnd.size();
    while ((line_end = reply.find(kLineEnd, start)) != std::string_view::npos) {
        std::string_view line = reply.substr(start, line_end - start);
        start = line_end + kLineEnd.size();
        if (line == ".") {
            if (start != reply.size()) {
                return std::nullopt;
            }
            return capabilities;
        }
        if (line.starts_with('.')) {
            line.remove_prefix(1);
        }
        if (line.empty()) {
            return std::nullopt;
        }
        Record(line, capabilities);
    }
    return std::nullopt;
}

NetResult AskPopCapabilities(NetConnection& connection, PopCapabilities& capabilities) {
    capabilities = {};
    NetResult result = connection.Send("CAPA\r\n");
    if (result != NetResult::Success) {
        return result;
    }
    // A refusal is one line; a listing runs to its end line, which may come
    // right behind the status line.
    std::string reply;
    std::array<char, 1024> piece{};
    for (;;) {
        const std::size_t room = std::min(piece.size(), kCapabilityReplySize - 1 - reply.size());
        if (room == 0) {
            return NetResult::GracefullyClosed;
        }
        std::size_t received = 0;
        result = connection.Receive(piece.data(), room, &received);
        if (result != NetResult::Success) {
            return result;
        }
        reply.append(piece.data(), received);
        const std::size_t status_end = reply.find(kLineEnd);
        if (status_end == std::string::npos) {
            continue;
        }
        if (!reply.starts_with('+') || reply.find(kEndLine, status_end) != std::string::npos) {
            break;
        }
    }
    capabilities = ParsePopCapabilities(reply).value_or(PopCapabilities{});
    return NetResult::Success;
}

}  // namespace tarvox
