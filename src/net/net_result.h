// The result of every transport step: Success, or a failure; each value has one
// fixed text that callers show as "Error: %s" or in message boxes.
#pragma once

#include <string_view>

namespace tarvox {

enum class NetResult : int {
    Unknown = 0,
    Success = 1,
    TlsNotLoaded = 2,
    NullPointer = 3,
    NoSocket = 4,
    ConnectFailed = 5,
    NoTlsSocket = 6,
    HandshakeFailed = 7,
    TlsWrongProtocol = 8,
    TlsCloseFailed = 9,
    CloseFailed = 10,
    GracefullyClosed = 11,
    NotConnected = 12,
    ConnectionReset = 13,
    InvalidSocket = 14,
    ShutDown = 15,
    BufferOverflow = 16,
    Broken = 17,
    TlsClosed = 18,
    TlsIncomplete = 19,
    TlsIoError = 20,
    TlsProtocolError = 21,
    NoBuffers = 22,
    Unreachable = 23,
    Aborted = 24,
    InProgress = 25,
};

// The fixed text of a code; "unknown error" for Unknown and anything not listed.
std::string_view NetResultText(NetResult code);

// An errno value of a failed socket call as a code (Unknown when it has none).
NetResult MapSocketError(int error_number);

// The TLS library's classification of a failed read or write (SSL_get_error)
// as a code (Unknown when it has none).
NetResult MapTlsError(int tls_error);

}  // namespace tarvox
