#include "cli/poll_command.h"

#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "cli/command_profile.h"
#include "cli/terminal_text.h"
#include "codec/text_format.h"
#include "frontend/console_services.h"
#include "net/tls_library.h"
#include "protocols/mailbox_poll.h"

namespace tarvox {

namespace {

constexpr const char* kPollUsage =
    "usage: tarvox-cli poll [PROFILE...] [--settings FILE] [--timeout SECONDS]\n"
    "prints NAME<TAB>COUNT<TAB>SIZE_KB<TAB>new|-|error: TEXT for each profile polled\n";

struct PollOptions {
    std::vector<std::string> profiles;
    std::filesystem::path settings_file;
    std::optional<int> timeout_seconds;  // else the settings' Mailman time-out
};

std::optional<PollOptions> ParsePollOptions(std::span<const std::string_view> args) {
    PollOptions options;
    options.settings_file = DefaultSettingsFile();
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        const bool has_value = i + 1 < args.size();
        if (arg == "--settings" && has_value) {
            options.settings_file = std::string(args[++i]);
        } else if (arg == "--timeout" && has_value) {
            options.timeout_seconds = ParseTimeoutArgument(args[++i]);
            if (!options.timeout_seconds) {
                return std::nullopt;
            }
        } else if (arg.starts_with("-")) {
            std::fputs(kPollUsage, stderr);
            return std::nullopt;
        } else {
            options.profiles.emplace_back(arg);
        }
    }
    return options;
}

// Prints each profile's line as soon as it is polled.
class PrintedReport : public PollReport {
public:
    explicit PrintedReport(const std::vector<Profile>& list) : m_list(list) {}
    void ProfileStarted(std::size_t, const std::string&) override {}
    void ProfilePolled(std::size_t row, const ProfilePoll& result) override {
        const std::string& name = m_list[row].name;
        std::string line;
        if (result.outcome == PollOutcome::Counted) {
            line = TextFormat("%s\t%u\t%.1f\t%s\n", name.c_str(), result.count,
                              result.size / 1024.0, result.new_mail ? "new" : "-");
        } else {
            line = name + "\t-\t-\terror: " + PollFailureText(result) + "\n";
        }
        PrintTerminalText(line, false);
        std::fflush(stdout);
    }

private:
    const std::vector<Profile>& m_list;
};

}  // namespace

int RunPollCommand(std::span<const std::string_view> args) {
    const std::optional<PollOptions> options = ParsePollOptions(args);
    if (!options) {
        return 2;
    }
    ConsoleServices services;
    Configuration config;
    if (!LoadCommandSettings(options->settings_file, config, services)) {
        std::fprintf(stderr, "tarvox-cli: the settings file %s could not be read or unlocked\n",
                     options->settings_file.c_str());
        return 2;
    }
    // Named profiles are polled whether or not they are included in poll-all.
    ProfileList chosen;
    for (const std::string& name : options->profiles) {
        const Profile* found = FindProfile(config.profiles, name);
        if (found == nullptr) {
            std::fprintf(stderr, "tarvox-cli: no profile named \"%s\" in %s\n", name.c_str(),
                         options->settings_file.c_str());
            return 2;
        }
        chosen.push_back(*found);
        chosen.back().inpoll = 1;
    }
    std::vector<Profile> list = PollList(options->profiles.empty() ? config.profiles : chosen, nullptr);
    if (list.size() < chosen.size()) {
        std::fputs("tarvox-cli: a named profile has no host, user name or stored password\n", stderr);
        return 2;
    }
    const int seconds = options->timeout_seconds.value_or(config.global.timeout);
    TlsLibrary tls;
    tls.Load();
    PollStop stop;
    PrintedReport report(list);
    const PollRun run = PollAll(&tls, list, std::chrono::seconds(seconds > 0 ? seconds : 60), stop, report);
    return run.new_found ? 0 : 1;
}

}  // namespace tarvox
