// One SMTP dialogue (RFC 5321) per send: connect (plain, TLS from the first
// byte, or STARTTLS per RFC 3207), greeting, EHLO with a HELO fall-back, AUTH
// PLAIN (RFC 4616) or LOGIN, MAIL FROM, RCPT TO, DATA, the body, the end mark
// and QUIT. Every step reports in the composer's status line; every failure
// also in an error box with the server's reply, after QUIT.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

#include "config/transport_security.h"
#include "net/certificate_check.h"
#include "net/net_connection.h"

namespace tarvox {

class FrontendServices;

inline constexpr std::size_t kSmtpBufferSize = 16384;
// "MAIL FROM:<" + address + ">\r\n" must fit the command buffer.
inline constexpr std::size_t kSmtpMaxAddressLength = kSmtpBufferSize - 15;
// A body line with its CR LF and terminator must fit the command buffer.
inline constexpr std::size_t kSmtpMaxLineLength = kSmtpBufferSize - 3;

enum class SmtpReply { Lost = 0, Other = 1, Expected = 2 };

class SmtpSession {
public:
    // `ehlo_name` is the name sent with EHLO and HELO (see MessageHost). Names,
    // addresses, user and password are text, sent as the bytes ToStoredText
    // gives: ISO-8859-1 when they fit it, else UTF-8.
    SmtpSession(const TlsLibrary* tls, FrontendServices& services, std::string ehlo_name);
    ~SmtpSession();
    SmtpSession(const SmtpSession&) = delete;
    SmtpSession& operator=(const SmtpSession&) = delete;

    // Connects and greets. `recorded` is the stored profile's SMTP
    // certificate fingerprint (null when no stored profile has this name);
    // `recorder` records one the user accepts.
    bool Connect(std::string_view server, int port, TransportSecurity security,
                 const std::string* recorded, const CertificateRecorder& recorder);
    bool Auth(std::string_view user, std::string_view password);
    bool MailFrom(std::string_view address);
    bool RcptTo(std::string_view address);
    bool Data();
    // One body line without its line end; a leading "." is doubled (RFC 5321
    // section 4.5.2).
    bool SendLine(std::string_view line);
    bool EndData();
    // QUIT, whatever the reply, then close.
    void Quit();
    // See NetConnection::SetIdleLimit: a silent server then fails the step
    // as a lost connection.
    void SetIdleLimit(std::chrono::milliseconds limit) { m_connection.SetIdleLimit(limit); }
    // Called from another thread to stop the send: the failing step of the
    // worker then ends quietly.
    void Abort();

    // Reads one reply, continuation lines included (RFC 5321 section 4.2):
    // Expected when its last line carries `code`, Other for another code or
    // for text that is not an SMTP reply (kept in reply() to be shown).
    SmtpReply ReadReply(int code);

    bool auth_login_offered() const { return m_auth_login; }
    bool auth_plain_offered() const { return m_auth_plain; }
    const std::string& reply() const { return m_reply; }
    NetResult last_result() const { return m_last_result; }
    bool closed() const { return m_closed.load(); }

private:
    bool SendCommand(const std::string& command);
    // Sends a command and reads its reply.
    SmtpReply Exchange(const std::string& command, int code);
    void Status(std::string_view text);
    void LostStatus();
    // Status, QUIT, then the box.
    bool Fail(std::string_view status, const std::string& box);
    // A lost connection: nothing to say after an abort.
    bool FailLost(const std::string& box);
    bool Greeting();
    // EHLO (and HELO when EHLO gets another reply), noting the AUTH methods.
    bool Hello(const std::string& name, bool helo_fallback);

    NetConnection m_connection;
    FrontendServices& m_services;
    std::string m_ehlo_name;
    std::atomic<bool> m_closed{false};
    NetResult m_last_result = NetResult::Unknown;
    bool m_auth_login = false;
    bool m_auth_plain = false;
    std::string m_reply;
};

// Logs in to the profile's POP3 server and out again, for servers that allow
// sending only after a POP3 login. LoggedIn also when the inbox is already
// logged in; any other result has the text PopBeforeSmtpText gives.
enum class PopBeforeSmtpResult {
    LoggedIn = 0,
    HostNotFound = 1,
    ConnectFailed = 2,
    LoginFailed = 3,
    MissingSettings = 8,
    CertificateUnrecognized = 10,
};

struct PopBeforeSmtpRequest {
    bool inbox_open = false;
    std::string host;
    int port = 110;
    std::string user;
    std::string password;
    TransportSecurity protopop = TransportSecurity::Cleartext;
    bool apop = false;
    const std::string* recorded_fingerprint = nullptr;  // the stored pop_sslid
    std::chrono::milliseconds idle_limit{0};            // see NetConnection::SetIdleLimit
};
PopBeforeSmtpResult PopBeforeSmtp(const TlsLibrary* tls, const PopBeforeSmtpRequest& request);
std::string_view PopBeforeSmtpText(PopBeforeSmtpResult result);

}  // namespace tarvox
