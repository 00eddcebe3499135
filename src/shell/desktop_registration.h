// Registering the program with the desktop the freedesktop way, in the
// user's own folders only: a desktop entry that opens mailto: links (and is
// made their default handler in mimeapps.list), and a shared-mime-info type
// for saved messages (*.tvx) with a hidden desktop entry that views them.
// Each step that fails is collected; the others still run.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace tarvox {

struct DesktopFolders {
    std::filesystem::path data_home;    // $XDG_DATA_HOME, else ~/.local/share
    std::filesystem::path config_home;  // $XDG_CONFIG_HOME, else ~/.config
    // Where update-desktop-database and update-mime-database are looked for
    // ($PATH); an empty list runs neither.
    std::vector<std::filesystem::path> program_folders;
};

DesktopFolders DesktopFoldersFromEnvironment();

// The path of the running program (/proc/self/exe), which the entries start.
std::filesystem::path RunningProgram();

// tarvox.desktop: opens mailto: links ("EXECUTABLE %u"), made the default for
// x-scheme-handler/mailto.
std::vector<std::string> RegisterMailtoHandler(const DesktopFolders& folders,
                                               const std::filesystem::path& executable);

// application/x-tarvox-message for *.tvx (a kind of message/rfc822), and
// tarvox-viewer.desktop ("EXECUTABLE /VIEW %f") made its default.
std::vector<std::string> AssociateMessageFiles(const DesktopFolders& folders,
                                               const std::filesystem::path& executable);

// The box text for the failures of one registration: "Unable to register the
// handler: " and each failure, one a line; empty when nothing failed.
std::string RegistrationFailureText(const std::vector<std::string>& failures);

// The text of a desktop entry: the menu entry (`viewer` false) or the hidden
// viewer of message files.
std::string DesktopEntryText(const std::filesystem::path& executable, bool viewer);

}  // namespace tarvox
