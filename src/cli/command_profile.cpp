#include "cli/command_profile.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "config/data_paths.h"
#include "config/keyring_passwords.h"
#include "frontend/services.h"
#include "keyring/desktop_keyring.h"

namespace tarvox {

std::filesystem::path DefaultSettingsFile() {
    return ResolveDataPaths(DataPathInputsFromEnvironment()).settings_file;
}

bool LoadCommandSettings(const std::filesystem::path& settings_file, Configuration& config,
                         FrontendServices& services) {
    if (!LoadConfiguration(settings_file, config, services)) {
        return false;
    }
    // The keyring is only asked when a profile keeps its passwords there.
    const bool any_marked = std::ranges::any_of(
        config.profiles, [](const Profile& profile) { return profile.keyring == 1; });
    if (any_marked) {
        DesktopKeyring desktop_keyring;
        KeyringPasswords keyring(desktop_keyring);
        const std::string notice = keyring.Fetch(config.profiles);
        if (!notice.empty()) {
            services.ShowMessage(notice, "Desktop keyring", BoxIcon::Warning);
        }
    }
    return true;
}

std::optional<Profile> LoadCommandProfile(const std::filesystem::path& settings_file,
                                          std::string_view name, Configuration& config,
                                          FrontendServices& services) {
    if (!LoadCommandSettings(settings_file, config, services)) {
        std::fprintf(stderr, "tarvox-cli: the settings file %s could not be unlocked\n",
                     settings_file.c_str());
        return std::nullopt;
    }
    const Profile* found = FindProfile(config.profiles, name);
    if (found == nullptr) {
        std::fprintf(stderr, "tarvox-cli: no profile named \"%s\" in %s\n",
                     std::string(name).c_str(), settings_file.c_str());
        return std::nullopt;
    }
    return *found;
}

namespace {

// Digits only, from 1 to `highest`.
std::optional<int> ParseNumberArgument(std::string_view text, int highest) {
    if (text.empty() || text.size() > std::to_string(highest).size()) {
        return std::nullopt;
    }
    int number = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        number = number * 10 + (c - '0');
    }
    if (number < 1 || number > highest) {
        return std::nullopt;
    }
    return number;
}

}  // namespace

std::optional<int> ParsePortArgument(std::string_view text) {
    return ParseNumberArgument(text, 65535);
}

std::optional<int> ParseTimeoutArgument(std::string_view text) {
    const std::optional<int> seconds = ParseNumberArgument(text, kMaxTimeoutSeconds);
    if (!seconds) {
        std::fputs("tarvox-cli: the time-out must be a number of seconds from 1 to 86400\n",
                   stderr);
    }
    return seconds;
}

}  // namespace tarvox
