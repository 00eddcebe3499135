#include "cli/mailbox_commands.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "cli/command_profile.h"
#include "cli/terminal_text.h"
#include "codec/latin1.h"
#include "compose/message_builder.h"
#include "frontend/console_services.h"
#include "net/tls_library.h"
#include "protocols/connect_preparation.h"
#include "protocols/inbox_loader.h"
#include "protocols/mailbox_listing.h"
#include "protocols/open_mailbox.h"
#include "protocols/pop_session.h"

namespace tarvox {

namespace {

constexpr const char* kListUsage =
    "usage: tarvox-cli list PROFILE [--settings FILE] [OPTIONS]\n"
    "       tarvox-cli list --host HOST [OPTIONS]\n"
    "options: --host HOST  --port N  --user NAME  --tls (SSL direct)  --stls (SSL via STLS)\n"
    "         --fingerprint FP (the server certificate's SHA-1 fingerprint to trust)  --bytes\n"
    "         --timeout SECONDS (give up on a server silent that long; default 60)\n";

struct ListOptions {
    std::optional<std::string> profile;
    std::filesystem::path settings_file;
    std::optional<std::string> host;
    std::optional<int> port;
    std::optional<std::string> user;
    std::optional<TransportSecurity> protocol;
    std::optional<std::string> fingerprint;
    int timeout_seconds = kDefaultTimeoutSeconds;
    bool bytes = false;
};

// The options, or nothing after printing the usage. Texts are UTF-8, or
// ISO-8859-1 when --bytes is given.
std::optional<ListOptions> ParseListOptions(std::span<const std::string_view> args) {
    ListOptions options;
    options.settings_file = DefaultSettingsFile();
    for (std::string_view arg : args) {
        if (arg == "--bytes") {
            options.bytes = true;
        }
    }
    const auto text = [&](std::string_view value) {
        return options.bytes ? Latin1ToUtf8(value) : std::string(value);
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        const bool has_value = i + 1 < args.size();
        if (arg == "--bytes") {
        } else if (arg == "--tls" || arg == "--stls") {
            options.protocol =
                arg == "--tls" ? TransportSecurity::SslDirect : TransportSecurity::StartTls;
        } else if (arg == "--settings" && has_value) {
            options.settings_file = std::string(args[++i]);
        } else if (arg == "--host" && has_value) {
            options.host = text(args[++i]);
        } else if (arg == "--user" && has_value) {
            options.user = text(args[++i]);
        } else if (arg == "--fingerprint" && has_value) {
            options.fingerprint = std::string(args[++i]);
        } else if (arg == "--timeout" && has_value) {
            const std::optional<int> seconds = ParseTimeoutArgument(args[++i]);
            if (!seconds) {
                return std::nullopt;
            }
            options.timeout_seconds = *seconds;
        } else if (arg == "--port" && has_value) {
            options.port = ParsePortArgument(args[++i]);
            if (!options.port) {
                std::fprintf(stderr, "tarvox-cli: the port must be a number from 1 to 65535\n");
                return std::nullopt;
            }
        } else if (!arg.starts_with("--") && !options.profile) {
            options.profile = text(arg);
        } else {
            std::fputs(kListUsage, stderr);
            return std::nullopt;
        }
    }
    if (!options.profile && !options.host) {
        std::fputs(kListUsage, stderr);
        return std::nullopt;
    }
    return options;
}

// The command-line options over the profile's settings.
void ApplyOverrides(const ListOptions& options, Profile& profile) {
    if (options.host) {
        profile.host = *options.host;
    }
    if (options.user) {
        profile.user = *options.user;
    }
    if (options.protocol) {
        profile.protopop = *options.protocol;
        if (!options.port) {
            profile.port = *options.protocol == TransportSecurity::SslDirect ? 995 : 110;
        }
    }
    if (options.port) {
        profile.port = *options.port;
    }
    if (options.fingerprint) {
        // Either fingerprint may be given; the one given is the one trusted.
        profile.pop_sslid256 = *options.fingerprint;
    }
}

void PrintListing(const PopSession& session, const Profile& working, const MessageList& list,
                  bool bytes) {
    const std::string date = MakeMailDate(std::time(nullptr));
    const MailboxListingHeading heading{working.user, working.host, session.message_count,
                                        session.mailbox_size, date};
    PrintTerminalText(BuildMailboxListing(heading, list), bytes);
}

}  // namespace

int RunListCommand(std::span<const std::string_view> args) {
    const std::optional<ListOptions> options = ParseListOptions(args);
    if (!options) {
        return 2;
    }
    ConsoleServices services;
    Configuration config;
    Profile working;
    if (options->profile) {
        std::optional<Profile> found =
            LoadCommandProfile(options->settings_file, *options->profile, config, services);
        if (!found) {
            return 2;
        }
        working = std::move(*found);
    } else {
        working.name = "tarvox-cli";
        working.pass.clear();
    }
    ApplyOverrides(*options, working);
    // A listing never deletes: purge mode lists in full. And it always lists,
    // whether or not the mailbox changed since it was last left.
    if (working.mode == MailboxMode::Purge) {
        working.mode = MailboxMode::Full;
    }
    working.entermod = 0;
    working.alive = 0;
    // The settings file is never written: the certificate on record and the
    // stored flags are read from this copy.
    ProfileList stored{working};

    if (!PrepareConnect(working, OpenMode::Connect, services)) {
        return 1;
    }
    TlsLibrary tls;
    if (UsesTls(working.protopop)) {
        tls.Load();
    }
    PopSession session(&tls);
    session.connection.SetIdleLimit(std::chrono::seconds(options->timeout_seconds));
    OpenMailboxRequest open;
    open.working = working;
    open.stored = &stored;
    MessageList list;
    switch (OpenMailbox(session, open, services)) {
        case OpenOutcome::Failed:
            return 1;
        case OpenOutcome::Ended:  // an empty mailbox
            PrintListing(session, working, list, options->bytes);
            return 0;
        case OpenOutcome::EnterInbox:
            break;
    }
    InboxLoadRequest load;
    load.working = &working;
    load.stored = &stored;
    if (LoadInbox(session, load, list, services) != LoadOutcome::Loaded) {
        return 1;
    }
    PopQuit(session.connection);
    PrintListing(session, working, list, options->bytes);
    return 0;
}

}  // namespace tarvox
