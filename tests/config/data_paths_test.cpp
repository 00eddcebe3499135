#include "config/data_paths.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <tuple>

#include "support/temp_dir.h"

namespace tarvox {
namespace {

namespace fs = std::filesystem;

TEST(DataPaths, ChoosesTheFolderByPrecedence) {
    TempDir portable;
    WriteWholeFile(portable / "tarvox.ini", "{tarvox}\n");
    ::chmod((portable / "tarvox.ini").c_str(), 0600);  // whatever the umask
    WriteWholeFile(portable / "tvx-help.htm", "<html></html>");  // its own help page
    TempDir plain;
    // Settings another user could have written: a group-writable file, a folder others may write.
    TempDir shared_file;
    WriteWholeFile(shared_file / "tarvox.ini", "{tarvox}\n");
    ::chmod((shared_file / "tarvox.ini").c_str(), 0664);
    TempDir shared_folder;
    WriteWholeFile(shared_folder / "tarvox.ini", "{tarvox}\n");
    ::chmod(shared_folder.path().c_str(), 0707);

    // {what, inputs, folder of the settings and the address book, of the help file, mail root}
    const fs::path share = "/usr/share/tarvox";
    const std::tuple<const char*, DataPathInputs, fs::path, fs::path, fs::path> cases[] = {
        {"TARVOX_HOME wins", {"/tmp/th", "/x/config", "/x/data", "/home/u", portable.path(), share},
         "/tmp/th", share, "/tmp/th"},  // no help page of its own
        {"portable install", {std::nullopt, "/x/config", "/x/data", "/home/u", portable.path(), share},
         portable.path(), portable.path(), portable.path()},
        {"empty TARVOX_HOME is unset", {"", "/x/config", "/x/data", "/home/u", portable.path(), share},
         portable.path(), portable.path(), portable.path()},
        {"XDG folders", {std::nullopt, "/x/config", "/x/data", "/home/u", plain.path(), share},
         "/x/config/tarvox", share, "/x/data/tarvox"},
        {"group-writable settings",
         {std::nullopt, "/x/config", "/x/data", "/home/u", shared_file.path(), share},
         "/x/config/tarvox", share, "/x/data/tarvox"},
        {"settings in a folder others write",
         {std::nullopt, "/x/config", "/x/data", "/home/u", shared_folder.path(), share},
         "/x/config/tarvox", share, "/x/data/tarvox"},
        {"XDG defaults below HOME", {std::nullopt, std::nullopt, "", "/home/u", plain.path(), share},
         "/home/u/.config/tarvox", share, "/home/u/.local/share/tarvox"},
        {"relative XDG folders are ignored",
         {std::nullopt, "rel/config", "rel/data", "/home/u", plain.path(), share},
         "/home/u/.config/tarvox", share, "/home/u/.local/share/tarvox"},
    };
    for (const auto& [what, inputs, settings, help, mail_root] : cases) {
        const DataPaths paths = ResolveDataPaths(inputs);
        EXPECT_EQ(paths.settings_file, settings / "tarvox.ini") << what;
        EXPECT_EQ(paths.address_book_file, settings / "tarvox.dat") << what;
        EXPECT_EQ(paths.help_file, help / "tvx-help.htm") << what;
        EXPECT_EQ(paths.mail_folder_root, mail_root) << what;
    }
}

}  // namespace
}  // namespace tarvox
