#include "net/reverse_lookup.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <array>

namespace tarvox {

std::string LookupHostName(std::string_view dotted_address) {
    const std::string text(dotted_address);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    if (::inet_pton(AF_INET, text.c_str(), &address.sin_addr) != 1) {
        return {};
    }
    std::array<char, NI_MAXHOST> host{};
    // NI_NAMEREQD: no name is an error, never the address text given back.
    if (::getnameinfo(reinterpret_cast<const sockaddr*>(&address), sizeof address, host.data(),
                      host.size(), nullptr, 0, NI_NAMEREQD) != 0) {
        return {};
    }
    return std::string(host.data());
}

}  // namespace tarvox
