// tarvox-cli view and attachments, run as the built program.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "cli/cli_runner.h"
#include "support/temp_dir.h"

namespace tarvox {
namespace {

namespace fs = std::filesystem;

std::string DataFile(std::string_view relative) {
    return (fs::path(TARVOX_TEST_DATA_DIR) / "message" / fs::path(relative)).string();
}

std::set<std::string> FolderEntries(const fs::path& folder) {
    std::set<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

TEST(CliMessageCommands, ExitStatusAndOutput) {
    const std::string three = DataFile("viewer/three_recipients.eml");
    const std::string hostile = DataFile("viewer/hostile_names.eml");
    TempDir scratch;
    const std::string missing = (scratch.path() / "no-such.eml").string();
    const std::string folder = scratch.path().string();
    const CliCase cases[] = {
        // The viewer's text, for the terminal in UTF-8 with LF, or as the program holds it.
        {{"view", three}, "", 0, "From:\t\tJ\xC3\xBCrgen M\xC3\xBCller <jm@example.org>\n", ""},
        // The options go both before and after the file name.
        {{"view", "--bytes", three, "--all-headers"}, "", 0, "X-Mailer: Hand\r\n\r\nFirst line.\r\n.Dot", ""},
        {{"view", three, "--raw"}, "", 0, "\n..Dot-stuffed line.\nCaf\xC3\xA9 line.\n.\n", ""},
        {{"view", "--no-html-filter", DataFile("bulk_offer.eml")}, "", 0,
         "\n<html><body>Offers</body></html>\n", ""},
        {{"attachments", hostile}, "", 0, "/etc/passwd\tText\ncaf\xC3\xA9.bin\tBase64\n..\tBase64\n", ""},
        {{"attachments", "--bytes", hostile}, "", 0, "caf\xE9.bin\tBase64\r\n", ""},
        // An unreadable file or a save folder that is none: one line that names it.
        {{"view", missing}, "", 2, "", missing + ": "},
        {{"attachments", hostile, "--save", folder + "/nowhere"}, "", 2, "", folder + "/nowhere is not a folder"},
    };
    for (const CliCase& c : cases) {
        const CliResult result = ExpectCli(c);
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), c.status != 0 ? 1 : 0);
    }
    EXPECT_FALSE(fs::exists(scratch.path() / "nowhere"));
}

TEST(CliAttachments, SavesUnderSafeFileNamesInsideTheFolderAndOverwritesNothing) {
    TempDir scratch;
    const fs::path save_dir = scratch.path() / "a" / "save";
    fs::create_directories(save_dir);
    WriteWholeFile(save_dir / "evil", "kept");
    // An existing file is kept and told of in one line; the others are saved all the same.
    const CliResult result =
        RunCli({"attachments", DataFile("viewer/hostile_names.eml"), "--save", save_dir.string()});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.out.find("saved " + (save_dir / "uu.bin").string() + " ("), std::string::npos) << result.out;
    EXPECT_EQ(result.err, "tarvox-cli: cannot create " + (save_dir / "evil").string() +
                              ": File exists (not overwritten)\n");
    EXPECT_EQ(ReadWholeFile(save_dir / "evil"), "kept");
    EXPECT_EQ(FolderEntries(save_dir),
              (std::set<std::string>{"evil", "passwd", "caf\xC3\xA9.bin", "untitled", "win.txt", "uu.bin"}));
    EXPECT_EQ(ReadWholeFile(save_dir / "passwd"), ReadWholeFile(DataFile("viewer/passwd.bin")));
    EXPECT_EQ(FolderEntries(scratch.path() / "a"), std::set<std::string>{"save"});  // nothing beside or above
    EXPECT_EQ(FolderEntries(scratch.path()), std::set<std::string>{"a"});

    TempDir other;  // a name of control characters names no file with them
    const std::string escapes = DataFile("viewer/terminal_escapes.eml");
    EXPECT_EQ(RunCli({"attachments", escapes, "--save", other.path().string()}).status, 0);
    EXPECT_EQ(FolderEntries(other.path()), std::set<std::string>{"profile_[1m"});
}

}  // namespace
}  // namespace tarvox
