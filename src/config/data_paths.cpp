#include "config/data_paths.h"

#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace tarvox {

namespace {

namespace fs = std::filesystem;

// The help page is the folder's own when it holds one, else the installed.
DataPaths AllIn(const fs::path& folder, const fs::path& installed_data_folder) {
    std::error_code error;
    const fs::path help = fs::is_regular_file(folder / kHelpFileName, error)
                              ? folder / kHelpFileName
                              : installed_data_folder / kHelpFileName;
    return {folder / kSettingsFileName, folder / kAddressBookFileName, help, folder};
}

// XDG base directories must be absolute; anything else is ignored.
fs::path XdgFolder(const std::optional<std::string>& value, const std::optional<std::string>& home,
                   const char* fallback_below_home) {
    if (value && !value->empty() && fs::path(*value).is_absolute()) {
        return fs::path(*value);
    }
    fs::path base = home && !home->empty() ? fs::path(*home) : fs::path("/");
    return base / fallback_below_home;
}

// A portable install's settings are used only when no other user can have
// put them there: the file is a regular file of this user, and neither it nor
// its folder is writable by group or others. Another user's settings could
// name the servers the passwords go to or the program run as GnuPG.
bool IsPrivateSettingsFile(const fs::path& folder) {
    struct stat file {};
    struct stat dir {};
    if (::stat((folder / kSettingsFileName).c_str(), &file) != 0 || !S_ISREG(file.st_mode) ||
        ::stat(folder.c_str(), &dir) != 0) {
        return false;
    }
    constexpr mode_t kShared = S_IWGRP | S_IWOTH;
    return file.st_uid == ::getuid() && (file.st_mode & kShared) == 0 &&
           (dir.st_mode & kShared) == 0;
}

std::optional<std::string> Environment(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr) {
        return std::nullopt;
    }
    return std::string(value);
}

}  // namespace

DataPaths ResolveDataPaths(const DataPathInputs& inputs) {
    if (inputs.tarvox_home && !inputs.tarvox_home->empty()) {
        return AllIn(fs::path(*inputs.tarvox_home), inputs.installed_data_folder);
    }
    if (!inputs.executable_folder.empty() && IsPrivateSettingsFile(inputs.executable_folder)) {
        return AllIn(inputs.executable_folder, inputs.installed_data_folder);
    }
    fs::path config = XdgFolder(inputs.xdg_config_home, inputs.home, ".config") / "tarvox";
    fs::path data = XdgFolder(inputs.xdg_data_home, inputs.home, ".local/share") / "tarvox";
    return {config / kSettingsFileName, config / kAddressBookFileName,
            inputs.installed_data_folder / kHelpFileName, data};
}

DataPathInputs DataPathInputsFromEnvironment() {
    DataPathInputs inputs;
    inputs.tarvox_home = Environment("TARVOX_HOME");
    inputs.xdg_config_home = Environment("XDG_CONFIG_HOME");
    inputs.xdg_data_home = Environment("XDG_DATA_HOME");
    inputs.home = Environment("HOME");
    if (!inputs.home || inputs.home->empty()) {
        if (const passwd* entry = ::getpwuid(::getuid()); entry != nullptr && entry->pw_dir) {
            inputs.home = std::string(entry->pw_dir);
        }
    }
    std::error_code error;
    fs::path executable = fs::read_symlink("/proc/self/exe", error);
    if (!error) {
        inputs.executable_folder = executable.parent_path();
    }
    // An installed program finds its data beside its bin folder; otherwise the
    // folder chosen when it was configured.
    fs::path beside = inputs.executable_folder.parent_path() / "share" / "tarvox";
    inputs.installed_data_folder =
        fs::is_directory(beside, error) ? beside : fs::path(TARVOX_INSTALLED_DATA_DIR);
    return inputs;
}

}  // namespace tarvox
