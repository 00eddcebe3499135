#include "net/net_connection.h"

#include <arpa/inet.h>
#include <algorithm>
#include <chrono>
#include <cerrno>
#include <csignal>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include "net/tls_library.h"

namespace tarvox {

// ---- Host lookup ----

bool ResolveHost(std::string_view host, std::uint16_t port, NetAddress& address) {
    address = NetAddress{};
    address.host.assign(host);
    std::string name(host);

    // A dotted IPv4 address in any form inet_addr takes is used without lookup.
    in_addr ipv4{};
    if (::inet_aton(name.c_str(), &ipv4) != 0) {
        NetAddress::Entry entry;
        auto* in = reinterpret_cast<sockaddr_in*>(&entry.address);
        in->sin_family = AF_INET;
        in->sin_port = htons(port);
        in->sin_addr = ipv4;
        entry.length = sizeof(sockaddr_in);
        address.entries.push_back(entry);
        return true;
    }

    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_ADDRCONFIG;
    addrinfo* results = nullptr;
    if (name.empty() || ::getaddrinfo(name.c_str(), nullptr, &hints, &results) != 0) {
        return false;
    }
    for (addrinfo* r = results; r != nullptr; r = r->ai_next) {
        if ((r->ai_family != AF_INET && r->ai_family != AF_INET6) ||
            r->ai_addrlen > sizeof(sockaddr_storage)) {
            continue;
        }
        NetAddress::Entry entry;
        std::memcpy(&entry.address, r->ai_addr, r->ai_addrlen);
        entry.length = r->ai_addrlen;
        if (r->ai_family == AF_INET) {
            reinterpret_cast<sockaddr_in*>(&entry.address)->sin_port = htons(port);
        } else {
            reinterpret_cast<sockaddr_in6*>(&entry.address)->sin6_port = htons(port);
        }
        address.entries.push_back(entry);
    }
    ::freeaddrinfo(results);
    return !address.entries.empty();
}

// ---- Calls in progress ----

NetConnection::CallGuard::CallGuard(NetConnection& connection) : m_connection(connection) {
    std::lock_guard lock(m_connection.m_mutex);
    ++m_connection.m_calls_in_progress;
    m_fd = m_connection.m_fd;
    m_tls = m_connection.m_tls;
}

NetConnection::CallGuard::~CallGuard() {
    std::lock_guard lock(m_connection.m_mutex);
    if (--m_connection.m_calls_in_progress == 0 && m_connection.m_release_pending) {
        m_connection.ReleaseLocked();
    }
}

NetConnection::NetConnection(const TlsLibrary* tls)
    : m_tls_library(tls), m_wake_fd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    // OpenSSL writes to the socket itself, without MSG_NOSIGNAL: a server that
    // hangs up must give a failed write, not end the program.
    static std::once_flag ignore_sigpipe;
    std::call_once(ignore_sigpipe, [] { std::signal(SIGPIPE, SIG_IGN); });
}

NetConnection::~NetConnection() {
    Close();
    if (m_wake_fd >= 0) {
        ::close(m_wake_fd);
    }
}

NetConnection::Wait NetConnection::WaitFor(int fd, short events) {
    pollfd fds[2] = {{fd, events, 0}, {m_wake_fd, POLLIN, 0}};
    const std::int64_t limit_ms = m_idle_limit_ms.load();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limit_ms);
    for (;;) {
        int timeout = -1;
        if (limit_ms > 0) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            timeout = static_cast<int>(std::clamp<std::int64_t>(left.count(), 0, INT_MAX));
        }
        int ready = ::poll(fds, 2, timeout);
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            return Wait::Failed;
        }
        if (ready == 0) {
            return Wait::TimedOut;
        }
        if (fds[1].revents != 0) {
            return Wait::Aborted;
        }
        return Wait::Ready;
    }
}

NetResult NetConnection::WaitFailure(Wait wait) {
    switch (wait) {
        case Wait::Aborted:
            return NetResult::Aborted;
        case Wait::TimedOut:
            return NetResult::Broken;
        case Wait::Ready:
        case Wait::Failed:
            break;
    }
    return MapSocketError(errno);
}

// Frees the TLS object (after a close-notify) and closes the socket. Called
// with the mutex held when no call is in progress.
void NetConnection::ReleaseLocked() {
    m_release_pending = false;
    if (m_tls != nullptr) {
        if (m_tls_library != nullptr && m_tls_library->Available()) {
            const TlsFunctions& f = m_tls_library->functions();
            f.SSL_shutdown(m_tls);
            f.SSL_free(m_tls);
        }
        m_tls = nullptr;
    }
    m_tls_active = false;
    if (m_fd >= 0) {
        ::shutdown(m_fd, SHUT_WR);
        ::close(m_fd);
        m_fd = -1;
    }
}

// ---- Connect ----

NetResult NetConnection::ConnectOne(const NetAddress::Entry& entry, int& fd_out) {
    int fd = ::socket(entry.address.ss_family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        return NetResult::NoSocket;
    }
    {
        std::lock_guard lock(m_mutex);
        m_fd = fd;
    }
    CallGuard call(*this);
    int rc = ::connect(fd, reinterpret_cast<const sockaddr*>(&entry.address), entry.length);
    if (rc != 0 && errno == EINPROGRESS) {
        if (WaitFor(fd, POLLOUT) == Wait::Ready) {
            int error = 0;
            socklen_t length = sizeof(error);
            rc = (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0)
                     ? 0
                     : -1;
        }
    }
    std::lock_guard lock(m_mutex);
    if (rc != 0 || m_aborted) {
        // Whoever is last out closes the socket; make sure that happens.
        m_release_pending = true;
        return NetResult::ConnectFailed;
    }
    fd_out = fd;
    return NetResult::Success;
}

NetResult NetConnection::Handshake(int fd, TlsSsl* ssl) {
    const TlsFunctions& f = m_tls_library->functions();
    m_in_tls_call = true;
    NetResult result = NetResult::Success;
    for (;;) {
        f.ERR_clear_error();
        int rc = f.SSL_connect(ssl);
        if (rc == 1) {
            break;
        }
        int error = f.SSL_get_error(ssl, rc);
        Wait wait = Wait::Failed;
        if (error == tls::kErrorWantRead) {
            wait = WaitFor(fd, POLLIN);
        } else if (error == tls::kErrorWantWrite) {
            wait = WaitFor(fd, POLLOUT);
        }
        if (wait != Wait::Ready) {
            // A server that refused the handshake (shut it down in order, or
            // sent a fatal alert) gives 7; anything else is most likely a
            // server that does not speak TLS on this port.
            unsigned long last = f.ERR_peek_last_error();
            unsigned long reason = last & tls::kReasonMask;
            bool peer_alert = (last & tls::kSystemErrorFlag) == 0 &&
                              reason >= tls::kPeerAlertReasonFirst &&
                              reason <= tls::kPeerAlertReasonLast;
            result = (rc == 0 || peer_alert) && wait != Wait::Aborted ? NetResult::HandshakeFailed
                                                                      : NetResult::TlsWrongProtocol;
            if (wait == Wait::TimedOut) {
                result = NetResult::Broken;
            }
            break;
        }
    }
    m_in_tls_call = false;
    return result;
}

NetResult NetConnection::Connect(bool direct_tls, const NetAddress& address) {
    {
        std::lock_guard lock(m_mutex);
        if (m_fd >= 0 || m_calls_in_progress > 0) {
            m_release_pending = true;
            if (m_calls_in_progress == 0) {
                ReleaseLocked();
            }
        }
        m_aborted = false;
        m_server_name = address.host;
        std::uint64_t drained = 0;
        while (::read(m_wake_fd, &drained, sizeof(drained)) > 0) {
        }
    }
    m_connected = false;
    m_tls_active = false;
    // Checked after the wake-up descriptor was drained: an Abort from now on
    // either is seen here or wakes the connect below.
    if (m_abort_requested) {
        return NetResult::Aborted;
    }
    if (direct_tls && (m_tls_library == nullptr || !m_tls_library->Available())) {
        return NetResult::TlsNotLoaded;
    }
    NetResult result = address.entries.empty() ? NetResult::ConnectFailed : NetResult::NoSocket;
    int fd = -1;
    for (const NetAddress::Entry& entry : address.entries) {
        result = ConnectOne(entry, fd);
        if (result == NetResult::Success) {
            break;
        }
        std::lock_guard lock(m_mutex);
        if (m_aborted) {
            break;
        }
    }
    if (result != NetResult::Success) {
        return result;
    }
    m_connected = true;
    if (direct_tls) {
        result = StartTls();
        if (result != NetResult::Success) {
            m_connected = false;
            std::lock_guard lock(m_mutex);
            if (m_tls != nullptr) {
                m_tls_library->functions().SSL_free(m_tls);
                m_tls = nullptr;
            }
            m_release_pending = true;
            if (m_calls_in_progress == 0) {
                ReleaseLocked();
            }
            return result;
        }
    }
    return NetResult::Success;
}

NetResult NetConnection::StartTls() {
    if (!m_connected) {
        return NetResult::NotConnected;
    }
    if (m_tls_active) {
        return NetResult::Success;
    }
    if (m_tls_library == nullptr || !m_tls_library->Available()) {
        return NetResult::TlsNotLoaded;
    }
    const TlsFunctions& f = m_tls_library->functions();
    TlsSsl* ssl = f.SSL_new(m_tls_library->context());
    if (ssl == nullptr) {
        return NetResult::NoTlsSocket;
    }
    int fd = -1;
    std::string server_name;
    {
        std::lock_guard lock(m_mutex);
        fd = m_fd;
        server_name = m_server_name;
    }
    if (fd < 0 || f.SSL_set_fd(ssl, fd) != 1) {
        f.SSL_free(ssl);
        return NetResult::NoTlsSocket;
    }
    // RFC 6066 section 3: the server name is a host name, never an address.
    // The chain is verified for the name, or for the address (RFC 6125).
    in6_addr literal{};
    if (!server_name.empty() && ::inet_pton(AF_INET, server_name.c_str(), &literal) != 1 &&
        ::inet_pton(AF_INET6, server_name.c_str(), &literal) != 1) {
        f.SSL_ctrl(ssl, tls::kCtrlSetTlsextHostname, tls::kNameTypeHostName, server_name.data());
        f.SSL_set1_host(ssl, server_name.c_str());
    } else if (!server_name.empty()) {
        f.X509_VERIFY_PARAM_set1_ip_asc(f.SSL_get0_param(ssl), server_name.c_str());
    }
    NetResult result;
    {
        CallGuard call(*this);
        result = call.fd() < 0 ? NetResult::NotConnected : Handshake(call.fd(), ssl);
    }
    std::lock_guard lock(m_mutex);
    if (result != NetResult::Success || !m_connected) {
        f.SSL_free(ssl);
        return result != NetResult::Success ? result : NetResult::Aborted;
    }
    m_tls = ssl;
    m_tls_active = true;
    return NetResult::Success;
}

// ---- Send and receive ----

NetResult NetConnection::AwaitTls(int fd, int tls_error) {
    Wait wait = tls_error == tls::kErrorWantRead    ? WaitFor(fd, POLLIN)
                : tls_error == tls::kErrorWantWrite ? WaitFor(fd, POLLOUT)
                                                    : Wait::Failed;
    if (wait == Wait::Ready) {
        return NetResult::Success;
    }
    return wait == Wait::Failed ? MapTlsError(tls_error) : WaitFailure(wait);
}

NetResult NetConnection::CheckCall(const CallGuard& call) const {
    if (!m_connected) {
        return NetResult::NotConnected;
    }
    if (m_tls_active && (m_tls_library == nullptr || !m_tls_library->Available())) {
        return NetResult::TlsNotLoaded;
    }
    if (call.fd() < 0) {
        return NetResult::NotConnected;
    }
    if (m_tls_active && call.tls() == nullptr) {
        return NetResult::NullPointer;
    }
    return NetResult::Success;
}

template <class Io>
NetResult NetConnection::TlsTransfer(const CallGuard& call, Io io, int& moved) {
    const TlsFunctions& f = m_tls_library->functions();
    for (;;) {
        f.ERR_clear_error();
        moved = io();
        if (moved > 0) {
            return NetResult::Success;
        }
        NetResult result = AwaitTls(call.fd(), f.SSL_get_error(call.tls(), moved));
        if (result != NetResult::Success) {
            return result;
        }
    }
}

template <class Io>
NetResult NetConnection::SocketTransfer(int fd, short events, Io io, ssize_t& moved) {
    for (;;) {
        moved = io();
        if (moved >= 0) {
            return NetResult::Success;
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            return MapSocketError(errno);
        }
        Wait wait = WaitFor(fd, events);
        if (wait != Wait::Ready) {
            return WaitFailure(wait);
        }
    }
}

NetResult NetConnection::Send(std::string_view bytes) {
    CallGuard call(*this);
    NetResult result = CheckCall(call);
    if (result != NetResult::Success) {
        return result;
    }
    if (m_tls_active) {
        const TlsFunctions& f = m_tls_library->functions();
        m_in_tls_call = true;
        while (!bytes.empty() && result == NetResult::Success) {
            int piece = static_cast<int>(std::min<std::size_t>(bytes.size(), INT_MAX));
            int written = 0;
            result = TlsTransfer(
                call, [&] { return f.SSL_write(call.tls(), bytes.data(), piece); }, written);
            if (result == NetResult::Success) {
                bytes.remove_prefix(static_cast<std::size_t>(written));
            }
        }
        m_in_tls_call = false;
        return result;
    }
    while (!bytes.empty() && result == NetResult::Success) {
        ssize_t sent = 0;
        result = SocketTransfer(
            call.fd(), POLLOUT,
            [&] { return ::send(call.fd(), bytes.data(), bytes.size(), MSG_NOSIGNAL); }, sent);
        if (result == NetResult::Success) {
            bytes.remove_prefix(static_cast<std::size_t>(sent));
        }
    }
    return result;
}

NetResult NetConnection::Receive(char* buffer, std::size_t capacity, std::size_t* received) {
    if (buffer == nullptr) {
        return NetResult::NullPointer;
    }
    CallGuard call(*this);
    NetResult result = CheckCall(call);
    if (result != NetResult::Success) {
        return result;
    }
    if (capacity == 0) {
        // What a blocking recv of zero bytes reports, and what OpenSSL makes
        // of a read of nothing.
        return m_tls_active ? NetResult::TlsClosed : NetResult::GracefullyClosed;
    }
    std::size_t count = 0;
    if (m_tls_active) {
        const TlsFunctions& f = m_tls_library->functions();
        const int wanted = static_cast<int>(std::min<std::size_t>(capacity, INT_MAX));
        int read = 0;
        m_in_tls_call = true;
        result = TlsTransfer(
            call, [&] { return f.SSL_read(call.tls(), buffer, wanted); }, read);
        m_in_tls_call = false;
        count = static_cast<std::size_t>(read);
    } else {
        ssize_t read = 0;
        result = SocketTransfer(
            call.fd(), POLLIN, [&] { return ::recv(call.fd(), buffer, capacity, 0); }, read);
        if (result == NetResult::Success && read == 0) {
            return NetResult::GracefullyClosed;
        }
        count = static_cast<std::size_t>(read);
    }
    if (result == NetResult::Success && received != nullptr) {
        *received = count;
    }
    return result;
}

// ---- Close ----

NetResult NetConnection::Abort() {
    m_abort_requested = true;
    return Close();
}

NetResult NetConnection::Close() {
    m_connected = false;
    std::lock_guard lock(m_mutex);
    m_aborted = true;
    std::uint64_t one = 1;
    [[maybe_unused]] ssize_t ignored = ::write(m_wake_fd, &one, sizeof(one));
    if (m_fd < 0) {
        return NetResult::InvalidSocket;
    }
    if (m_calls_in_progress > 0) {
        // A worker is inside a call: wake it; it releases everything on its
        // way out.
        ::shutdown(m_fd, SHUT_RDWR);
        m_release_pending = true;
        return NetResult::Success;
    }
    int shutdown_result = 0;
    if (m_tls != nullptr && m_tls_library != nullptr && m_tls_library->Available()) {
        const TlsFunctions& f = m_tls_library->functions();
        shutdown_result = f.SSL_shutdown(m_tls);
        f.SSL_free(m_tls);
        m_tls = nullptr;
    }
    m_tls = nullptr;
    m_tls_active = false;
    ::shutdown(m_fd, SHUT_WR);
    int close_result = ::close(m_fd);
    int close_errno = errno;
    m_fd = -1;
    m_release_pending = false;
    if (shutdown_result < 0) {
        return NetResult::TlsCloseFailed;
    }
    return close_result == 0 ? NetResult::Success : MapSocketError(close_errno);
}

// ---- One reply ----

NetResult ReadReply(NetConnection& connection, std::string& reply, std::size_t size) {
    reply.clear();
    std::string piece;
    for (;;) {
        std::size_t room = size > reply.size() + 1 ? size - 1 - reply.size() : 0;
        piece.resize(room);
        std::size_t received = 0;
        NetResult result = connection.Receive(piece.data(), room, &received);
        if (result != NetResult::Success) {
            return result;
        }
        reply.append(piece.data(), received);
        if (reply.find("\r\n") != std::string::npos) {
            return NetResult::Success;
        }
    }
}

}  // namespace tarvox
