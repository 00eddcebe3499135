// tarvox-cli addressbook, run as the built program on a throw-away tarvox.dat.
#include <gtest/gtest.h>

#include <string>

#include "cli/cli_runner.h"
#include "support/temp_dir.h"

namespace tarvox {
namespace {

// A book is made by its first import; names differing in case are two books; every change is in the file
// at once; the exports are byte-exact.
TEST(CliAddressBook, ImportsListsSearchesAndExports) {
    TempDir dir;
    const std::string data = (dir / "tarvox.dat").string();
    WriteWholeFile(dir / "outlook.csv",
                   "Name,E-mail Address,Notes\r\n\"Smith, Ann\",ann@a.example\r\n\r\n,nameless@n.example\r\n"
                   "  Bob  ,bob@b.example\r\nno comma\r\n");
    WriteWholeFile(dir / "sheet.tsv", "Carol\tcarol@c.example\textra\nDave\t\n\tnobody@x\n");
    const auto run = [&data](std::vector<std::string> args) {
        args.insert(args.begin(), {"addressbook", "--data", data});
        return args;
    };
    const std::string text_export =
        "-------\r\nFriends\r\n-------\r\n\r\n"
        "Name              \tE-mail Address,Notes\r\nSmith, Ann        \tann@a.example\r\n"
        "nameless@n.example\tnameless@n.example\r\nBob               \tbob@b.example\r\n";
    const CliCase cases[] = {
        {run({"list"}), "", 0, "", ""},
        {run({"import", "Friends", "--comma", (dir / "outlook.csv").string()}), "", 0,
         "4 entries imported into Friends\n", ""},
        {run({"import", "friends", "--tab", (dir / "sheet.tsv").string()}), "", 0,
         "1 entries imported into friends\n", ""},
        {run({"list"}), "", 0, "friends\t1\nFriends\t4\n", ""},
        {run({"search", "B.EXAMPLE"}), "", 0,
         "Search results\n--------------\n\nBob  \tbob@b.example\n", ""},  // trailing blanks stay
        {run({"show", "Friends"}), "", 0, "Smith, Ann        \tann@a.example\n", ""},
        {run({"export", "Friends", "--text", (dir / "friends.txt").string()}), "", 0, "", ""},
        {run({"export", "friends", "--tab", (dir / "friends.tsv").string()}), "", 0, "", ""},
        {run({"show", "FRIENDS"}), "", 1, "", "Unable to locate address book FRIENDS"},
        {run({"import", "Friends", "--comma", (dir / "missing.csv").string()}), "", 1, "",
         "Unable to read from file"},
        {run({"export", "Friends", "--text", (dir / "no" / "such" / "folder").string()}), "", 1, "",
         "Unable to write to file"},
        {run({"import", "Friends", "--text", (dir / "outlook.csv").string()}), "", 2, "", "usage:"},
        {run({"show"}), "", 2, "", "usage:"},
        {{"addressbook", "--data", dir.path().string(), "list"}, "", 1, "", "Unable to read"},
    };
    for (const CliCase& c : cases) {
        ExpectCli(c);
    }
    EXPECT_EQ(ReadWholeFile(dir / "friends.txt"), text_export);
    EXPECT_EQ(ReadWholeFile(dir / "friends.tsv"), "Carol\tcarol@c.example\r\n");
}

}  // namespace
}  // namespace tarvox
