// The two TCP ports of a profile, the POP3 server's and the SMTP server's, as
// Save and Connect check them.
#pragma once

#include <string_view>

#include "config/profile.h"

namespace tarvox {

inline constexpr std::string_view kPortRangeText = "The port must be a number from 1 to 65535";

// True for a port a connection can go to: 1 to 65535 (port 0 is reserved,
// RFC 6335 section 6).
constexpr bool IsPortNumber(int value) {
    return value >= 1 && value <= 65535;
}

// The first port of the profile that is no port, in the order the tabs show
// them: the POP3 port, then the SMTP port.
enum class PortField { None, Pop3, Smtp };

PortField FirstBadPort(const Profile& profile);

}  // namespace tarvox
