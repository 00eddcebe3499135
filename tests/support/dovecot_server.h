// A real Dovecot POP3 server for the tests, started on free loopback ports from a throw-away
// configuration by scripts/test-servers/dovecot_server.py.
//
//   DovecotServer server;
//   ASSERT_TRUE(server.Start()) << server.error();
//   ... connect to 127.0.0.1:server.plain_port() (STLS offered) or server.tls_port() ...
//
// Users: alice (password "wonderland") with the sample messages, bob ("builder") with an
// empty mailbox. Both may log in with USER/PASS, AUTH PLAIN or APOP, on either port.
// The destructor stops Dovecot and removes its folder.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace tarvox {

class DovecotServer {
public:
    DovecotServer() = default;
    ~DovecotServer();
    DovecotServer(const DovecotServer&) = delete;
    DovecotServer& operator=(const DovecotServer&) = delete;

    // Starts Dovecot with `message_count` sample messages for alice and a self-signed
    // certificate for `cert_cn`. Returns false when it could not; error() then tells why,
    // with the tail of Dovecot's log.
    bool Start(int message_count = 5, std::string_view cert_cn = "localhost");
    // Stops the server, makes a new key and certificate and starts it again on the same
    // ports. fingerprint() then returns the new one.
    bool RestartWithNewCertificate();
    // Stops the server (the destructor does this too); the folder stays until destruction.
    void Stop();

    bool running() const { return m_running; }
    const std::string& error() const { return m_error; }

    std::uint16_t plain_port() const { return m_plain_port; }
    std::uint16_t tls_port() const { return m_tls_port; }
    // SHA-1 of the DER certificate as upper-case hex pairs joined by colons (59 characters).
    const std::string& fingerprint() const { return m_fingerprint; }
    // The certificate in PEM form, for a test that wants to trust it.
    const std::filesystem::path& cert_file() const { return m_cert_file; }
    const std::filesystem::path& log_file() const { return m_log_file; }
    const std::filesystem::path& dir() const { return m_dir; }
    // Dovecot's master process.
    int pid() const { return m_pid; }

    // The password of "alice" or "bob"; empty for anybody else.
    std::string password(std::string_view user) const;
    // The user's Maildir (with new/, cur/ and tmp/); empty for an unknown user.
    std::filesystem::path maildir(std::string_view user) const;
    // The user's message files in new/ and cur/, ordered by file name, which is the order
    // Dovecot numbers them in: element i is message i + 1 (as long as none was expunged).
    // The paths are those of the moment: the first login moves the files from new/ to cur/
    // ("NAME:2,"), and a session that read a message renames it to "NAME:2,S", so read the
    // files before logging in or ask again afterwards.
    std::vector<std::filesystem::path> MessageFiles(std::string_view user) const;

    // Writes a message into the user's new/ under `name` (through tmp/, owned like the
    // Maildir). Dovecot numbers new mail by file name; the samples are named
    // "<seconds>.M<index>P1000.tarvox-test" with seconds from 1704103260 on, so a name
    // like "2000000000.M1P1.extra" comes after all of them. False when it could not be written.
    bool AddMessage(std::string_view user, std::string_view name, std::string_view text) const;
    // Waits up to `seconds` for a line holding `text` in Dovecot's log; the line, or empty.
    std::string WaitForLogLine(std::string_view text, int seconds = 10) const;

    // The exact bytes a POP3 RETR of the message in `message_file` delivers after the "+OK"
    // line: bare LF becomes CR LF, lines starting with "." get another ".", an unterminated
    // last line is terminated, and ".\r\n" ends it.
    static std::string ExpectedRetrText(const std::filesystem::path& message_file);

private:
    bool RunScript(const std::vector<std::string>& arguments, std::string* output);
    bool TakeDescription(const std::string& output);
    void ReapMaster(int pid);

    bool m_running = false;
    std::string m_error;
    std::filesystem::path m_dir;
    std::filesystem::path m_cert_file;
    std::filesystem::path m_log_file;
    std::uint16_t m_plain_port = 0;
    std::uint16_t m_tls_port = 0;
    int m_pid = 0;
    std::string m_fingerprint;
    std::map<std::string, std::string, std::less<>> m_passwords;
    std::map<std::string, std::filesystem::path, std::less<>> m_maildirs;
};

}  // namespace tarvox
