// The host name of an IPv4 address, asked of the system's resolver.
#pragma once

#include <string>
#include <string_view>

namespace tarvox {

// The name the resolver gives for a dotted IPv4 address (a PTR record, or
// the hosts file); empty when the text is not an address or no name is
// known. Blocks while the resolver works; call it off the window thread.
std::string LookupHostName(std::string_view dotted_address);

}  // namespace tarvox
