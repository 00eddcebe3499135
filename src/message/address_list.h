// Splitting an address header value ("A <a@x>, b@y (B)") into entries.
#pragma once

#include <string>
#include <string_view>

#include "message/header_summary.h"

namespace tarvox {

// Appends the entries of `text` to `list`; returns how many were appended.
// Entries end at a line feed, at a comma outside double quotes, or at the end.
std::size_t ParseAddressList(std::string_view text, AddressList& list);

// The addresses of the entries of `text` alone, joined by ", ": what the
// composer's "Strip email addresses" leaves in a field. Entries without an
// address are dropped.
std::string BareAddresses(std::string_view text);

}  // namespace tarvox
