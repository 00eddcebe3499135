// The first foreign relay of a message: walking the Received headers from the
// top (the most recent relay first), the first IPv4 address that is not in one
// of the user's own provider networks.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarvox {

class FrontendServices;

// The first address, in "[...]" or "(...)" form, of one Received header's text.
std::optional<std::string> ExtractReceivedAddress(std::string_view received);

// True when an item of the comma list is a prefix of the address text. The
// match is textual: "10." stops at an octet boundary, "10.1" does not.
bool InProviderNetworks(std::string_view networks, std::string_view address);

// What the Foreign IP dialog offers to add for an address: the text up to
// and including its second-to-last period ("192.168.0.1" gives "192.168.").
// A text with fewer than two periods is offered whole.
std::string SuggestedNetwork(std::string_view address);

// Whether a network typed by the user is taken into the list: it holds
// exactly three periods (a whole address) or ends in a period, so that it
// cannot match in the middle of an octet.
bool IsAcceptableNetwork(std::string_view network);

// Asks for a network to add to the provider's list, starting from the one
// SuggestedNetwork gives for `address`; a network that IsAcceptableNetwork
// refuses gets a warning and the question again with the refused text.
// Nothing when the user cancels.
std::optional<std::string> AskForProviderNetwork(FrontendServices& services,
                                                 std::string_view address);

std::optional<std::string> FindForeignAddress(std::string_view header_text,
                                              std::string_view networks);

}  // namespace tarvox
