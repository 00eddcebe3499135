#include "cli/send_command.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "cli/command_profile.h"
#include "codec/latin1.h"
#include "compose/send_preparation.h"
#include "compose/send_worker.h"
#include "frontend/console_services.h"
#include "net/tls_library.h"
#include "protocols/connect_preparation.h"

namespace tarvox {

namespace {

constexpr const char* kSendUsage =
    "usage: tarvox-cli send PROFILE [--settings FILE] --to ADDR [--cc ADDR] [--bcc ADDR]\n"
    "                       --subject TEXT [--attach FILE]... [--bytes] [--timeout SECONDS]\n"
    "                       < BODY\n"
    "--timeout SECONDS gives up on a server silent that long (default 60)\n";

constexpr const char* kAttachmentType = "application/octet-stream";

struct SendOptions {
    std::string profile;
    std::filesystem::path settings_file;
    std::vector<std::string> to;
    std::vector<std::string> cc;
    std::vector<std::string> bcc;
    std::optional<std::string> subject;
    std::vector<std::string> attachments;
    int timeout_seconds = kDefaultTimeoutSeconds;
    bool bytes = false;
};

std::string JoinAddresses(const std::vector<std::string>& addresses) {
    std::string joined;
    for (const std::string& address : addresses) {
        if (!joined.empty()) {
            joined += ", ";
        }
        joined += address;
    }
    return joined;
}

std::optional<SendOptions> ParseSendOptions(std::span<const std::string_view> args) {
    SendOptions options;
    options.settings_file = DefaultSettingsFile();
    for (std::string_view arg : args) {
        options.bytes = options.bytes || arg == "--bytes";
    }
    const auto text = [&](std::string_view value) {
        return options.bytes ? Latin1ToUtf8(value) : std::string(value);
    };
    bool have_profile = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        const bool has_value = i + 1 < args.size();
        if (arg == "--bytes") {
        } else if (arg == "--settings" && has_value) {
            options.settings_file = std::string(args[++i]);
        } else if (arg == "--to" && has_value) {
            options.to.push_back(text(args[++i]));
        } else if (arg == "--cc" && has_value) {
            options.cc.push_back(text(args[++i]));
        } else if (arg == "--bcc" && has_value) {
            options.bcc.push_back(text(args[++i]));
        } else if (arg == "--subject" && has_value && !options.subject) {
            options.subject = text(args[++i]);
        } else if (arg == "--timeout" && has_value) {
            const std::optional<int> seconds = ParseTimeoutArgument(args[++i]);
            if (!seconds) {
                return std::nullopt;
            }
            options.timeout_seconds = *seconds;
        } else if (arg == "--attach" && has_value) {
            // The file name is the system's own; it is used as it stands.
            options.attachments.emplace_back(args[++i]);
        } else if (!arg.starts_with("--") && !have_profile) {
            options.profile = text(arg);
            have_profile = true;
        } else {
            std::fputs(kSendUsage, stderr);
            return std::nullopt;
        }
    }
    if (!have_profile) {
        std::fputs(kSendUsage, stderr);
        return std::nullopt;
    }
    return options;
}

// The rest of standard input, after the lines that answered the prompts (the
// same buffered stream), or nothing after a read error.
std::optional<std::string> ReadRestOfStandardInput() {
    std::clearerr(stdin);
    std::string text;
    char buffer[65536];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, stdin)) > 0) {
        text.append(buffer, got);
    }
    if (std::ferror(stdin)) {
        std::perror("tarvox-cli: cannot read the message body");
        return std::nullopt;
    }
    return text;
}

// The body as the editor would hold it: every line of the input ends a
// paragraph (CR LF kept); a last line without a line end has none.
std::vector<std::string> EditorLines(std::string_view body) {
    std::vector<std::string> lines;
    while (!body.empty()) {
        const std::size_t end = body.find('\n');
        if (end == std::string_view::npos) {
            lines.emplace_back(body);
            break;
        }
        std::string_view line = body.substr(0, end);
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        lines.push_back(std::string(line) + "\r\n");
        body.remove_prefix(end + 1);
    }
    return lines;
}

// Asks for the credentials the send needs and the profile does not store.
bool AskMissingCredentials(SendRequest& request, FrontendServices& services) {
    if (request.smtp.pop_before_smtp) {
        if (request.profile.user.empty() &&
            !PromptCredential(services, "POP3 username", false, request.profile.user)) {
            return false;
        }
        if (request.profile.pass.empty() &&
            !PromptCredential(services, "POP3 password", true, request.profile.pass)) {
            return false;
        }
    }
    if (request.smtp.use_auth) {
        if (request.smtp.user.empty() && request.profile.user.empty() &&
            !PromptCredential(services, "SMTP username", false, request.smtp.user)) {
            return false;
        }
        if (request.smtp.password.empty() && request.profile.pass.empty() &&
            !PromptCredential(services, "SMTP password", true, request.smtp.password)) {
            return false;
        }
    }
    return true;
}

}  // namespace

int RunSendCommand(std::span<const std::string_view> args) {
    const std::optional<SendOptions> options = ParseSendOptions(args);
    if (!options) {
        return 2;
    }
    ConsoleServices services;
    Configuration config;
    std::optional<Profile> profile =
        LoadCommandProfile(options->settings_file, options->profile, config, services);
    if (!profile) {
        return 2;
    }
    SendRequest request = SendRequestForProfile(*profile, config.global);
    ComposedMessage& message = request.message;
    message.to = JoinAddresses(options->to);
    message.cc = JoinAddresses(options->cc);
    std::vector<std::string> bcc = options->bcc;
    if (!message.bcc.empty()) {  // the profile's automatic BCC
        bcc.push_back(message.bcc);
    }
    message.bcc = JoinAddresses(bcc);
    message.subject = options->subject.value_or("");
    for (const std::string& path : options->attachments) {
        std::error_code error;
        const std::filesystem::path absolute = std::filesystem::absolute(path, error);
        message.attachments.push_back({error ? path : absolute.string(), kAttachmentType, 0});
    }
    request.recorded_smtp_fingerprint = &TrustedFingerprint(profile->SMTPsslid, profile->SMTPsslid256);
    request.idle_limit = std::chrono::seconds(options->timeout_seconds);

    if (!CheckBeforeSend(message, request.smtp, false, services) ||
        !AskMissingCredentials(request, services)) {
        return 1;
    }
    // The prompts read their answers first; the body is the rest of the input.
    const std::optional<std::string> body = ReadRestOfStandardInput();
    if (!body) {
        return 1;
    }
    message.body_lines = EditorLines(options->bytes ? Latin1ToUtf8(*body) : *body);
    TlsLibrary tls;
    if (request.smtp.protocol != TransportSecurity::Cleartext ||
        (request.smtp.pop_before_smtp && profile->protopop != TransportSecurity::Cleartext)) {
        tls.Load();
    }
    if (!SendWorker(&tls, request, services)) {
        return 1;
    }
    services.ShowStatus(StatusLine::Composer, "E-mail sent successfully!");
    return 0;
}

}  // namespace tarvox
