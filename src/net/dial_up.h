// Whether a dial-up connection is up. On Linux a dial-up link is a
// point-to-point interface (ppp, a mobile broadband wwan) that is up; the
// loopback and ordinary Ethernet or Wi-Fi interfaces do not count.
#pragma once

#include <string_view>

namespace tarvox {

// Whether the interface `name` with the SIOCGIFFLAGS `flags` is a dial-up
// link that is up.
bool IsDialUpInterface(std::string_view name, unsigned flags);

// Whether any interface of this machine is such a link. When the interfaces
// cannot be listed, none is.
bool RasConnected();

}  // namespace tarvox
