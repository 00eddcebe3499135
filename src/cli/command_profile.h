// The profile a command of tarvox-cli runs on, read from the settings file.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "config/configuration_file.h"

namespace tarvox {

class FrontendServices;

// The settings file of the data folder, unless `--settings FILE` names another.
std::filesystem::path DefaultSettingsFile();

// Loads `settings_file` into `config` (the master passphrase is asked through
// `services` when the file is locked) and reads the passwords of profiles
// that keep them in the desktop keyring. False when the file cannot be
// unlocked.
bool LoadCommandSettings(const std::filesystem::path& settings_file, Configuration& config,
                         FrontendServices& services);

// Loads `settings_file` into `config` (the master passphrase is asked through
// `services` when the file is locked) and returns a copy of the profile named
// `name` (ASCII case ignored). Nothing, with a one-line message on standard
// error, when the file cannot be unlocked or holds no such profile.
std::optional<Profile> LoadCommandProfile(const std::filesystem::path& settings_file,
                                          std::string_view name, Configuration& config,
                                          FrontendServices& services);

// A port number given on the command line: 1 to 65535, digits only.
std::optional<int> ParsePortArgument(std::string_view text);

// How long a server may stay silent before a command gives up on it
// (--timeout SECONDS).
inline constexpr int kDefaultTimeoutSeconds = 60;
inline constexpr int kMaxTimeoutSeconds = 86400;

// A time-out given on the command line: 1 to kMaxTimeoutSeconds, digits only.
// Anything else is reported on standard error and gives nothing.
std::optional<int> ParseTimeoutArgument(std::string_view text);

}  // namespace tarvox
