#include "shell/desktop_registration.h"

#include <cstdlib>
#include <unistd.h>

#include "compose/piped_process.h"
#include "config/atomic_file.h"
#include "config/file_io.h"
#include "shell/mime_apps.h"

namespace tarvox {

namespace fs = std::filesystem;

namespace {

constexpr const char* kMailtoType = "x-scheme-handler/mailto";
constexpr const char* kMessageType = "application/x-tarvox-message";
constexpr const char* kMenuEntry = "tarvox.desktop";
constexpr const char* kViewerEntry = "tarvox-viewer.desktop";

// The shared-mime-info package of the saved-message type.
constexpr const char* kMimePackage =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
    "  <mime-type type=\"application/x-tarvox-message\">\n"
    "    <comment>Tarvox saved message</comment>\n"
    "    <sub-class-of type=\"message/rfc822\"/>\n"
    "    <glob pattern=\"*.tvx\"/>\n"
    "  </mime-type>\n"
    "</mime-info>\n";

fs::path Folder(const char* variable, const char* below_home) {
    const char* value = std::getenv(variable);
    if (value != nullptr && value[0] == '/') {
        return value;
    }
    const char* home = std::getenv("HOME");
    return fs::path(home != nullptr ? home : "") / below_home;
}

// The Exec key's program, '%' doubled so that it is no field code. Quoted
// only when it holds a character the desktop entry specification reserves
// ('"', '`', '$' and '\' then escaped): xdg-open's generic launcher does not
// take quotes off.
std::string QuotedProgram(const fs::path& executable) {
    const std::string path = executable.string();
    if (path.find_first_of(" \t\n\"'\\><~|&;$*?#()`") == std::string::npos) {
        std::string plain;
        for (char c : path) {
            plain += c == '%' ? "%%" : std::string(1, c);
        }
        return plain;
    }
    std::string quoted = "\"";
    for (char c : executable.string()) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') {
            quoted += "\\\\";
        }
        if (c == '%') {
            quoted += '%';
        }
        quoted += c;
    }
    return quoted + "\"";
}

// Desktop files are read by the desktop's own programs: 0644.
void WriteFile(const fs::path& path, const std::string& text, std::vector<std::string>& failures) {
    if (!WriteFileAtomically(path, text, 0644)) {
        failures.push_back("cannot write " + path.string());
    }
}

void MakeDefault(const DesktopFolders& folders, const char* mime_type, const char* entry,
                 std::vector<std::string>& failures) {
    const fs::path list = folders.config_home / "mimeapps.list";
    FileReadError error = FileReadError::None;
    const std::optional<std::string> text = ReadFileBytes(list.string(), &error);
    std::error_code missing;
    if (!text && fs::exists(fs::symlink_status(list, missing))) {
        failures.push_back("cannot read " + list.string());
        return;
    }
    // The list may be a link into the user's own dotfiles: what it points to
    // is replaced, keeping its permissions.
    const std::string updated = SetDefaultApplication(text.value_or(""), mime_type, entry);
    fs::create_directories(folders.config_home, missing);
    if (!ReplaceChosenFile(list, [&](int fd) { return WriteAll(fd, updated); })) {
        failures.push_back("cannot write " + list.string());
    }
}

// Runs the refresh tool when the desktop has it; its absence is no failure.
void Refresh(const DesktopFolders& folders, const char* tool, const fs::path& folder,
             std::vector<std::string>& failures) {
    for (const fs::path& dir : folders.program_folders) {
        const fs::path program = dir / tool;
        if (::access(program.c_str(), X_OK) != 0) {
            continue;
        }
        const std::optional<PipedResult> run = RunPiped({program.string(), folder.string()}, "");
        if (!run || run->exit_code != 0) {
            failures.push_back(std::string(tool) + " failed" +
                               (run ? ": " + run->standard_error : std::string()));
        }
        return;
    }
}

}  // namespace

DesktopFolders DesktopFoldersFromEnvironment() {
    DesktopFolders folders{Folder("XDG_DATA_HOME", ".local/share"), Folder("XDG_CONFIG_HOME", ".config"),
                           {}};
    const char* path = std::getenv("PATH");
    std::string_view rest = path != nullptr ? path : "/usr/bin:/bin";
    while (!rest.empty()) {
        const std::size_t colon = rest.find(':');
        const std::string_view dir = rest.substr(0, colon);
        if (dir.starts_with('/')) {
            folders.program_folders.emplace_back(dir);
        }
        rest.remove_prefix(colon == std::string_view::npos ? rest.size() : colon + 1);
    }
    return folders;
}

fs::path RunningProgram() {
    std::error_code error;
    return fs::read_symlink("/proc/self/exe", error);
}

std::string DesktopEntryText(const fs::path& executable, bool viewer) {
    std::string text =
        "[Desktop Entry]\n"
        "Type=Application\n";
    if (viewer) {
        text += "Name=Tarvox message viewer\n"
                "Comment=Show a saved e-mail message\n"
                "NoDisplay=true\n"
                "Exec=" + QuotedProgram(executable) + " /VIEW %f\n"
                "MimeType=application/x-tarvox-message;message/rfc822;\n";
    } else {
        text += "Name=Tarvox\n"
                "GenericName=Mail Client\n"
                "Comment=See and clean up your POP3 mailbox on the server\n"
                "Exec=" + QuotedProgram(executable) + " %u\n"
                "MimeType=x-scheme-handler/mailto;\n"
                "Categories=Network;Email;\n";
    }
    return text + "Icon=tarvox\nTerminal=false\n";
}

std::vector<std::string> RegisterMailtoHandler(const DesktopFolders& folders,
                                               const fs::path& executable) {
    std::vector<std::string> failures;
    const fs::path applications = folders.data_home / "applications";
    WriteFile(applications / kMenuEntry, DesktopEntryText(executable, false), failures);
    MakeDefault(folders, kMailtoType, kMenuEntry, failures);
    Refresh(folders, "update-desktop-database", applications, failures);
    return failures;
}

std::vector<std::string> AssociateMessageFiles(const DesktopFolders& folders,
                                               const fs::path& executable) {
    std::vector<std::string> failures;
    const fs::path mime = folders.data_home / "mime";
    WriteFile(mime / "packages" / "tarvox.xml", kMimePackage, failures);
    Refresh(folders, "update-mime-database", mime, failures);
    const fs::path applications = folders.data_home / "applications";
    WriteFile(applications / kViewerEntry, DesktopEntryText(executable, true), failures);
    MakeDefault(folders, kMessageType, kViewerEntry, failures);
    Refresh(folders, "update-desktop-database", applications, failures);
    return failures;
}

std::string RegistrationFailureText(const std::vector<std::string>& failures) {
    if (failures.empty()) {
        return {};
    }
    std::string text = "Unable to register the handler: ";
    for (std::size_t i = 0; i < failures.size(); ++i) {
        text += (i == 0 ? "" : "\n") + failures[i];
    }
    return text;
}

}  // namespace tarvox
