#include "protocols/smtp_session.h"

#include "codec/base64.h"
#include "codec/line_ends.h"
#include "codec/stored_text.h"
#include "codec/text_format.h"
#include "frontend/services.h"
#include "net/tls_certificate.h"
#include "net/tls_library.h"
#include "protocols/pop_connect.h"
#include "protocols/pop_session.h"
#include "protocols/server_certificate.h"

namespace tarvox {

namespace {

constexpr std::string_view kLostConnection = "Send failed. Lost connection to SMTP server.";

std::string WithText(const char* format, std::string_view text) {
    return TextFormat(format, std::string(text).c_str());
}

enum class SmtpReplyLine { Continuation, Last, Malformed };

// One reply line without its CR LF: "NNN-text", "NNN text" or "NNN".
SmtpReplyLine ClassifySmtpReplyLine(std::string_view line) {
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    if (line.size() < 3 || !digit(line[0]) || !digit(line[1]) || !digit(line[2])) {
        return SmtpReplyLine::Malformed;
    }
    if (line.size() == 3 || line[3] == ' ') {
        return SmtpReplyLine::Last;
    }
    return line[3] == '-' ? SmtpReplyLine::Continuation : SmtpReplyLine::Malformed;
}

}  // namespace

SmtpSession::SmtpSession(const TlsLibrary* tls, FrontendServices& services,
                         std::string ehlo_name)
    : m_connection(tls), m_services(services) {
    // The name goes into a command line: nothing after a line break.
    m_ehlo_name = ToStoredText(ehlo_name.substr(0, ehlo_name.find_first_of("\r\n")));
}

SmtpSession::~SmtpSession() { m_connection.Close(); }

void SmtpSession::Status(std::string_view text) {
    m_services.ShowStatus(StatusLine::Composer, text);
}

void SmtpSession::LostStatus() { Status(kLostConnection); }

bool SmtpSession::Fail(std::string_view status, const std::string& box) {
    Status(status);
    Quit();
    m_services.ShowMessage(box, "", BoxIcon::Error);
    return false;
}

bool SmtpSession::FailLost(const std::string& box) {
    if (m_closed) {
        return false;
    }
    LostStatus();
    Quit();
    m_services.ShowMessage(box, "", BoxIcon::Error);
    return false;
}

bool SmtpSession::SendCommand(const std::string& command) {
    m_last_result = m_connection.Send(command);
    return m_last_result == NetResult::Success;
}

SmtpReply SmtpSession::Exchange(const std::string& command, int code) {
    if (!SendCommand(command)) {
        return SmtpReply::Lost;
    }
    return ReadReply(code);
}

SmtpReply SmtpSession::ReadReply(int code) {
    // RFC 5321 section 4.2: every line of a reply begins with the three-digit
    // code; "NNN-" marks a continuation line, "NNN " or a bare "NNN" the last
    // line, whose code is the one that counts. Text elsewhere in a line, such
    // as "limit of 250 messages", decides nothing.
    const std::string expected = std::to_string(code);
    m_reply.clear();
    std::size_t line_start = 0;
    std::string piece;
    for (;;) {
        std::size_t line_end;
        while ((line_end = m_reply.find("\r\n", line_start)) != std::string::npos) {
            const std::string_view line =
                std::string_view(m_reply).substr(line_start, line_end - line_start);
            line_start = line_end + 2;
            const SmtpReplyLine kind = ClassifySmtpReplyLine(line);
            if (kind == SmtpReplyLine::Malformed) {
                // Not SMTP: a failure that shows what the server sent.
                m_reply.resize(line_start);
                return SmtpReply::Other;
            }
            if (kind == SmtpReplyLine::Last) {
                m_reply.resize(line_start);
                return line.substr(0, 3) == expected ? SmtpReply::Expected : SmtpReply::Other;
            }
        }
        const std::size_t room = kSmtpBufferSize - 1 - m_reply.size();
        if (room == 0) {
            // A reply longer than the buffer never reached its last line.
            return SmtpReply::Other;
        }
        piece.resize(room);
        std::size_t received = 0;
        m_last_result = m_connection.Receive(piece.data(), room, &received);
        if (m_last_result != NetResult::Success) {
            return SmtpReply::Lost;
        }
        m_reply.append(piece.data(), received);
    }
}

bool SmtpSession::Greeting() {
    SmtpReply reply = ReadReply(220);
    if (reply == SmtpReply::Lost) {
        return FailLost(WithText("Did not receive greeting:\n\n%s", NetResultText(m_last_result)));
    }
    if (reply == SmtpReply::Other) {
        return Fail("Send failed. SMTP server returned unxpected greeting",
                    WithText("SMTP server returned unexpected greeting:\n\n%s", m_reply));
    }
    return true;
}

bool SmtpSession::Hello(const std::string& name, bool helo_fallback) {
    SmtpReply reply = Exchange("EHLO " + name + "\r\n", 250);
    if (reply == SmtpReply::Other && helo_fallback) {
        reply = Exchange("HELO " + name + "\r\n", 250);
    }
    if (reply == SmtpReply::Lost) {
        return FailLost(WithText("Lost connection to server:\n\n%s", NetResultText(m_last_result)));
    }
    if (reply == SmtpReply::Other) {
        return Fail("Send failed. SMTP server rejected our greeting",
                    WithText("SMTP server rejected our greeting, and returned:\n\n%s", m_reply));
    }
    m_auth_login = false;
    m_auth_plain = false;
    if (m_reply.find("AUTH") != std::string::npos) {
        m_auth_login = m_reply.find("LOGIN") != std::string::npos;
        m_auth_plain = m_reply.find("PLAIN") != std::string::npos;
    }
    return true;
}

bool SmtpSession::Connect(std::string_view server, int port, TransportSecurity security,
                          const std::string* recorded, const CertificateRecorder& recorder) {
    const bool wants_tls = UsesTls(security);
    const TlsLibrary* tls = m_connection.tls_library();
    if (wants_tls && (tls == nullptr || !tls->Available())) {
        const char* text = "SSL not loaded; can not make connection";
        Status(text);
        m_services.ShowMessage(text, "", BoxIcon::Error);
        return false;
    }

    const std::string host(server);
    Status(TextFormat("Looking up host %s . . .", host.c_str()));
    NetAddress address;
    if (!ResolveHost(host, static_cast<std::uint16_t>(port), address)) {
        std::string text = TextFormat("Error: host \"%s\" not found", host.c_str());
        Status(text);
        m_services.ShowMessage(text, "", BoxIcon::Error);
        return false;
    }

    const char* suffix = security == TransportSecurity::SslDirect ? " [SSL direct]"
                         : security == TransportSecurity::StartTls ? " [SSL, STARTTLS]"
                                                          : "";
    Status(TextFormat("Connecting to server %s on port %u%s . . .", host.c_str(),
                      static_cast<unsigned>(port), suffix));
    m_last_result = m_connection.Connect(security == TransportSecurity::SslDirect, address);
    if (m_last_result != NetResult::Success) {
        Status("Connect failed");
        m_services.ShowMessage(WithText("Connect failed: %s", NetResultText(m_last_result)), "",
                               BoxIcon::Error);
        return false;
    }
    Status("Connected. Logging in . . .");

    if (security == TransportSecurity::StartTls) {
        // RFC 3207: greet, ask for STARTTLS, then greet again inside TLS.
        // Before TLS the literal name "default" is used.
        if (!Greeting()) {
            return false;
        }
        if (!Hello("default", false)) {
            return false;
        }
        Status("Switching to SSL . . .");
        SmtpReply reply = Exchange("STARTTLS\r\n", 220);
        if (reply == SmtpReply::Lost) {
            // Always reported, also after an abort.
            LostStatus();
            Quit();
            m_services.ShowMessage(WithText("Error after sending STARTTLS command:\n\n%s",
                                            NetResultText(m_last_result)),
                                   "", BoxIcon::Error);
            return false;
        }
        if (reply == SmtpReply::Other) {
            return Fail("STARTTLS failed",
                        WithText("STARTTLS command failed. Response was:\n\n%s", m_reply));
        }
        m_last_result = m_connection.StartTls();
        if (m_last_result != NetResult::Success) {
            return Fail("STARTTLS handshake failed.",
                        WithText("STARTTLS handshake failed:\n\n%s", NetResultText(m_last_result)));
        }
    }
    if (wants_tls) {
        if (!AcceptServerCertificate(m_connection, server, recorded, m_services, recorder)) {
            return Fail("Error: SSL certificate unrecognized", "Error: SSL certificate unrecognized");
        }
        if (security == TransportSecurity::StartTls) {
            Status("SSL active. Logging in . . .");
        }
    }
    if (security != TransportSecurity::StartTls) {
        if (!Greeting()) {
            return false;
        }
        Status("Received greeting. Sending our greeting...");
    }
    return Hello(m_ehlo_name, true);
}

bool SmtpSession::Auth(std::string_view user_text, std::string_view password_text) {
    // On the wire in the bytes the settings file stores them in.
    const std::string user = ToStoredText(user_text);
    const std::string password = ToStoredText(password_text);
    SmtpReply reply = SmtpReply::Other;
    const char* lost_text = nullptr;
    if (m_auth_plain) {
        Status("Authenticating (PLAIN)...");
        // RFC 4616: authorisation identity (empty), NUL, user, NUL, password.
        std::string credentials;
        credentials += '\0';
        credentials += user;
        credentials += '\0';
        credentials += password;
        reply = Exchange("AUTH PLAIN " + EncodeBase64(credentials) + "\r\n", 235);
        lost_text = "SMTP server disconnected after we tried to authenticate (AUTH PLAIN)";
    } else if (m_auth_login) {
        Status("Authenticating (LOGIN)...");
        reply = Exchange("AUTH LOGIN\r\n", 334);
        if (reply == SmtpReply::Expected) {
            reply = Exchange(EncodeBase64(user) + "\r\n", 334);
        }
        if (reply == SmtpReply::Expected) {
            reply = Exchange(EncodeBase64(password) + "\r\n", 235);
        }
        lost_text = "SMTP server disconnected during authentication (AUTH LOGIN)";
    } else {
        return Fail("Send failed. SMTP server does not support our authentication type",
                    "Mail server does not support SMTP AUTH!");
    }
    if (reply == SmtpReply::Lost) {
        return FailLost(lost_text);
    }
    if (reply == SmtpReply::Other) {
        return Fail("Send failed. SMTP server denied us access",
                    WithText("SMTP server denied us access, and returned:\n\n%s", m_reply));
    }
    return true;
}

bool SmtpSession::MailFrom(std::string_view address_text) {
    Status("Starting mail transfer...");
    const std::string address = ToStoredText(address_text);
    if (address.size() > kSmtpMaxAddressLength) {
        return Fail("Error: Sender address is too long", "Sender address is too long");
    }
    if (HasLineBreak(address)) {
        return Fail("Error: Sender address holds a line break",
                    "Sender address holds a line break (CR or LF); it was not sent");
    }
    SmtpReply reply = Exchange("MAIL FROM:<" + address + ">\r\n", 250);
    if (reply == SmtpReply::Lost) {
        return FailLost("SMTP server disconnected after we set SMTP sender");
    }
    if (reply == SmtpReply::Other) {
        return Fail("Send failed. SMTP server rejected the sender",
                    WithText("SMTP server rejected the sender, and returned:\n\n%s", m_reply));
    }
    return true;
}

bool SmtpSession::RcptTo(std::string_view address_text) {
    const std::string address = ToStoredText(address_text);
    if (address.size() > kSmtpMaxAddressLength) {
        return Fail("Error: Recipient address is too long", "Recipient address is too long");
    }
    if (HasLineBreak(address)) {
        return Fail("Error: Recipient address holds a line break",
                    "Recipient address holds a line break (CR or LF); it was not sent");
    }
    // Only 250 accepts; 251 (forwarded) counts as a refusal like any other.
    SmtpReply reply = Exchange("RCPT TO:<" + address + ">\r\n", 250);
    if (reply == SmtpReply::Lost) {
        return FailLost("SMTP server disconnected after we set recipient");
    }
    if (reply == SmtpReply::Other) {
        return Fail("Send failed. SMTP server rejected recipient",
                    WithText("SMTP server rejected recipient, and returned:\n\n%s", m_reply));
    }
    return true;
}

bool SmtpSession::Data() {
    SmtpReply reply = Exchange("DATA\r\n", 354);
    if (reply == SmtpReply::Lost) {
        return FailLost("SMTP server disconnected after start of mail data");
    }
    if (reply == SmtpReply::Other) {
        return Fail("Send failed. SMTP server rejected mail data",
                    WithText("SMTP server rejected mail data, and returned:\n\n%s", m_reply));
    }
    Status("Uploading message body...");
    return true;
}

bool SmtpSession::SendLine(std::string_view line) {
    if (m_closed) {
        return false;
    }
    if (line.size() > kSmtpMaxLineLength) {
        return Fail("Error: Encountered body line which was too long",
                    "Encountered a body line which was too long");
    }
    std::string command;
    command.reserve(line.size() + 3);
    if (line.starts_with('.')) {
        command += '.';
    }
    command += line;
    command += "\r\n";
    if (!SendCommand(command)) {
        return FailLost(WithText("Lost connection to server:\n\n%s", NetResultText(m_last_result)));
    }
    return true;
}

bool SmtpSession::EndData() {
    SmtpReply reply = Exchange("\r\n.\r\n", 250);
    if (reply == SmtpReply::Lost) {
        return FailLost("SMTP server disconnected after we sent message body");
    }
    if (reply == SmtpReply::Other) {
        return Fail("Send failed. SMTP server rejected message body",
                    WithText("SMTP server rejected message body, and returned:\n\n%s", m_reply));
    }
    Status("Mail has been accepted. Closing connection...");
    return true;
}

void SmtpSession::Quit() {
    // After a failed send or receive (the server gone, or silent past the
    // idle limit) QUIT would only wait again: the connection is just closed.
    if (!m_closed && m_connection.Connected() && m_last_result == NetResult::Success) {
        Exchange("QUIT\r\n", 221);
    }
    m_closed = true;
    m_connection.Close();
}

void SmtpSession::Abort() {
    m_closed = true;
    m_connection.Close();
}

// ---- POP before SMTP ----

PopBeforeSmtpResult PopBeforeSmtp(const TlsLibrary* tls, const PopBeforeSmtpRequest& request) {
    static constexpr std::size_t kReplySize = 1024;
    if (request.inbox_open) {
        return PopBeforeSmtpResult::LoggedIn;
    }
    if (request.host.empty() || request.user.empty() || request.password.empty()) {
        return PopBeforeSmtpResult::MissingSettings;
    }
    NetConnection connection(tls);
    connection.SetIdleLimit(request.idle_limit);
    std::string reply;
    PopConnectRequest connect;
    connect.host = request.host;
    connect.port = static_cast<std::uint16_t>(request.port);
    connect.user = request.user;
    connect.password = request.password;
    connect.protopop = request.protopop;
    connect.apop = request.apop;
    // No dialog here: only a certificate already on record passes.
    connect.accept_certificate = [&request](NetConnection& tls_connection) {
        return TlsFingerprintMatches(tls_connection, request.recorded_fingerprint);
    };
    connect.text = &reply;
    connect.text_capacity = kReplySize;
    switch (PopConnect(connection, connect).result) {
        case PopConnectResult::LoggedIn:
            PopQuit(connection);
            return PopBeforeSmtpResult::LoggedIn;
        case PopConnectResult::HostNotFound:
            return PopBeforeSmtpResult::HostNotFound;
        case PopConnectResult::StlsFailed:
            PopQuit(connection);
            return PopBeforeSmtpResult::ConnectFailed;
        case PopConnectResult::ConnectFailed:
        case PopConnectResult::TlsFailed:
            return PopBeforeSmtpResult::ConnectFailed;
        case PopConnectResult::CertificateRefused:
            return PopBeforeSmtpResult::CertificateUnrecognized;
        case PopConnectResult::LoginFailed:
            return PopBeforeSmtpResult::LoginFailed;
    }
    return PopBeforeSmtpResult::LoginFailed;
}

std::string_view PopBeforeSmtpText(PopBeforeSmtpResult result) {
    switch (result) {
        case PopBeforeSmtpResult::HostNotFound:
            return "Unable to resolve POP3 server name through DNS (network connection may be "
                   "down). Please review your POP3 connection parameters for this profile.";
        case PopBeforeSmtpResult::ConnectFailed:
            return "Unable to connect to POP3 server. The POP3 information in your profile may be "
                   "invalid, or the server may be unreachable at this time.";
        case PopBeforeSmtpResult::LoginFailed:
            return "Unable to authenticate on POP3 server";
        case PopBeforeSmtpResult::MissingSettings:
            return "Unable to do POP before SMTP authentication. This profile does not have valid "
                   "POP3 information (host, username, password) defined.";
        case PopBeforeSmtpResult::CertificateUnrecognized:
            return "The SSL connection to the POP3 server was aborted because the server's "
                   "certificate was unrecognized.";
        default:
            return "Unable to perform POP before SMTP authentication. Unknown error (please "
                   "contact developer).";
    }
}

}  // namespace tarvox
