// The first foreign relay of a message: walking the Received headers from the
// top (the most recent relay first), the first IPv4 address that is not in one
// of the user's own provider networks.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarvox {

// The first address, in "[...]" or "(...)" form, of one Received header's text.
std::optional<std::string> ExtractReceivedAddress(std::string_view received);

// True when an item of the comma list is a prefix of the address text. The
// match is textual: "10." stops at an octet boundary, "10.1" does not.
bool InProviderNetworks(std::string_view networks, std::string_view address);

std::optional<std::string> FindForeignAddress(std::string_view header_text,
                                              std::string_view networks);

}  // namespace tarvox
