#include "addressbook/book_export.h"

#include <algorithm>

namespace tarvox {

std::string FormatBookText(const AddressBook& book) {
    const std::string rule(book.name.size(), '-');
    std::string out = rule + "\r\n" + book.name + "\r\n" + rule + "\r\n\r\n";
    std::size_t width = 0;
    for (const AddressBookEntry& entry : book.entries) {
        width = std::max(width, entry.name.size());
    }
    for (const AddressBookEntry& entry : book.entries) {
        out += entry.name;
        out.append(width - entry.name.size(), ' ');
        out += '\t';
        out += entry.address;
        out += "\r\n";
    }
    return out;
}

std::string FormatBookTabDelimited(const AddressBook& book) {
    std::string out;
    for (const AddressBookEntry& entry : book.entries) {
        out += entry.name;
        out += '\t';
        out += entry.address;
        out += "\r\n";
    }
    return out;
}

}  // namespace tarvox
