// tarvox-cli view and attachments, run as the built program.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "cli/cli_runner.h"
#include "support/temp_dir.h"

namespace tarvox {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in.good()) << path;
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const fs::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

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

// The viewer's text of three_recipients.eml for the terminal: UTF-8, LF.
constexpr std::string_view kThreeRecipientsUtf8 =
    "Date:\t\tTue, 1 Apr 2003 09:00:00 +0200\n"
    "From:\t\tJ\xC3\xBCrgen M\xC3\xBCller <jm@example.org>\n"
    "To:\t\tAnn <ann@example.net>\n"
    "\t\t\"Smith, Bob\" <bob@example.net>\n"
    "\t\tcarol@example.net\n"
    "CC:\t\tdave@example.net\n"
    "\t\tRen\xC3\xA9"
    "e <renee@example.net>\n"
    "ReplyTo:\treplies@example.org\n"
    "\n"
    "First line.\n"
    ".Dot-stuffed line.\n"
    "Caf\xC3\xA9 line.\n";

// The header lines of three_recipients.eml and its body, for the terminal.
const std::string kThreeRecipientsHeaderUtf8 =
    "Received: from mx.example.org by pop.example.net; Tue, 1 Apr 2003 09:00:00 +0200\n"
    "Date: Tue, 1 Apr 2003 09:00:00 +0200\n"
    "From: =?ISO-8859-1?Q?J=FCrgen_M=FCller?= <jm@example.org>\n"
    "To: Ann <ann@example.net>, \"Smith, Bob\" <bob@example.net>,\n"
    " carol@example.net\n"
    "Cc: dave@example.net, =?ISO-8859-1?Q?Ren=E9e?= <renee@example.net>\n"
    "Reply-To: replies@example.org\n"
    "Message-ID: <no-subject.1@example.org>\n"
    "X-Mailer: Hand\n";
const std::string kThreeRecipientsBodyUtf8 =
    "\n"
    "First line.\n"
    "..Dot-stuffed line.\n"
    "Caf\xC3\xA9 line.\n";
// The body as the viewer shows it: the dot the server added is gone.
const std::string kThreeRecipientsShownBodyUtf8 =
    "\n"
    "First line.\n"
    ".Dot-stuffed line.\n"
    "Caf\xC3\xA9 line.\n";

// The same text as the program holds it: ISO-8859-1, CR LF.
constexpr std::string_view kThreeRecipientsBytes =
    "Date:\t\tTue, 1 Apr 2003 09:00:00 +0200\r\n"
    "From:\t\tJ\xFCrgen M\xFCller <jm@example.org>\r\n"
    "To:\t\tAnn <ann@example.net>\r\n"
    "\t\t\"Smith, Bob\" <bob@example.net>\r\n"
    "\t\tcarol@example.net\r\n"
    "CC:\t\tdave@example.net\r\n"
    "\t\tRen\xE9"
    "e <renee@example.net>\r\n"
    "ReplyTo:\treplies@example.org\r\n"
    "\r\n"
    "First line.\r\n"
    ".Dot-stuffed line.\r\n"
    "Caf\xE9 line.\r\n";

struct ViewCase {
    std::vector<std::string> options;
    std::string file;
    std::string out;
};

TEST(CliView, PrintsTheViewersText) {
    const std::string three = DataFile("viewer/three_recipients.eml");
    const std::string three_raw = ReadFile(three);
    const ViewCase cases[] = {
        {{}, three, std::string(kThreeRecipientsUtf8)},
        {{"--bytes"}, three, std::string(kThreeRecipientsBytes)},
        {{"--raw", "--bytes"}, three, three_raw},
        {{"--raw"},
         three,
         std::string(kThreeRecipientsHeaderUtf8) + kThreeRecipientsBodyUtf8 + ".\n"},
        {{"--all-headers"},
         three,
         std::string(kThreeRecipientsHeaderUtf8) + kThreeRecipientsShownBodyUtf8},
        {{"--no-html-filter"},
         DataFile("bulk_offer.eml"),
         "Date:\t\tMon, 7 Apr 2003 08:00:00 +0000\n"
         "From:\t\tDeals Team\n"
         "To:\t\tann@shop.example\n"
         "\t\tbob@shop.example\n"
         "\t\tcat@shop.example\n"
         "\t\tdan@shop.example\n"
         "\t\teve@shop.example\n"
         "Subject:\tWeekly offers\n"
         "\n"
         "<html><body>Offers</body></html>\n"},
    };
    for (const ViewCase& c : cases) {
        std::vector<std::string> args = {"view"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        args.push_back(c.file);
        // The options go both before and after the file name.
        for (const bool options_first : {false, true}) {
            if (options_first) {
                std::rotate(args.begin() + 1, args.end() - 1, args.end());
            }
            const CliResult result = RunCli(args);
            const std::string label = args[1] + " " + (args.size() > 2 ? args[2] : "");
            EXPECT_EQ(result.status, 0) << label << result.err;
            EXPECT_EQ(result.out, c.out) << label;
            EXPECT_EQ(result.err, "") << label;
        }
    }
}

TEST(CliAttachments, ListsNamesAndEncodings) {
    const CliResult result = RunCli({"attachments", DataFile("viewer/hostile_names.eml")});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out,
              "../../evil\tBase64\n"
              "/etc/passwd\tText\n"
              "caf\xC3\xA9.bin\tBase64\n"
              "..\tBase64\n"
              "C:\\temp\\win.txt\tText\n"
              "sub/dir/uu.bin\tUUEncoded\n");

    const CliResult bytes =
        RunCli({"attachments", "--bytes", DataFile("viewer/hostile_names.eml")});
    EXPECT_EQ(bytes.status, 0);
    EXPECT_EQ(bytes.out,
              "../../evil\tBase64\r\n"
              "/etc/passwd\tText\r\n"
              "caf\xE9.bin\tBase64\r\n"
              "..\tBase64\r\n"
              "C:\\temp\\win.txt\tText\r\n"
              "sub/dir/uu.bin\tUUEncoded\r\n");
}

TEST(CliAttachments, SavesDecodedDataUnderFileNamesInsideTheFolder) {
    TempDir scratch;
    const fs::path save_dir = scratch.path() / "a" / "b" / "save";
    fs::create_directories(save_dir);
    const CliResult result = RunCli({"attachments", DataFile("viewer/hostile_names.eml"),
                                              "--save", save_dir.string()});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");

    struct Saved {
        std::string name;
        std::string data;
    };
    const Saved expected[] = {
        {"evil", ReadFile(DataFile("viewer/every-byte.bin"))},
        {"passwd", ReadFile(DataFile("viewer/passwd.bin"))},
        {"caf\xC3\xA9.bin", ""},
        {"untitled", "dots"},
        {"win.txt", "windows path"},
        {"uu.bin", ReadFile(DataFile("viewer/uu.bin"))},
    };
    std::set<std::string> names;
    for (const Saved& saved : expected) {
        names.insert(saved.name);
        EXPECT_EQ(ReadFile(save_dir / saved.name), saved.data) << saved.name;
        const std::string report = "saved " + (save_dir / saved.name).string() + " (" +
                                   std::to_string(saved.data.size()) + " bytes)\n";
        EXPECT_NE(result.out.find(report), std::string::npos) << report << result.out;
    }
    EXPECT_EQ(FolderEntries(save_dir), names);
    // Nothing landed beside or above the folder.
    EXPECT_EQ(FolderEntries(save_dir.parent_path()), std::set<std::string>{"save"});
    EXPECT_EQ(FolderEntries(scratch.path() / "a"), std::set<std::string>{"b"});
    EXPECT_EQ(FolderEntries(scratch.path()), std::set<std::string>{"a"});
}

TEST(CliAttachments, ControlCharactersShowAsEscapesAndNameNoFile) {
    const std::string file = DataFile("viewer/terminal_escapes.eml");
    const CliResult view = RunCli({"view", file});
    EXPECT_NE(view.out.find("Subject:\tHi^[]0;owned^G\n"), std::string::npos) << view.out;
    EXPECT_NE(view.out.find("\nLook^[[2J here^?.\n"), std::string::npos) << view.out;
    EXPECT_NE(RunCli({"view", "--bytes", file}).out.find("Look\x1b[2J here\x7f.\r\n"),
              std::string::npos);
    TempDir scratch;
    const CliResult saved = RunCli({"attachments", file, "--save", scratch.path().string()});
    EXPECT_EQ(saved.status, 0) << saved.err;
    EXPECT_EQ(saved.out.substr(0, saved.out.find("saved")), "..profile^[[1m\tBase64\n");
    EXPECT_EQ(FolderEntries(scratch.path()), std::set<std::string>{"profile_[1m"});
}

TEST(CliAttachments, DoesNotOverwriteAnExistingFile) {
    TempDir scratch;
    const fs::path save_dir = scratch.path() / "save";
    fs::create_directories(save_dir);
    WriteFile(save_dir / "evil", "kept");
    const CliResult result = RunCli({"attachments", DataFile("viewer/hostile_names.eml"),
                                              "--save", save_dir.string()});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(ReadFile(save_dir / "evil"), "kept");
    EXPECT_NE(result.err.find("not overwritten"), std::string::npos) << result.err;
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
    // The other attachments are still saved.
    EXPECT_EQ(ReadFile(save_dir / "passwd"), ReadFile(DataFile("viewer/passwd.bin")));
    EXPECT_EQ(FolderEntries(save_dir).size(), 6u);
}

TEST(CliMessageCommands, UnreadableFileGivesStatusTwoAndOneLine) {
    TempDir scratch;
    const std::string missing = (scratch.path() / "no-such.eml").string();
    const std::string folder = scratch.path().string();
    const std::vector<std::vector<std::string>> runs = {
        {"view", missing},        {"view", "--raw", missing},
        {"attachments", missing}, {"attachments", missing, "--save", folder},
        {"view", folder},         {"attachments", folder},
    };
    for (const std::vector<std::string>& run : runs) {
        const CliResult result = RunCli(run);
        EXPECT_EQ(result.status, 2) << run[0] << " " << run[1];
        EXPECT_EQ(result.out, "") << run[0] << " " << run[1];
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
        // The message names the file.
        EXPECT_NE(result.err.find(folder), std::string::npos) << result.err;
    }
    // A save folder that does not exist.
    const CliResult no_folder =
        RunCli({"attachments", DataFile("viewer/hostile_names.eml"), "--save",
                         (scratch.path() / "nowhere").string()});
    EXPECT_EQ(no_folder.status, 2);
    EXPECT_EQ(std::count(no_folder.err.begin(), no_folder.err.end(), '\n'), 1);
    EXPECT_FALSE(fs::exists(scratch.path() / "nowhere"));
}

}  // namespace
}  // namespace tarvox
