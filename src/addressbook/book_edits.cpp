#include "addressbook/book_edits.h"

#include "codec/text_format.h"
#include "message/address_list.h"

namespace tarvox {

namespace {

bool NameTakenByAnother(const AddressBooks& books, std::string_view name, std::size_t self) {
    for (std::size_t i = 0; i < books.books.size(); ++i) {
        if (i != self && books.books[i].name == name) {
            return true;
        }
    }
    return false;
}

}  // namespace

BookNameResult AddBook(AddressBooks& books, std::string_view name) {
    if (name.empty()) {
        return BookNameResult::Empty;
    }
    if (FindAddressBook(books, name) != nullptr) {
        return BookNameResult::Taken;
    }
    books.books.insert(books.books.begin(), AddressBook{std::string(name), {}});
    return BookNameResult::Done;
}

BookNameResult RenameBook(AddressBooks& books, std::size_t index, std::string_view name) {
    if (name.empty() || index >= books.books.size()) {
        return BookNameResult::Empty;
    }
    if (NameTakenByAnother(books, name, index)) {
        return BookNameResult::Taken;
    }
    books.books[index].name = name;
    return BookNameResult::Done;
}

std::string DeleteBookQuestion(const AddressBook& book) {
    return TextFormat(
        "Are you sure you want to delete this address book\nand the %d entries it contains?",
        static_cast<int>(book.entries.size()));
}

std::string EmptyAddressText(std::size_t row) {
    return TextFormat(
        "Row %zu has a name but no address. Enter its address, or delete the row, and save "
        "again.",
        row + 1);
}

TableSaveResult SaveTableRows(AddressBooks& books, std::string_view title,
                              const std::vector<AddressBookEntry>& rows) {
    AddressBook* book = FindAddressBook(books, title);
    if (book == nullptr) {
        return {TableSave::BookLost};
    }
    std::vector<AddressBookEntry> entries;
    entries.reserve(rows.size());
    for (std::size_t row = 0; row < rows.size(); ++row) {
        if (rows[row].name.empty() && rows[row].address.empty()) {
            continue;
        }
        std::optional<AddressBookEntry> entry = StorableEntry(rows[row]);
        if (!entry) {
            return {TableSave::EmptyAddress, row};
        }
        entries.push_back(std::move(*entry));
    }
    book->entries = std::move(entries);
    return {TableSave::Saved};
}

AddressBookEntry SenderEntry(std::string_view from) {
    AddressList list;
    if (ParseAddressList(from, list) == 0 || list.front().address.empty()) {
        return {};
    }
    const AddressEntry& first = list.front();
    return {first.name.empty() ? first.address : first.name, first.address};
}

std::string PastedText(std::string_view before, std::string_view addresses) {
    const std::size_t last = before.find_last_not_of(" \t");
    const bool separated = last == std::string_view::npos || before[last] == ',';
    return (separated || addresses.empty() ? "" : ", ") + std::string(addresses);
}

std::string JoinMarkedAddresses(const std::vector<AddressBookEntry>& entries,
                                const std::vector<bool>& marked) {
    std::string joined;
    for (std::size_t i = 0; i < entries.size() && i < marked.size(); ++i) {
        if (marked[i]) {
            if (!joined.empty()) {
                joined += ", ";
            }
            joined += entries[i].address;
        }
    }
    return joined;
}

}  // namespace tarvox
