#include "net/net_result.h"

#include <array>
#include <cerrno>

namespace tarvox {

std::string_view NetResultText(NetResult code) {
    static constexpr std::array<std::string_view, 26> kTexts = {
        "unknown error",
        "success",
        "need SSL support (not loaded)",
        "null pointer used in function call",
        "unable to make new socket",
        "unable to connect to host",
        "unable to make new SSL socket",
        "SSL handshake failed",
        "unable to connect using SSL; wrong protocol?",
        "error closing SSL socket",
        "error closing socket",
        "socket gracefully closed",
        "socket not connected",
        "connection has been reset",
        "reference to invalid socket",
        "socket was shut down",
        "receive buffer overflow",
        "connection broken; failure or timeout",
        "SSL closed during I/O",
        "SSL I/O incomplete",
        "SSL I/O error",
        "SSL protocol error",
        "no winsock buffer available",
        "remote host unreachable",
        "aborted socket call",
        "blocking operation in progress",
    };
    const int index = static_cast<int>(code);
    if (index < 0 || static_cast<std::size_t>(index) >= kTexts.size()) {
        return kTexts[0];
    }
    return kTexts[static_cast<std::size_t>(index)];
}

NetResult MapSocketError(int error_number) {
    switch (error_number) {
        case EINTR:
            return NetResult::Aborted;
        case EINPROGRESS:
            return NetResult::InProgress;
        case ENOTSOCK:
        case EBADF:
            return NetResult::InvalidSocket;
        case EMSGSIZE:
            return NetResult::BufferOverflow;
        case ENETRESET:
        case ECONNABORTED:
        case ETIMEDOUT:
            return NetResult::Broken;
        case ECONNRESET:
            return NetResult::ConnectionReset;
        case ENOBUFS:
            return NetResult::NoBuffers;
        case ENOTCONN:
            return NetResult::NotConnected;
        case ESHUTDOWN:
        case EPIPE:
            return NetResult::ShutDown;
        case EHOSTUNREACH:
        case ENETUNREACH:
            return NetResult::Unreachable;
        default:
            return NetResult::Unknown;
    }
}

NetResult MapTlsError(int tls_error) {
    switch (tls_error) {
        case 1:  // SSL_ERROR_SSL
            return NetResult::TlsProtocolError;
        case 2:  // SSL_ERROR_WANT_READ
        case 3:  // SSL_ERROR_WANT_WRITE
            return NetResult::TlsIncomplete;
        case 5:  // SSL_ERROR_SYSCALL
            return NetResult::TlsIoError;
        case 6:  // SSL_ERROR_ZERO_RETURN
            return NetResult::TlsClosed;
        default:
            return NetResult::Unknown;
    }
}

}  // namespace tarvox
