// The address books and the list of recently used addresses, held in memory
// for the whole run, and the lookups the composer and the manager use.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvox {

struct AddressBookEntry {
    std::string name;
    std::string address;
    bool operator==(const AddressBookEntry&) const = default;
};

struct AddressBook {
    std::string name;
    std::vector<AddressBookEntry> entries;  // in insertion order
    bool operator==(const AddressBook&) const = default;
};

// The recently used list keeps at most this many addresses.
inline constexpr std::size_t kRecentlyUsedLimit = 100;

inline constexpr std::string_view kSearchResultsName = "Search results";

struct AddressBooks {
    std::vector<AddressBook> books;  // in file order
    // Each the raw text of one recipient as typed, display name included;
    // oldest first.
    std::vector<std::string> recently_used;
    bool operator==(const AddressBooks&) const = default;
};

// The entry as it can be kept: the file drops an entry whose name or address
// is empty when it is read back, so an entry without an address is refused
// (nothing) and one without a name takes its address as the name.
std::optional<AddressBookEntry> StorableEntry(AddressBookEntry entry);

// The book of exactly this name (letter case counts); nothing for an empty
// name. The pointer is valid until the list of books changes.
AddressBook* FindAddressBook(AddressBooks& books, std::string_view name);
const AddressBook* FindAddressBook(const AddressBooks& books, std::string_view name);

// A new book named "Search results" with copies of every entry, in book and
// entry order, whose name or address contains the query, letter case ignored.
AddressBook SearchAddressBooks(const AddressBooks& books, std::string_view query);

// Completes a partly typed recipient. The address of the one book entry whose
// name or address contains the text (letter case ignored); nothing when two or
// more entries do. When no entry does, the oldest recently used address that
// contains it. Nothing for an empty text.
std::optional<std::string> ResolveAddress(const AddressBooks& books, std::string_view partial);

// Records the recipients of a composer that closes: each recipient of To, Cc
// and Bcc in turn replaces every recently used address with the same bare
// address (letter case ignored) and goes to the end of the list as it was
// typed. The oldest addresses beyond the limit are dropped.
void RememberRecipients(AddressBooks& books, std::string_view to, std::string_view cc,
                        std::string_view bcc);

}  // namespace tarvox
