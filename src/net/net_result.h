// The result of every transport step: 1 is success, every other value has one
// fixed text that callers show as "Error: %s" or in message boxes.
#pragma once

#include <string_view>

namespace tarvox {

using NetResult = int;

namespace net {
inline constexpr NetResult kUnknown = 0;
inline constexpr NetResult kSuccess = 1;
inline constexpr NetResult kTlsNotLoaded = 2;
inline constexpr NetResult kNullPointer = 3;
inline constexpr NetResult kNoSocket = 4;
inline constexpr NetResult kConnectFailed = 5;
inline constexpr NetResult kNoTlsSocket = 6;
inline constexpr NetResult kHandshakeFailed = 7;
inline constexpr NetResult kTlsWrongProtocol = 8;
inline constexpr NetResult kTlsCloseFailed = 9;
inline constexpr NetResult kCloseFailed = 10;
inline constexpr NetResult kGracefullyClosed = 11;
inline constexpr NetResult kNotConnected = 12;
inline constexpr NetResult kConnectionReset = 13;
inline constexpr NetResult kInvalidSocket = 14;
inline constexpr NetResult kShutDown = 15;
inline constexpr NetResult kBufferOverflow = 16;
inline constexpr NetResult kBroken = 17;
inline constexpr NetResult kTlsClosed = 18;
inline constexpr NetResult kTlsIncomplete = 19;
inline constexpr NetResult kTlsIoError = 20;
inline constexpr NetResult kTlsProtocolError = 21;
inline constexpr NetResult kNoBuffers = 22;
inline constexpr NetResult kUnreachable = 23;
inline constexpr NetResult kAborted = 24;
inline constexpr NetResult kInProgress = 25;
}  // namespace net

// The fixed text of a code; "unknown error" for 0 and anything not listed.
std::string_view NetResultText(NetResult code);

// An errno value of a failed socket call as a code (0 when it has none).
NetResult MapSocketError(int error_number);

// The TLS library's classification of a failed read or write (SSL_get_error)
// as a code (0 when it has none).
NetResult MapTlsError(int tls_error);

}  // namespace tarvox
