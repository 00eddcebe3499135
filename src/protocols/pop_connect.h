// Reaching a POP3 mailbox: look up the host, connect (TLS from the first byte
// or after STLS, as the profile says), check the server's certificate and log
// in. Opening the mailbox and POP before SMTP both go this way; each tells the
// user about the steps and failures in its own words.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "config/transport_security.h"
#include "net/net_connection.h"
#include "protocols/pop_login.h"

namespace tarvox {

enum class PopConnectStep {
    Connecting,  // the host was found; the connection is being made
    Connected,   // the socket is up (with TLS when direct)
    TlsActive,   // STLS succeeded and the certificate was accepted
};

enum class PopConnectResult {
    LoggedIn,
    HostNotFound,
    ConnectFailed,  // `net` says why
    StlsFailed,     // `net` says why, or is success when the server refused STLS
    TlsFailed,      // the handshake after STLS; `net` says why
    CertificateRefused,
    LoginFailed,  // `login` says why; `net` for a network failure
};

struct PopConnectOutcome {
    PopConnectResult result = PopConnectResult::LoggedIn;
    NetResult net = NetResult::Success;
    LoginResult login = LoginResult::LoggedIn;
};

struct PopConnectRequest {
    std::string_view host;
    std::uint16_t port = 110;
    std::string_view user;
    std::string_view password;
    TransportSecurity protopop = TransportSecurity::Cleartext;
    bool apop = false;
    // Decides whether the certificate of a TLS connection is trusted.
    std::function<bool(NetConnection&)> accept_certificate;
    // Told about each step reached; may be empty.
    std::function<void(PopConnectStep)> progress;
    // Required: the reply to STLS and a refused login's reply land in `text`;
    // the greeting and replies before TLS are read into at most
    // `text_capacity` - 1 bytes.
    std::string* text = nullptr;
    std::size_t text_capacity = 0;
    // When set, CAPA is asked after the greeting and again once STLS has
    // switched to TLS (RFC 2595 section 4: what was listed before does not
    // hold after it); the last listing lands here, emptied first.
    PopCapabilities* capabilities = nullptr;
};

// After StlsFailed the connection stays open for the caller to QUIT or close;
// after every other failure it is closed.
PopConnectOutcome PopConnect(NetConnection& connection, const PopConnectRequest& request);

}  // namespace tarvox
