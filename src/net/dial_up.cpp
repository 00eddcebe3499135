#include "net/dial_up.h"

#include <ifaddrs.h>
#include <net/if.h>

namespace tarvox {

bool IsDialUpInterface(std::string_view name, unsigned flags) {
    if ((flags & IFF_UP) == 0 || (flags & IFF_LOOPBACK) != 0) {
        return false;
    }
    return (flags & IFF_POINTOPOINT) != 0 || name.starts_with("ppp") || name.starts_with("wwan") ||
           name.starts_with("wwp");
}

bool RasConnected() {
    ifaddrs* interfaces = nullptr;
    if (getifaddrs(&interfaces) != 0) {
        return false;
    }
    bool connected = false;
    for (const ifaddrs* entry = interfaces; entry != nullptr && !connected; entry = entry->ifa_next) {
        connected = entry->ifa_name != nullptr && IsDialUpInterface(entry->ifa_name, entry->ifa_flags);
    }
    freeifaddrs(interfaces);
    return connected;
}

}  // namespace tarvox
