// The two export files of one address book, as stored text (ISO-8859-1 when
// the book fits it, else UTF-8). Lines end in CR LF.
#pragma once

#include <filesystem>
#include <string>

#include "addressbook/address_book.h"

namespace tarvox {

// For printing and for "&Text file...": the book's name between two lines of
// "-" as long as the name in characters, an empty line, then one line per entry: the name
// padded with blanks to the longest name of the book, a tab, the address.
std::string FormatBookText(const AddressBook& book);

// For "Ta&b delimited...": one line per entry, the name, a tab, the address.
std::string FormatBookTabDelimited(const AddressBook& book);

enum class BookExportForm { Text, TabDelimited };

// Writes the book in that form to `path`, replacing the file whole (a link is
// followed; a new file gets mode 0600); false when it could not be written.
bool WriteBookExport(const AddressBook& book, BookExportForm form,
                     const std::filesystem::path& path);

}  // namespace tarvox
