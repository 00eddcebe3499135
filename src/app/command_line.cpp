#include "app/command_line.h"

#include <array>

#include "codec/ascii.h"

namespace tarvox {

namespace {

struct Spelling {
    std::string_view linux_form;
    std::string_view switch_form;
};

constexpr std::array<Spelling, 4> kSpellings = {{
    {"--to", "/TO"},
    {"--view", "/VIEW"},
    {"--min", "/MIN"},
    {"--poll", "/POLL"},
}};

// Position of `needle` in `text`, ASCII letter case ignored.
std::size_t FindIgnoringCase(std::string_view text, std::string_view needle) {
    if (needle.size() > text.size()) {
        return std::string_view::npos;
    }
    for (std::size_t i = 0; i + needle.size() <= text.size(); ++i) {
        if (EqualsIgnoreAsciiCase(text.substr(i, needle.size()), needle)) {
            return i;
        }
    }
    return std::string_view::npos;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// Blanks as the C library's string conversion skips them.
bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

}  // namespace

std::string DecodeMailtoText(std::string_view text) {
    std::string decoded;
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        const int high = c == '%' && i + 1 < text.size() ? HexValue(text[i + 1]) : -1;
        if (high >= 0) {
            // One or two hexadecimal digits; the "%XX" is passed over whole.
            const int low = i + 2 < text.size() ? HexValue(text[i + 2]) : -1;
            const int value = low >= 0 ? high * 16 + low : high;
            if (value == 0) {
                break;
            }
            decoded += static_cast<char>(value);
            i += 3;
        } else {
            decoded += c == '+' ? ' ' : c;
            ++i;
        }
    }
    return decoded;
}

std::string ExtractToAddress(std::string_view command_text) {
    const std::size_t at = FindIgnoringCase(command_text, "/TO");
    if (at == std::string_view::npos) {
        return {};
    }
    std::string_view rest = command_text.substr(at + 3);
    while (!rest.empty() && (rest.front() == ' ' || rest.front() == ':')) {
        rest.remove_prefix(1);
    }
    if (rest.starts_with("mailto:")) {
        rest.remove_prefix(7);
    }
    while (!rest.empty() && IsBlank(rest.front())) {
        rest.remove_prefix(1);
    }
    std::size_t end = 0;
    while (end < rest.size() && end < kToAddressLength && !IsBlank(rest[end])) {
        ++end;
    }
    return DecodeMailtoText(rest.substr(0, end));
}

std::string ExtractViewFile(std::string_view command_text) {
    const std::size_t at = FindIgnoringCase(command_text, "/VIEW");
    if (at == std::string_view::npos) {
        return {};
    }
    std::string_view rest = command_text.substr(at + 5);
    while (!rest.empty() && rest.front() == ' ') {
        rest.remove_prefix(1);
    }
    return std::string(rest);
}

StartOptions ParseCommandLine(std::span<const std::string_view> args) {
    StartOptions options;
    for (std::string_view arg : args) {
        if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--version") {
            options.version = true;
        }
        for (const Spelling& spelling : kSpellings) {
            if (EqualsIgnoreAsciiCase(arg, spelling.linux_form)) {
                arg = spelling.switch_form;
            }
        }
        if (!options.command_text.empty()) {
            options.command_text += ' ';
        }
        options.command_text += arg;
    }
    const std::string_view text = options.command_text;
    options.to = FindIgnoringCase(text, "/TO") != std::string_view::npos;
    options.view = FindIgnoringCase(text, "/VIEW") != std::string_view::npos;
    options.minimized = FindIgnoringCase(text, "/MIN") != std::string_view::npos;
    options.poll = FindIgnoringCase(text, "/POLL") != std::string_view::npos;
    if (options.to) {
        options.to_address = ExtractToAddress(text);
    }
    return options;
}

}  // namespace tarvox
