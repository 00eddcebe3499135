#include "addressbook/delimited_import.h"

#include <gtest/gtest.h>

namespace tarvox {
namespace {

using Entry = std::optional<AddressBookEntry>;

TEST(CleanImportedField, BlanksTabsAndOnePairOfQuotes) {
    const std::pair<std::string, std::string> cases[] = {
        {"Ann", "Ann"},
        {"  \t Ann", "Ann"},
        {"Ann  ", "Ann  "},                  // trailing blanks stay
        {"A\tB", "A B"},
        {"\"Smith, John\"", "Smith, John"},
        {"  \"  Smith\tJohn\"", "Smith John"},  // quotes, then blanks again
        {"\"\"Twice\"\"", "\"Twice\""},      // one pair only
        {"\"", "\""},                         // too short to be a pair
        {"\"\"", ""},
        {"\"open", "\"open"},
        {"\"Smith\" ", "\"Smith\" "},         // does not end in a quote
        {"", ""},
    };
    for (const auto& [field, expected] : cases) {
        EXPECT_EQ(CleanImportedField(field), expected) << field;
    }
}

TEST(ParseDelimitedLine, TabDelimited) {
    const std::pair<std::string, Entry> cases[] = {
        {"Ann\tann@a.example\n", AddressBookEntry{"Ann", "ann@a.example"}},
        {"Ann\tann@a.example\r\n", AddressBookEntry{"Ann", "ann@a.example"}},
        {"Ann\tann@a.example", AddressBookEntry{"Ann", "ann@a.example"}},
        {"Ann\tann@a.example\tnotes\n", AddressBookEntry{"Ann", "ann@a.example"}},
        {"\"Smith, Ann\"\t \"ann@a.example\"\n", AddressBookEntry{"Smith, Ann", "ann@a.example"}},
        {" Ann\tann@a.example\n", AddressBookEntry{"Ann", "ann@a.example"}},
        {"\tann@a.example\n", std::nullopt},  // no name
        {"Ann\t\n", std::nullopt},            // no address
        {"Ann\t\tann@a.example\n", std::nullopt},
        {"Ann ann@a.example\n", std::nullopt},  // no tab
        {"\n", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& [line, expected] : cases) {
        EXPECT_EQ(ParseDelimitedLine(line, Delimiter::Tab), expected) << line;
    }
}

TEST(ParseDelimitedLine, CommaDelimited) {
    const std::pair<std::string, Entry> cases[] = {
        {"Ann,ann@a.example\n", AddressBookEntry{"Ann", "ann@a.example"}},
        {"Ann, ann@a.example\r\n", AddressBookEntry{"Ann", "ann@a.example"}},
        // A quoted name with a comma gives one entry with the comma in it.
        {"\"Smith, Ann\",ann@a.example\n", AddressBookEntry{"Smith, Ann", "ann@a.example"}},
        {"\"Smith, Ann\", \"ann@a.example\"\n", AddressBookEntry{"Smith, Ann", "ann@a.example"}},
        // The address is the rest of the line, commas and all.
        {"Ann,ann@a.example,Notes,\n", AddressBookEntry{"Ann", "ann@a.example,Notes,"}},
        {"Ann\tTab,a@b\n", AddressBookEntry{"Ann Tab", "a@b"}},
        {",ann@a.example\n", AddressBookEntry{"", "ann@a.example"}},
        {"Ann,\n", AddressBookEntry{"Ann", ""}},
        {"\"Smith, Ann\" ann@a.example\n", std::nullopt},  // only a quoted comma
        {"\"unclosed, Ann,ann@a.example\n", std::nullopt},
        {"no comma here\n", std::nullopt},
        {"\n", std::nullopt},
    };
    for (const auto& [line, expected] : cases) {
        EXPECT_EQ(ParseDelimitedLine(line, Delimiter::Comma), expected) << line;
    }
}

TEST(ImportDelimitedText, AppendsEveryLineThatParses) {
    AddressBook book{"Book", {{"Kept", "kept@k.example"}}};
    const std::string text =
        "Name,E-mail Address\r\n"
        "\"Smith, Ann\",ann@a.example\r\n"
        "garbage\r\n"
        "\r\n"
        "Bob,bob@b.example";
    EXPECT_EQ(ImportDelimitedText(book, text, Delimiter::Comma), 3u);
    EXPECT_EQ(book.entries, (std::vector<AddressBookEntry>{{"Kept", "kept@k.example"},
                                                           {"Name", "E-mail Address"},
                                                           {"Smith, Ann", "ann@a.example"},
                                                           {"Bob", "bob@b.example"}}));
}

}  // namespace
}  // namespace tarvox
