// Loopback sockets at ports the system picks, and the TLS library loaded once.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>

#include "net/tls_library.h"

namespace tarvox {

// A TCP socket on 127.0.0.1 (`port` 0 when binding failed), listening unless `backlog` < 0.
inline int LoopbackSocket(int backlog, std::uint16_t& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    const bool bound = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                       (backlog < 0 || ::listen(fd, backlog) == 0) &&
                       ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0;
    port = bound ? ntohs(address.sin_port) : 0;
    return fd;
}

// A loopback port nobody listens on: a connection there is refused at once.
inline std::uint16_t ClosedPort() {
    std::uint16_t port = 0;
    ::close(LoopbackSocket(-1, port));
    return port;
}

// A listener that never accepts: up to `backlog` connections complete and nobody answers.
class SilentListener {
public:
    explicit SilentListener(int backlog = 16) : m_fd(LoopbackSocket(backlog, m_port)) {}
    ~SilentListener() { ::close(m_fd); }
    SilentListener(const SilentListener&) = delete;
    SilentListener& operator=(const SilentListener&) = delete;
    std::uint16_t port() const { return m_port; }

private:
    std::uint16_t m_port = 0;
    int m_fd;
};

// OpenSSL bound once; never unloaded, since threads of any test may use it.
inline const TlsLibrary& LoadedTls() {
    static TlsLibrary* const library = new TlsLibrary;
    [[maybe_unused]] static const bool loaded = library->Load();
    return *library;
}

}  // namespace tarvox
