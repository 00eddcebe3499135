// How a connection to a mail server is secured, as a profile stores it for
// POP3 (protopop=) and for SMTP (SMTPproto=).
#pragma once

namespace tarvox {

enum class TransportSecurity : int {
    Cleartext = 0,
    SslDirect = 1,  // TLS from the first byte
    StartTls = 2,   // TLS after STLS (POP3) or STARTTLS (SMTP)
};

// The security a settings file's integer names. Another value is kept as read,
// so that the file is written back unchanged; a connection treats it as
// Cleartext.
constexpr TransportSecurity TransportSecurityFromSetting(int value) {
    return static_cast<TransportSecurity>(value);
}

// Whether the connection needs the TLS library.
constexpr bool UsesTls(TransportSecurity security) {
    return security == TransportSecurity::SslDirect || security == TransportSecurity::StartTls;
}

}  // namespace tarvox
