// What the address book manager does to the books: New, Rename, Delete, the
// save of an edited book's table, and the addresses picked for a composer.
// The windows show the texts; the rules are here.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "addressbook/address_book.h"

namespace tarvox {

inline constexpr std::string_view kBookNameTaken = "There is already an address book with this name";
inline constexpr std::string_view kEditedBookLost =
    "Unable to locate address book that was being edited!";

enum class BookNameResult {
    Done,
    Empty,  // nothing is done
    Taken,  // kBookNameTaken
};

// New: an empty book named `name` at the top of the list.
BookNameResult AddBook(AddressBooks& books, std::string_view name);

// Rename: book `index` takes `name` when no other book has it.
BookNameResult RenameBook(AddressBooks& books, std::size_t index, std::string_view name);

// "Are you sure you want to delete this address book\nand the 3 entries it contains?"
std::string DeleteBookQuestion(const AddressBook& book);

enum class TableSave {
    Saved,
    BookLost,      // no book has the table's title: kEditedBookLost
    EmptyAddress,  // a row has a name but no address: nothing is saved
};

struct TableSaveResult {
    TableSave result = TableSave::Saved;
    std::size_t row = 0;  // with EmptyAddress, the first such row (from 0)
};

// The text for a refused row (from 0), shown with that row selected.
std::string EmptyAddressText(std::size_t row);

// Save of the table of the book named `title`: its entries become the rows,
// in row order. Every saved entry reads back from the address book file: a
// row with neither name nor address is left out, one without a name is named
// by its address, and one without an address refuses the whole save. On any
// refusal the book keeps its entries.
TableSaveResult SaveTableRows(AddressBooks& books, std::string_view title,
                              const std::vector<AddressBookEntry>& rows);

// The first address of a From text as an entry to offer for a book: named by
// its display name, or by the address when it has none; no address when the
// text holds none.
AddressBookEntry SenderEntry(std::string_view from);

// What Paste inserts at the cursor of an address field whose text before the
// cursor is `before`: the addresses, after ", " when they would else run on
// from an address typed there.
std::string PastedText(std::string_view before, std::string_view addresses);

// Paste: the addresses of the marked entries, in order, joined with ", ".
std::string JoinMarkedAddresses(const std::vector<AddressBookEntry>& entries,
                                const std::vector<bool>& marked);

}  // namespace tarvox
