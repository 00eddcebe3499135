#include "addressbook/book_edits.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "addressbook/address_book_file.h"

namespace tarvox {
namespace {

using Names = std::vector<std::string>;

Names BookNames(const AddressBooks& books) {
    Names names;
    for (const AddressBook& book : books.books) {
        names.push_back(book.name);
    }
    return names;
}

// New puts a book at the top; a name is taken only by the same letters in the same case.
TEST(BookEdits, NewAndRenameRefuseEmptyAndTakenNames) {
    AddressBooks books{{{"Work", {{"Ann", "ann@a.example"}}}}, {}};
    using enum BookNameResult;
    EXPECT_EQ(AddBook(books, "Default"), Done);
    EXPECT_EQ(AddBook(books, "Default"), Taken);
    EXPECT_EQ(AddBook(books, "default"), Done);
    EXPECT_EQ(AddBook(books, ""), Empty);
    EXPECT_EQ(BookNames(books), (Names{"default", "Default", "Work"}));

    const std::tuple<std::size_t, std::string, BookNameResult> renames[] = {
        {2, "Default", Taken}, {2, "", Empty}, {2, "Work", Done},  // its own name
        {2, "Office", Done},   {9, "Elsewhere", Empty},
    };
    for (const auto& [index, name, result] : renames) {
        EXPECT_EQ(RenameBook(books, index, name), result) << name;
    }
    EXPECT_EQ(BookNames(books), (Names{"default", "Default", "Office"}));
    EXPECT_EQ(books.books[2].entries.size(), 1u);
}

// Whatever is saved reads back from the file; a refused save changes nothing.
TEST(BookEdits, SaveTableRowsKeepsOnlyWhatReadsBack) {
    const std::vector<AddressBookEntry> old_entries = {{"Old", "old@o.example"}};
    const struct {
        std::string title;
        std::vector<AddressBookEntry> rows;
        TableSaveResult result;
        std::vector<AddressBookEntry> entries;
    } cases[] = {
        {"Work",
         {{"Ann", "ann@a.example"}, {"", ""}, {"", "bob@b.example"}},
         {TableSave::Saved},
         {{"Ann", "ann@a.example"}, {"bob@b.example", "bob@b.example"}}},
        {"Work", {}, {TableSave::Saved}, {}},
        {"Work", {{"Ann", "ann@a.example"}, {"?", ""}, {"Carl", ""}}, {TableSave::EmptyAddress, 1}, old_entries},
        {"work", {{"Ann", "ann@a.example"}}, {TableSave::BookLost}, old_entries},
    };
    for (const auto& c : cases) {
        AddressBooks books{{{"Work", old_entries}}, {}};
        const TableSaveResult result = SaveTableRows(books, c.title, c.rows);
        EXPECT_EQ(result.result, c.result.result);
        EXPECT_EQ(result.row, c.result.row);
        EXPECT_EQ(ReadAddressBooks(FormatAddressBooks(books)).books[0].entries, c.entries);
    }
}

TEST(BookEdits, SenderEntryIsTheFirstAddressNamed) {
    const std::pair<std::string, AddressBookEntry> cases[] = {
        {"Ann Archer <ann@x>, bob@x", {"Ann Archer", "ann@x"}}, {"bob@x", {"bob@x", "bob@x"}}, {"", {}},
    };
    for (const auto& [from, entry] : cases) {
        EXPECT_EQ(SenderEntry(from), entry) << from;
    }
}

TEST(BookEdits, PastedTextIsSeparatedFromATypedAddress) {
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {"", "a@x", "a@x"}, {"b@x", "a@x", ", a@x"}, {"b@x, ", "a@x", "a@x"}, {"b@x,", "a@x", "a@x"},
        {"  ", "a@x", "a@x"}, {"b@x", "", ""},
    };
    for (const auto& [before, addresses, pasted] : cases) {
        EXPECT_EQ(PastedText(before, addresses), pasted) << before;
    }
}

TEST(BookEdits, PasteJoinsTheMarkedAddressesInOrder) {
    const std::vector<AddressBookEntry> entries = {{"A", "a@x"}, {"B", "b@x"}, {"C", "c@x"}};
    const std::pair<std::vector<bool>, std::string> cases[] = {
        {{true, false, true}, "a@x, c@x"}, {{false, true, false}, "b@x"}, {{false, false, false}, ""},
        {{true}, "a@x"},
    };
    for (const auto& [marked, joined] : cases) {
        EXPECT_EQ(JoinMarkedAddresses(entries, marked), joined);
    }
}

}  // namespace
}  // namespace tarvox
