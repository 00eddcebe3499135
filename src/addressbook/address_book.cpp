#include "addressbook/address_book.h"

#include "codec/ascii.h"
#include "message/address_list.h"

namespace tarvox {

namespace {

bool EntryMatches(const AddressBookEntry& entry, std::string_view query) {
    return ContainsIgnoreAsciiCase(entry.name, query) ||
           ContainsIgnoreAsciiCase(entry.address, query);
}

// The bare address of a stored recipient text; empty when it holds none.
std::string BareAddress(std::string_view recipient) {
    AddressList parsed;
    ParseAddressList(recipient, parsed);
    return parsed.empty() ? std::string() : parsed.front().address;
}

template <typename Books>
auto FindIn(Books& books, std::string_view name) -> decltype(&books.books.front()) {
    if (name.empty()) {
        return nullptr;
    }
    for (auto& book : books.books) {
        if (book.name == name) {
            return &book;
        }
    }
    return nullptr;
}

}  // namespace

std::optional<AddressBookEntry> StorableEntry(AddressBookEntry entry) {
    if (entry.address.empty()) {
        return std::nullopt;
    }
    if (entry.name.empty()) {
        entry.name = entry.address;
    }
    return entry;
}

AddressBook* FindAddressBook(AddressBooks& books, std::string_view name) {
    return FindIn(books, name);
}

const AddressBook* FindAddressBook(const AddressBooks& books, std::string_view name) {
    return FindIn(books, name);
}

AddressBook SearchAddressBooks(const AddressBooks& books, std::string_view query) {
    AddressBook results{std::string(kSearchResultsName), {}};
    for (const AddressBook& book : books.books) {
        for (const AddressBookEntry& entry : book.entries) {
            if (EntryMatches(entry, query)) {
                results.entries.push_back(entry);
            }
        }
    }
    return results;
}

std::optional<std::string> ResolveAddress(const AddressBooks& books, std::string_view partial) {
    if (partial.empty()) {
        return std::nullopt;
    }
    const AddressBookEntry* match = nullptr;
    for (const AddressBook& book : books.books) {
        for (const AddressBookEntry& entry : book.entries) {
            if (EntryMatches(entry, partial)) {
                if (match != nullptr) {
                    return std::nullopt;  // ambiguous
                }
                match = &entry;
            }
        }
    }
    if (match != nullptr) {
        return match->address;
    }
    for (const std::string& recent : books.recently_used) {
        if (ContainsIgnoreAsciiCase(recent, partial)) {
            return recent;
        }
    }
    return std::nullopt;
}

void RememberRecipients(AddressBooks& books, std::string_view to, std::string_view cc,
                        std::string_view bcc) {
    AddressList recipients;
    for (std::string_view field : {to, cc, bcc}) {
        ParseAddressList(field, recipients);
    }
    std::vector<std::string>& recent = books.recently_used;
    for (const AddressEntry& recipient : recipients) {
        std::erase_if(recent, [&](const std::string& stored) {
            return EqualsIgnoreAsciiCase(BareAddress(stored), recipient.address);
        });
        recent.push_back(recipient.raw);
    }
    if (recent.size() > kRecentlyUsedLimit) {
        recent.erase(recent.begin(), recent.end() - kRecentlyUsedLimit);
    }
}

}  // namespace tarvox
