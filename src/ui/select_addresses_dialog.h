// "Select address(es)": the entries of one address book (or of a search) in a
// list with a mark on each row, to paste the marked addresses into the
// composer's address field that opened the address book manager. A click on
// a row, or the space bar on the current row, toggles its mark; "Select &all
// addresses" marks or unmarks every row; "&Paste" gives the marked addresses
// joined with ", " (JoinMarkedAddresses); Cancel gives nothing. Without a
// waiting field both "Select &all addresses" and "&Paste" are disabled.
#pragma once

#include <optional>
#include <string>

class QWidget;

namespace tarvox {

struct AddressBook;

// Runs the dialog modally, titled with the book's name; the text to paste, if any.
std::optional<std::string> SelectAddresses(const AddressBook& book, bool field_waiting,
                                           QWidget* parent = nullptr);

}  // namespace tarvox
