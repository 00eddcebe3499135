#include "addressbook/delimited_import.h"

#include <gtest/gtest.h>

#include <tuple>

namespace tarvox {
namespace {

using Entry = std::optional<AddressBookEntry>;

TEST(CleanImportedField, BlanksTabsAndOnePairOfQuotes) {
    const std::pair<std::string, std::string> cases[] = {
        {"Ann", "Ann"}, {"  \t Ann", "Ann"}, {"A\tB", "A B"},
        {"Ann  ", "Ann  "},  // trailing blanks stay
        {"\"Smith, John\"", "Smith, John"},
        {"  \"  Smith\tJohn\"", "Smith John"},  // quotes, then blanks again
        {"\"\"Twice\"\"", "\"Twice\""},      // one pair only
        {"\"", "\""}, {"\"\"", ""}, {"\"open", "\"open"}, {"", ""},
        {"\"Smith\" ", "\"Smith\" "},  // does not end in a quote
    };
    for (const auto& [field, expected] : cases) {
        EXPECT_EQ(CleanImportedField(field), expected) << field;
    }
}

TEST(ParseDelimitedLine, TabAndCommaDelimited) {
    using enum Delimiter;
    const AddressBookEntry ann{"Ann", "ann@a.example"}, smith{"Smith, Ann", "ann@a.example"};
    const std::tuple<Delimiter, std::string, Entry> cases[] = {
        {Tab, "Ann\tann@a.example\n", ann}, {Tab, "Ann\tann@a.example\r\n", ann},
        {Tab, "Ann\tann@a.example", ann}, {Tab, "Ann\tann@a.example\tnotes\n", ann},
        {Tab, "\"Smith, Ann\"\t \"ann@a.example\"\n", smith}, {Tab, " Ann\tann@a.example\n", ann},
        {Tab, "\tann@a.example\n", std::nullopt}, {Tab, "Ann\t\n", std::nullopt},
        {Tab, "Ann\t\tann@a.example\n", std::nullopt}, {Tab, "Ann ann@a.example\n", std::nullopt},
        {Tab, "\n", std::nullopt}, {Tab, "", std::nullopt},
        // Lines are stored text: ISO-8859-1, or UTF-8 when they are UTF-8.
        {Tab, "J\xF6rg\tj@c\n", AddressBookEntry{"Jörg", "j@c"}},
        {Tab, "Jörg 日本\tj@c\n", AddressBookEntry{"Jörg 日本", "j@c"}},
        {Comma, "Ann,ann@a.example\n", ann}, {Comma, "Ann, ann@a.example\r\n", ann},
        // A quoted name with a comma gives one entry with the comma in it.
        {Comma, "\"Smith, Ann\",ann@a.example\n", smith},
        {Comma, "\"Smith, Ann\", \"ann@a.example\"\n", smith},
        // The address is the rest of the line, commas and all.
        {Comma, "Ann,ann@a.example,Notes,\n", AddressBookEntry{"Ann", "ann@a.example,Notes,"}},
        {Comma, "Ann\tTab,a@b\n", AddressBookEntry{"Ann Tab", "a@b"}},
        {Comma, ",ann@a.example\n", AddressBookEntry{"", "ann@a.example"}},
        {Comma, "Ann,\n", AddressBookEntry{"Ann", ""}},
        {Comma, "\"Smith, Ann\" ann@a.example\n", std::nullopt},  // only a quoted comma
        {Comma, "\"unclosed, Ann,ann@a.example\n", std::nullopt},
        {Comma, "no comma here\n", std::nullopt}, {Comma, "\n", std::nullopt},
    };
    for (const auto& [delimiter, line, expected] : cases) {
        EXPECT_EQ(ParseDelimitedLine(line, delimiter), expected) << line;
    }
}

// Every imported entry comes back from the file: one without an address is skipped, one without a
// name is named by its address.
TEST(ImportDelimitedText, AppendsEveryLineThatParsesAndCanBeStored) {
    AddressBook book{"Book", {{"Kept", "kept@k.example"}}};
    const std::string text =
        "Name,E-mail Address\r\n\"Smith, Ann\",ann@a.example\r\ngarbage\r\n\r\nBob,bob@b.example\n"
        ",nameless@n.example\nNo address,\n";
    EXPECT_EQ(ImportDelimitedText(book, text, Delimiter::Comma), 4u);
    EXPECT_EQ(book.entries, (std::vector<AddressBookEntry>{{"Kept", "kept@k.example"},
                                                           {"Name", "E-mail Address"},
                                                           {"Smith, Ann", "ann@a.example"},
                                                           {"Bob", "bob@b.example"},
                                                           {"nameless@n.example", "nameless@n.example"}}));
}

}  // namespace
}  // namespace tarvox
