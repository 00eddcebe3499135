// Where the program keeps its files. In order of precedence:
//   1. $TARVOX_HOME, when set: everything in that folder (the help page only
//      when it holds one, else the installed one);
//   2. the executable's folder, when it already holds tarvox.ini (a portable
//      install) that this user owns and that neither the file nor its folder
//      lets group or others write: everything there, the help page as in 1;
//   3. otherwise tarvox.ini and tarvox.dat in $XDG_CONFIG_HOME/tarvox, the
//      default mail folders under $XDG_DATA_HOME/tarvox, and the help file in
//      the installed data folder.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace tarvox {

inline constexpr const char* kSettingsFileName = "tarvox.ini";
inline constexpr const char* kAddressBookFileName = "tarvox.dat";
inline constexpr const char* kHelpFileName = "tvx-help.htm";

struct DataPaths {
    std::filesystem::path settings_file;
    std::filesystem::path address_book_file;
    std::filesystem::path help_file;
    // The folder under which the default mail folders are made, one per
    // profile name.
    std::filesystem::path mail_folder_root;
};

// What the choice depends on, so that it can be made without touching the
// real environment.
struct DataPathInputs {
    std::optional<std::string> tarvox_home;
    std::optional<std::string> xdg_config_home;
    std::optional<std::string> xdg_data_home;
    std::optional<std::string> home;
    std::filesystem::path executable_folder;
    std::filesystem::path installed_data_folder;
};

DataPaths ResolveDataPaths(const DataPathInputs& inputs);

// The inputs of this process: its environment, the folder of /proc/self/exe,
// the user's home folder from the password database when HOME is unset, and
// the data folder of the installation.
DataPathInputs DataPathInputsFromEnvironment();

}  // namespace tarvox
