// Logging in to a POP3 server: the greeting, then USER and PASS, or APOP
// (RFC 1939 section 7) with the MD5 digest of the greeting's timestamp and
// the password.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "net/net_connection.h"
#include "protocols/pop_capabilities.h"

namespace tarvox {

enum class LoginResult {
    LoggedIn = 0,
    Rejected = 3,           // the server refused USER, PASS or APOP
    NoApopTimestamp = 4,    // APOP asked for, but the greeting has no <timestamp>
    NetworkFailure = 5,     // the NetResult says what failed
    NotPop3 = 6,            // the greeting does not begin with "+OK"
    UnsafeCredentials = 7,  // the user name or password holds CR or LF: nothing was sent
};

struct LoginRequest {
    std::string_view user;
    std::string_view password;
    bool apop = false;
    // Set when the greeting was read before STLS; `greeting` then holds it,
    // so that APOP still finds its timestamp over STLS.
    bool skip_greeting = false;
    std::string_view greeting;
    // When set, CAPA is asked once the greeting is in and what the server
    // lists lands here.
    PopCapabilities* capabilities = nullptr;
};

// The user name and password are UTF-8 text, sent in their stored form
// (ISO-8859-1 when they fit, else UTF-8). The server's reply to a refused
// command lands in `rejection` as UTF-8 text (its first `rejection_capacity`
// - 1 bytes, read as Windows-1252 unless they are ASCII). Every failure but a network one sends
// QUIT and closes the connection.
LoginResult PopLogin(NetConnection& connection, const LoginRequest& request, std::string* rejection,
                     std::size_t rejection_capacity, NetResult& result);

// The APOP digest: MD5 over the greeting's first "<...>" and the password's
// stored form, as
// 32 lower-case hex digits. Empty when the greeting has no timestamp.
std::string ApopDigest(std::string_view greeting, std::string_view password);

}  // namespace tarvox
