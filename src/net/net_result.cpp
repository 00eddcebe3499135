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
    if (code < 0 || static_cast<std::size_t>(code) >= kTexts.size()) {
        return kTexts[0];
    }
    return kTexts[static_cast<std::size_t>(code)];
}

NetResult MapSocketError(int error_number) {
    switch (error_number) {
        case EINTR:
            return net::kAborted;
        case EINPROGRESS:
            return net::kInProgress;
        case ENOTSOCK:
        case EBADF:
            return net::kInvalidSocket;
        case EMSGSIZE:
            return net::kBufferOverflow;
        case ENETRESET:
        case ECONNABORTED:
        case ETIMEDOUT:
            return net::kBroken;
        case ECONNRESET:
            return net::kConnectionReset;
        case ENOBUFS:
            return net::kNoBuffers;
        case ENOTCONN:
            return net::kNotConnected;
        case ESHUTDOWN:
        case EPIPE:
            return net::kShutDown;
        case EHOSTUNREACH:
        case ENETUNREACH:
            return net::kUnreachable;
        default:
            return net::kUnknown;
    }
}

NetResult MapTlsError(int tls_error) {
    switch (tls_error) {
        case 1:  // SSL_ERROR_SSL
            return net::kTlsProtocolError;
        case 2:  // SSL_ERROR_WANT_READ
        case 3:  // SSL_ERROR_WANT_WRITE
            return net::kTlsIncomplete;
        case 5:  // SSL_ERROR_SYSCALL
            return net::kTlsIoError;
        case 6:  // SSL_ERROR_ZERO_RETURN
            return net::kTlsClosed;
        default:
            return net::kUnknown;
    }
}

}  // namespace tarvox
