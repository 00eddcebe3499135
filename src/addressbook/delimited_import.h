// Importing names and addresses from comma or tab delimited text files, as
// spreadsheets and other mail programs export them.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "addressbook/address_book.h"

namespace tarvox {

enum class Delimiter { Comma, Tab };

// A field as read: leading blanks and tabs removed and tabs made blanks, then
// one pair of enclosing double quotes removed, then blanks, tabs and quotes
// treated the same way once more. Trailing blanks stay.
std::string CleanImportedField(std::string_view field);

// One line (its line end, LF or CR LF, may be included) as a name and an
// address, or nothing when the line does not parse:
//   Tab: the name up to the first tab, then the address up to the next tab
//        or the end of the line; both must be non-empty.
//   Comma: the line split at the first comma outside double quotes (each
//        quote opens or closes a quoted part); the name before it, the address
//        the rest of the line.
// The line is stored text (UTF-8 when it is UTF-8 with a multi-byte
// sequence, else ISO-8859-1). Both fields are cleaned.
std::optional<AddressBookEntry> ParseDelimitedLine(std::string_view line, Delimiter delimiter);

// Appends one entry for each line of `text` that parses and is storable
// (StorableEntry: a line without an address is skipped, one without a name
// takes the address as its name); returns how many.
std::size_t ImportDelimitedText(AddressBook& book, std::string_view text, Delimiter delimiter);

// ImportDelimitedText on the file at `path`; nothing when it cannot be read.
std::optional<std::size_t> ImportDelimitedFile(AddressBook& book, const std::filesystem::path& path,
                                               Delimiter delimiter);

}  // namespace tarvox
