// Small pieces the network tests share: a loopback port nobody listens on and
// the TLS library loaded once for the whole test program.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>

#include "net/tls_library.h"

namespace tarvox {

// A loopback port nobody listens on: a connection there is refused at once.
inline std::uint16_t ClosedPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return ntohs(address.sin_port);
}

// OpenSSL bound once; never unloaded, since threads of any test may use it.
inline const TlsLibrary& LoadedTls() {
    static TlsLibrary* library = [] {
        auto* loaded = new TlsLibrary;
        loaded->Load();
        return loaded;
    }();
    return *library;
}

}  // namespace tarvox
