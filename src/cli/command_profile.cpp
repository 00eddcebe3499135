#include "cli/command_profile.h"

#include <cstdio>

#include "codec/latin1.h"
#include "config/data_paths.h"

namespace tarvox {

std::filesystem::path DefaultSettingsFile() {
    return ResolveDataPaths(DataPathInputsFromEnvironment()).settings_file;
}

std::optional<Profile> LoadCommandProfile(const std::filesystem::path& settings_file,
                                          std::string_view name, Configuration& config,
                                          FrontendServices& services) {
    if (!LoadConfiguration(settings_file, config, services)) {
        std::fprintf(stderr, "tarvox-cli: the settings file %s could not be unlocked\n",
                     settings_file.c_str());
        return std::nullopt;
    }
    const Profile* found = FindProfile(config.profiles, name);
    if (found == nullptr) {
        std::fprintf(stderr, "tarvox-cli: no profile named \"%s\" in %s\n",
                     Latin1ToUtf8(name).c_str(), settings_file.c_str());
        return std::nullopt;
    }
    return *found;
}

std::optional<int> ParsePortArgument(std::string_view text) {
    if (text.empty() || text.size() > 5) {
        return std::nullopt;
    }
    int port = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        port = port * 10 + (c - '0');
    }
    if (port < 1 || port > 65535) {
        return std::nullopt;
    }
    return port;
}

}  // namespace tarvox
