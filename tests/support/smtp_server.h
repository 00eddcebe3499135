// A real SMTP server for the tests (aiosmtpd), started on free loopback ports by
// scripts/test-servers/smtp_server.py, that delivers every accepted message into a Maildir;
// given the Maildir of a DovecotServer user, mail makes the whole round trip to POP3.
//
//   DovecotServer dovecot;
//   ASSERT_TRUE(dovecot.Start(0)) << dovecot.error();
//   SmtpTestServer smtp;
//   ASSERT_TRUE(smtp.Start(dovecot.maildir("alice"))) << smtp.error();
//   ... send to 127.0.0.1:smtp.plain_port() (STARTTLS offered) or smtp.tls_port() ...
//
// Both ports offer AUTH PLAIN and LOGIN and check the given users; on the cleartext port
// only after STARTTLS (unless the options allow it without TLS). A session may send
// without logging in. A delivered file holds the DATA as received, without
// the transparency dots, with CR LF turned into LF; it is in the Maildir's new/ when the
// client reads the 250 (until a POP3 login moves it to cur/).
// The destructor stops the server and removes its own folder, not the Maildir. Should this
// process die first, the server ends by itself within about a second.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvox {

// One accepted message, as the server recorded it.
struct SmtpEnvelope {
    std::string mail_from;                  // "<>" for the null sender
    std::vector<std::string> mail_options;  // upper-cased, e.g. "BODY=8BITMIME", "SIZE=120"
    std::vector<std::string> rcpt_tos;      // the accepted recipients, in order
    std::optional<std::string> auth_user;   // none when the session did not log in
    std::string helo;                       // the name the client gave in EHLO or HELO
    bool tls = false;                       // after STARTTLS, or on the TLS port
    std::string listener;                   // "plain" or "tls": the port it came in on
    std::uint64_t size = 0;                 // bytes in the delivered file
    std::string file;                       // the file's name in the Maildir's new/
};

struct SmtpServerOptions {
    // RCPT TO for these addresses (compared without regard to case) is answered with 550.
    std::vector<std::string> reject_recipients;
    // AUTH on the cleartext port before STARTTLS, which a careful server refuses.
    bool auth_without_tls = false;
    // The certificate and key in PEM files; when both are empty, a self-signed one is made.
    std::filesystem::path cert_file;
    std::filesystem::path key_file;
};

class SmtpTestServer {
public:
    using Users = std::map<std::string, std::string, std::less<>>;

    // alice/wonderland and bob/builder, as in DovecotServer.
    static Users DefaultUsers();

    SmtpTestServer() = default;
    ~SmtpTestServer();
    SmtpTestServer(const SmtpTestServer&) = delete;
    SmtpTestServer& operator=(const SmtpTestServer&) = delete;

    // Starts the server delivering into `maildir` (its new/, cur/ and tmp/ are made where
    // missing). Returns false when it could not; error() then tells why, with the tail of
    // the server's log. A name or password must not contain ',' and a name not ':'.
    bool Start(const std::filesystem::path& maildir, const Users& users = DefaultUsers(),
               const SmtpServerOptions& options = {});
    // Stops the server (the destructor does this too); the folder stays until destruction.
    void Stop();

    bool running() const { return m_running; }
    const std::string& error() const { return m_error; }

    std::uint16_t plain_port() const { return m_plain_port; }
    std::uint16_t tls_port() const { return m_tls_port; }
    // SHA-1 of the DER certificate as upper-case hex pairs joined by colons (59 characters).
    const std::string& fingerprint() const { return m_fingerprint; }
    const std::filesystem::path& cert_file() const { return m_cert_file; }
    const std::filesystem::path& maildir() const { return m_maildir; }
    const std::filesystem::path& log_file() const { return m_log_file; }
    const std::filesystem::path& dir() const { return m_dir; }
    // The server's process.
    int pid() const { return m_pid; }

    // The messages accepted so far, oldest first. Throws std::runtime_error when the record
    // file cannot be read or holds a line that is not a record.
    std::vector<SmtpEnvelope> Envelopes() const;

private:
    bool RunScript(const std::vector<std::string>& arguments, std::string* output);
    bool TakeDescription(const std::string& output);

    bool m_running = false;
    std::string m_error;
    std::filesystem::path m_dir;
    std::filesystem::path m_maildir;
    std::filesystem::path m_cert_file;
    std::filesystem::path m_log_file;
    std::filesystem::path m_envelopes_file;
    std::uint16_t m_plain_port = 0;
    std::uint16_t m_tls_port = 0;
    int m_pid = 0;
    std::string m_fingerprint;
};

}  // namespace tarvox
