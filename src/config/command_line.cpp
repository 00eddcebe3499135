#include "config/command_line.h"

#include <array>

#include "codec/ascii.h"
#include "codec/stored_text.h"
#include "codec/utf8.h"

namespace tarvox {

namespace {

enum class Switch { To, View, Min, Poll };

struct SwitchName {
    Switch which;
    std::string_view switch_form;
    std::string_view linux_form;
    bool takes_value;
};

constexpr std::array<SwitchName, 4> kSwitches = {{
    {Switch::To, "/TO", "--to", true},
    {Switch::View, "/VIEW", "--view", true},
    {Switch::Min, "/MIN", "--min", false},
    {Switch::Poll, "/POLL", "--poll", false},
}};

// The scheme of the links that desktops hand over as a whole argument.
constexpr std::string_view kMailtoScheme = "mailto:";

struct FoundSwitch {
    const SwitchName* name = nullptr;  // none: the argument is no switch
    bool whole = false;                // the argument is the switch alone
    std::string_view value;            // the rest of the argument otherwise
};

// The switch that `arg` is, if any: the whole argument in either spelling,
// or the start of it when the switch takes a value. One "=" between switch
// and value is passed over ("--to=a@b").
FoundSwitch FindSwitch(std::string_view arg) {
    for (const SwitchName& name : kSwitches) {
        for (std::string_view form : {name.switch_form, name.linux_form}) {
            if (EqualsIgnoreAsciiCase(arg, form)) {
                return {&name, true, {}};
            }
            if (name.takes_value && StartsWithIgnoreAsciiCase(arg, form)) {
                std::string_view value = arg.substr(form.size());
                if (value.starts_with('=')) {
                    value.remove_prefix(1);
                }
                return {&name, false, value};
            }
        }
    }
    return {};
}

void AppendWord(std::string& text, std::string_view word) {
    if (!text.empty()) {
        text += ' ';
    }
    text += word;
}

// Blanks as the C library's string conversion skips them.
bool IsBlank(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

}  // namespace

std::string DecodeMailtoText(std::string_view text) {
    std::string decoded;
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '\0') {
            break;
        }
        const int high = c == '%' && i + 1 < text.size() ? HexDigitValue(text[i + 1]) : -1;
        if (high >= 0) {
            // One or two hexadecimal digits; the "%XX" is passed over whole.
            const int low = i + 2 < text.size() ? HexDigitValue(text[i + 2]) : -1;
            const int value = low >= 0 ? high * 16 + low : high;
            if (value == 0) {
                break;
            }
            decoded += static_cast<char>(value);
            i += 3;
        } else {
            decoded += c;
            ++i;
        }
    }
    // Percent-encoded octets are UTF-8 (RFC 6068 section 2); older links carry
    // ISO-8859-1 octets, read as stored text is.
    return FromStoredText(decoded);
}

std::string ExtractToLink(std::string_view value) {
    std::string_view rest = value;
    while (!rest.empty() && (rest.front() == ' ' || rest.front() == ':')) {
        rest.remove_prefix(1);
    }
    if (rest.starts_with(kMailtoScheme)) {
        rest.remove_prefix(kMailtoScheme.size());
    }
    while (!rest.empty() && IsBlank(rest.front())) {
        rest.remove_prefix(1);
    }
    std::size_t end = 0;
    while (end < rest.size() && !IsBlank(rest[end])) {
        ++end;
    }
    return std::string(Utf8Prefix(rest.substr(0, end), kToLinkLength));
}

std::string MailtoAddress(std::string_view link) {
    const std::string decoded = DecodeMailtoText(link.substr(0, link.find('?')));
    return std::string(Utf8Prefix(decoded, kToAddressLength));
}

StartOptions ParseCommandLine(std::span<const std::string_view> args) {
    StartOptions options;
    std::string view_text;
    // The first /TO decides the address.
    const auto set_to = [&options](std::string_view value) {
        if (!options.to) {
            options.to = true;
            options.to_link = ExtractToLink(value);
            options.to_address = MailtoAddress(options.to_link);
        }
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (options.view) {
            // The file of /VIEW runs to the end and may hold blanks.
            AppendWord(view_text, arg);
            AppendWord(options.command_text, arg);
            continue;
        }
        if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--version") {
            options.version = true;
        }
        const FoundSwitch found = FindSwitch(arg);
        const bool linux_spelling = found.whole && arg.starts_with('-');
        AppendWord(options.command_text, linux_spelling ? found.name->switch_form : arg);
        if (found.name == nullptr) {
            if (arg.starts_with(kMailtoScheme)) {
                set_to(arg);
            }
            continue;
        }
        switch (found.name->which) {
            case Switch::To:
                // "/TO" or "/TO:" alone: the address is the next argument.
                if (found.value.find_first_not_of(" :") == std::string_view::npos &&
                    i + 1 < args.size()) {
                    ++i;
                    AppendWord(options.command_text, args[i]);
                    set_to(args[i]);
                } else {
                    set_to(found.value);
                }
                break;
            case Switch::View:
                options.view = true;
                view_text = found.value;
                break;
            case Switch::Min:
                options.minimized = true;
                break;
            case Switch::Poll:
                options.poll = true;
                break;
        }
    }
    const std::size_t file_start = view_text.find_first_not_of(' ');
    if (file_start != std::string::npos) {
        options.view_file = view_text.substr(file_start);
    }
    return options;
}

}  // namespace tarvox
