#include "addressbook/address_book_file.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <regex>
#include <tuple>

#include "support/temp_dir.h"

namespace tarvox {
namespace {

const std::filesystem::path kData = std::filesystem::path(TARVOX_TEST_DATA_DIR) / "addressbook";

// What tests/data/addressbook/golden.dat holds (its Base64 made with Python's base64 module).
AddressBooks GoldenBooks() {
    AddressBooks books;
    books.recently_used = {"Ann Smith <ann@a.example>", "\"Last, First\" <first.last@b.example>"};
    books.books = {
        {"Friends",
         {{"Ann \"Nan\" Smith", "ann@a.example"},
          {"Müller, Jörg", "joerg@c.example"},
          {"Zoë", "zoe@d.example"}}},
        {"Work", {}},
        {"work", {{"Boss", "boss@e.example"}}},
    };
    return books;
}

TEST(AddressBookFile, WritesAndReadsTheGoldenFile) {
    const std::string golden = ReadWholeFile(kData / "golden.dat");
    ASSERT_FALSE(golden.empty());
    EXPECT_EQ(FormatAddressBooks(GoldenBooks()), golden);
    EXPECT_EQ(ReadAddressBooks(golden), GoldenBooks());
    // The same file written on Windows.
    EXPECT_EQ(ReadAddressBooks(std::regex_replace(golden, std::regex("\n"), "\r\n")), GoldenBooks());
}

TEST(AddressBookFile, HostileTextsAndLongLinesSurviveSaveAndLoad) {
    AddressBooks books;
    books.recently_used = {"\"a, b\" <a@b.example>", "x\"}\"{\n\r\n\tÿ", std::string(1000, 'r')};
    books.books = {
        {"adbook(\"x\")", {{"\"quoted\", with comma", "q@x.example"}, {"}", "{"}}},
        // Text that does not fit ISO-8859-1 is stored as UTF-8 and reads back.
        {"äöü ß \u0080\u009F € — 日本",
         {{std::string(2000, 'n'), std::string(3000, 'a') + "@long.example"}, {"Next", "n@x"}}},
        {"}", {{"line\r\nbreak", "tab\there"}}},
        {"", {{"in a book", "without@name.example"}}},
    };
    TempDir dir;
    const std::filesystem::path file = dir / "tarvox.dat";
    ASSERT_TRUE(SaveAddressBooks(file, books));
    EXPECT_EQ(LoadAddressBooks(file), books);
    struct stat status {};
    ASSERT_EQ(::stat(file.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);
}

TEST(AddressBookFile, EmptyTextsAreWrittenButNotReadBack) {
    AddressBooks books;
    books.recently_used = {"", "kept@r.example", ""};
    books.books = {{"Book", {{"", "noname@x.example"}, {"No address", ""}, {"Both", "both@x.example"}}}};
    const std::string text = FormatAddressBooks(books);
    EXPECT_NE(text.find("\"\", \"bm9uYW1lQHguZXhhbXBsZQ==\"\n"), std::string::npos);
    EXPECT_NE(text.find("\"Tm8gYWRkcmVzcw==\", \"\"\n"), std::string::npos);
    AddressBooks expected;
    expected.recently_used = {"kept@r.example"};
    expected.books = {{"Book", {{"Both", "both@x.example"}}}};
    EXPECT_EQ(ReadAddressBooks(text), expected);
    // Without recently used entries their block is left out.
    expected.recently_used.clear();
    EXPECT_EQ(FormatAddressBooks(expected).find("recently_used()"), std::string::npos);
}

TEST(AddressBookFile, BlockRules) {
    // "A" = QQ==, "a@x" = YUB4, "B" = Qg==, "b@x" = YkB4.
    static constexpr char kWithNul[] = "adbook(\"QQ==\")\n{\n\"QQ==\", \"YUB4\"\n\"Qg==\"\0, \"YkB4\"\n}\n";
    const std::tuple<const char*, std::string, AddressBooks> cases[] = {
        {"no white space after the comma", "adbook(\"QQ==\")\n{\n\"QQ==\",\"YUB4\"\n}\n",
         {{{"A", {{"A", "a@x"}}}}, {}}},
        {"a second \"{\" closes the block", "adbook(\"QQ==\")\n{\n\"QQ==\", \"YUB4\"\n{\n\"Qg==\", \"YkB4\"\n}\n",
         {{{"A", {{"A", "a@x"}}}}, {}}},
        {"the last line without its line end", "adbook(\"QQ==\")\n{\n\"QQ==\", \"YUB4\"\n}",
         {{{"A", {{"A", "a@x"}}}}, {}}},
        {"an address running to the end of the file scans",
         "recently_used()\n{\n\"YUB4\"\n\"YkB4", {{}, {"a@x", "b@x"}}},
        {"a book without its closing brace is lost",
         "adbook(\"QQ==\")\n{\n\"QQ==\", \"YUB4\"\n}\nadbook(\"Qg==\")\n{\n\"Qg==\", \"YkB4\"\n",
         {{{"A", {{"A", "a@x"}}}}, {}}},
        {"a header without a block is lost", "adbook(\"QQ==\")\n", {}},
        {"a recently used block without its brace keeps what it read",
         "recently_used()\n{\n\"YUB4\"\n", {{}, {"a@x"}}},
        {"a book header inside a pending recently used header takes the block",
         "recently_used()\nadbook(\"QQ==\")\n{\n\"QQ==\", \"YUB4\"\n}\n", {{{"A", {{"A", "a@x"}}}}, {}}},
        {"a NUL ends the line", std::string(kWithNul, sizeof kWithNul - 1),
         {{{"A", {{"A", "a@x"}}}}, {}}},
        {"a decoded NUL ends the text", "adbook(\"QQBC\")\n{\n\"QQBC\", \"AEI=\"\n}\n", {{{"A", {}}}, {}}},
        {"nothing", "", {}},
    };
    for (const auto& [label, text, expected] : cases) {
        EXPECT_EQ(ReadAddressBooks(text), expected) << label;
    }
}

TEST(AddressBookFile, DamagedFileLoadsWhatTheRulesKeep) {
    AddressBooks expected;
    expected.recently_used = {"kept@r.example", "second@r.example"};
    expected.books = {
        {"Good", {{"Ann", "ann@a.example"}, {"Wide", "wide@a.example"}, {"Tight", "tight@a.example"}}},
        {"", {{"In a book without a name", "nameless@n.example"}}},
        {"First header", {{"Bea", "bea@b.example"}}},
    };
    EXPECT_EQ(LoadAddressBooks(kData / "damaged.dat"), expected);
}

TEST(AddressBookFile, MissingOrUnreadableFileGivesNothing) {
    using enum AddressBookFileState;
    TempDir dir;
    WriteWholeFile(dir / "empty.dat", "");
    const std::pair<std::filesystem::path, AddressBookFileState> cases[] = {
        {dir / "none.dat", Missing}, {dir.path(), Unreadable}, {dir / "empty.dat", Read},
        {dir / "empty.dat" / "below", Unreadable},
    };
    for (const auto& [path, expected] : cases) {
        AddressBookFileState state = expected == Read ? Missing : Read;
        EXPECT_EQ(LoadAddressBooks(path, &state), AddressBooks{}) << path;
        EXPECT_EQ(state, expected) << path;
    }
}

}  // namespace
}  // namespace tarvox
