#include "config/data_paths.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace tarvox {
namespace {

namespace fs = std::filesystem;

TEST(DataPaths, ChoosesTheFolderByPrecedence) {
    TempDir portable;
    WriteWholeFile(portable / "tarvox.ini", "{tarvox}\n");
    TempDir plain;

    struct Case {
        const char* what;
        DataPathInputs inputs;
        fs::path settings, address_book, help, mail_root;
    };
    const fs::path share = "/usr/share/tarvox";
    const Case cases[] = {
        {"TARVOX_HOME wins",
         {"/tmp/th", "/x/config", "/x/data", "/home/u", portable.path(), share},
         "/tmp/th/tarvox.ini", "/tmp/th/tarvox.dat", "/tmp/th/tvx-help.htm", "/tmp/th"},
        {"portable install",
         {std::nullopt, "/x/config", "/x/data", "/home/u", portable.path(), share},
         portable / "tarvox.ini", portable / "tarvox.dat", portable / "tvx-help.htm",
         portable.path()},
        {"empty TARVOX_HOME is unset",
         {"", "/x/config", "/x/data", "/home/u", portable.path(), share},
         portable / "tarvox.ini", portable / "tarvox.dat", portable / "tvx-help.htm",
         portable.path()},
        {"XDG folders",
         {std::nullopt, "/x/config", "/x/data", "/home/u", plain.path(), share},
         "/x/config/tarvox/tarvox.ini", "/x/config/tarvox/tarvox.dat",
         "/usr/share/tarvox/tvx-help.htm", "/x/data/tarvox"},
        {"XDG defaults below HOME",
         {std::nullopt, std::nullopt, "", "/home/u", plain.path(), share},
         "/home/u/.config/tarvox/tarvox.ini", "/home/u/.config/tarvox/tarvox.dat",
         "/usr/share/tarvox/tvx-help.htm", "/home/u/.local/share/tarvox"},
        {"relative XDG folders are ignored",
         {std::nullopt, "rel/config", "rel/data", "/home/u", plain.path(), share},
         "/home/u/.config/tarvox/tarvox.ini", "/home/u/.config/tarvox/tarvox.dat",
         "/usr/share/tarvox/tvx-help.htm", "/home/u/.local/share/tarvox"},
    };
    for (const Case& c : cases) {
        DataPaths paths = ResolveDataPaths(c.inputs);
        EXPECT_EQ(paths.settings_file, c.settings) << c.what;
        EXPECT_EQ(paths.address_book_file, c.address_book) << c.what;
        EXPECT_EQ(paths.help_file, c.help) << c.what;
        EXPECT_EQ(paths.mail_folder_root, c.mail_root) << c.what;
    }
}

}  // namespace
}  // namespace tarvox
