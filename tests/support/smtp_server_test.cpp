// Proves the SMTP harness itself with a bare socket and OpenSSL, before any client code relies
// on it: the greeting and EHLO, both logins, delivery into the Maildir byte for byte, the
// envelope records, STARTTLS and the TLS port with their fingerprint, refused recipients, and
// the round trip into Dovecot, read back with POP3.
#include "support/smtp_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "support/dovecot_server.h"
#include "support/temp_dir.h"
#include "support/test_certificate.h"

namespace tarvox {
namespace {

std::string Base64(const std::string& text) {
    std::string encoded(4 * ((text.size() + 2) / 3) + 1, '\0');
    int size = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(encoded.data()),
                               reinterpret_cast<const unsigned char*>(text.data()),
                               static_cast<int>(text.size()));
    encoded.resize(static_cast<std::size_t>(size));
    return encoded;
}

// One connection over a plain socket, optionally switched to TLS, that reads lines.
class LineConnection {
public:
    ~LineConnection() {
        if (m_ssl != nullptr) {
            SSL_free(m_ssl);
        }
        if (m_context != nullptr) {
            SSL_CTX_free(m_context);
        }
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }

    // Connects to 127.0.0.1:port; returns the reason on failure, empty on success.
    std::string Connect(std::uint16_t port) {
        m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        timeval timeout{10, 0};
        ::setsockopt(m_fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
        ::setsockopt(m_fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            return std::string("connect: ") + std::strerror(errno);
        }
        return {};
    }

    // Runs the TLS handshake without verifying the peer; returns the reason on failure.
    std::string StartTls() {
        m_context = SSL_CTX_new(TLS_client_method());
        SSL_CTX_set_verify(m_context, SSL_VERIFY_NONE, nullptr);
        m_ssl = SSL_new(m_context);
        SSL_set_fd(m_ssl, m_fd);
        if (SSL_connect(m_ssl) != 1) {
            char reason[256];
            ERR_error_string_n(ERR_get_error(), reason, sizeof reason);
            return std::string("TLS handshake failed: ") + reason;
        }
        return {};
    }

    std::string PeerFingerprint() const {
        X509* certificate = SSL_get1_peer_certificate(m_ssl);
        if (certificate == nullptr) {
            return {};
        }
        unsigned char digest[EVP_MAX_MD_SIZE];
        unsigned int size = 0;
        X509_digest(certificate, EVP_sha1(), digest, &size);
        X509_free(certificate);
        std::string text;
        for (unsigned int i = 0; i < size; ++i) {
            char pair[4];
            std::snprintf(pair, sizeof pair, i == 0 ? "%02X" : ":%02X", digest[i]);
            text += pair;
        }
        return text;
    }

    void SendRaw(const std::string& data) {
        if (m_ssl != nullptr) {
            SSL_write(m_ssl, data.data(), static_cast<int>(data.size()));
        } else {
            [[maybe_unused]] ssize_t sent = ::send(m_fd, data.data(), data.size(), MSG_NOSIGNAL);
        }
    }

    // One line with its CR LF; what came before the end when the connection ended or timed out.
    std::string ReadLine() {
        std::string line;
        while (line.empty() || line.back() != '\n') {
            if (m_start == m_buffer.size()) {
                m_buffer.clear();
                m_start = 0;
                char chunk[16384];
                int count = m_ssl != nullptr
                                ? SSL_read(m_ssl, chunk, sizeof chunk)
                                : static_cast<int>(::recv(m_fd, chunk, sizeof chunk, 0));
                if (count <= 0) {
                    return line;
                }
                m_buffer.assign(chunk, static_cast<std::size_t>(count));
            }
            std::size_t end = m_buffer.find('\n', m_start);
            std::size_t take = (end == std::string::npos ? m_buffer.size() : end + 1) - m_start;
            line.append(m_buffer, m_start, take);
            m_start += take;
        }
        return line;
    }

    // An SMTP reply: every line up to the one with a space after the code.
    std::string Reply() {
        std::string reply;
        for (;;) {
            std::string line = ReadLine();
            reply += line;
            if (line.size() < 4 || line[3] != '-') {
                return reply;
            }
        }
    }

    std::string Smtp(const std::string& command) {
        SendRaw(command + "\r\n");
        return Reply();
    }

    std::string Pop(const std::string& command) {
        SendRaw(command + "\r\n");
        return ReadLine();
    }

    // The lines of a POP3 multi-line answer after its status line, up to and including
    // ".\r\n"; the status line goes to *status.
    std::string PopMultiLine(const std::string& command, std::string* status) {
        *status = Pop(command);
        std::string body;
        if (!status->starts_with("+OK")) {
            return body;
        }
        for (;;) {
            std::string line = ReadLine();
            body += line;
            if (line == ".\r\n" || line.empty()) {
                return body;
            }
        }
    }

private:
    int m_fd = -1;
    SSL_CTX* m_context = nullptr;
    SSL* m_ssl = nullptr;
    std::string m_buffer;
    std::size_t m_start = 0;
};

// A message as it goes over the wire after DATA: dot-stuffed, CR LF, ending with ".\r\n". It
// has a line that starts with a dot, a line that is only a dot, a bare CR inside a line and
// an 8-bit byte.
const std::string kWireData =
    "From: Carol <carol@example.test>\r\n"
    "To: Alice <alice@example.test>\r\n"
    "Subject: harness check\r\n"
    "\r\n"
    "..a line that starts with a dot\r\n"
    "..\r\n"
    "a bare\rCR stays inside its line\r\n"
    "caf\xE9 in eight bits\r\n"
    "last line\r\n"
    ".\r\n";

// What the Maildir file holds: the transparency dots gone, CR LF turned into LF.
const std::string kDeliveredFile =
    "From: Carol <carol@example.test>\n"
    "To: Alice <alice@example.test>\n"
    "Subject: harness check\n"
    "\n"
    ".a line that starts with a dot\n"
    ".\n"
    "a bare\rCR stays inside its line\n"
    "caf\xE9 in eight bits\n"
    "last line\n";

// MAIL, RCPT and DATA for kWireData; returns the reply to the data, or the first refusal.
std::string SendMessage(LineConnection& smtp, const std::string& from, const std::string& to) {
    std::string reply = smtp.Smtp("MAIL FROM:<" + from + ">");
    if (!reply.starts_with("250 ")) {
        return "MAIL: " + reply;
    }
    reply = smtp.Smtp("RCPT TO:<" + to + ">");
    if (!reply.starts_with("250 ")) {
        return "RCPT: " + reply;
    }
    reply = smtp.Smtp("DATA");
    if (!reply.starts_with("354 ")) {
        return "DATA: " + reply;
    }
    smtp.SendRaw(kWireData);
    return smtp.Reply();
}

std::vector<std::filesystem::path> FilesIn(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        files.push_back(entry.path());
    }
    return files;
}

// The words of the "250-AUTH ..." or "250 AUTH ..." line of an EHLO reply.
std::vector<std::string> AuthMechanisms(const std::string& ehlo_reply) {
    std::smatch match;
    std::vector<std::string> words;
    if (std::regex_search(ehlo_reply, match, std::regex("250[- ]AUTH ([^\r\n]*)\r\n"))) {
        std::istringstream list(match[1].str());
        for (std::string word; list >> word;) {
            words.push_back(word);
        }
    }
    return words;
}

TEST(SmtpTestServer, PlainPortOffersAuthOnlyAfterStartTlsAndDeliversTheExactBytes) {
    TempDir maildir_parent;
    std::filesystem::path maildir = maildir_parent / "Maildir";
    SmtpTestServer server;
    ASSERT_TRUE(server.Start(maildir)) << server.error();
    EXPECT_EQ(server.maildir(), maildir);
    EXPECT_TRUE(std::filesystem::is_directory(maildir / "cur"));

    LineConnection smtp;
    ASSERT_EQ(smtp.Connect(server.plain_port()), "");
    std::string greeting = smtp.Reply();
    EXPECT_TRUE(greeting.starts_with("220 ")) << greeting;
    std::string ehlo = smtp.Smtp("EHLO client.example.test");
    EXPECT_TRUE(ehlo.starts_with("250-")) << ehlo;
    EXPECT_NE(ehlo.find("250-STARTTLS\r\n"), std::string::npos) << ehlo;
    EXPECT_TRUE(AuthMechanisms(ehlo).empty()) << ehlo;
    std::string answer = smtp.Smtp("AUTH PLAIN " + Base64(std::string("\0alice\0wonderland", 17)));
    EXPECT_TRUE(answer.starts_with("538 ")) << answer;

    answer = SendMessage(smtp, "carol@example.test", "alice@example.test");
    ASSERT_TRUE(answer.starts_with("250 ")) << answer;

    // The file is in new/ by the time the 250 arrives, and tmp/ is empty again.
    std::vector<std::filesystem::path> files = FilesIn(maildir / "new");
    ASSERT_EQ(files.size(), 1u);
    EXPECT_TRUE(FilesIn(maildir / "tmp").empty());
    EXPECT_TRUE(ReadWholeFile(files[0]) == kDeliveredFile) << ReadWholeFile(files[0]);
    struct stat file_status {};
    ASSERT_EQ(::stat(files[0].c_str(), &file_status), 0);
    EXPECT_EQ(file_status.st_mode & 0777, 0644u);

    std::vector<SmtpEnvelope> envelopes = server.Envelopes();
    ASSERT_EQ(envelopes.size(), 1u);
    const SmtpEnvelope& envelope = envelopes[0];
    EXPECT_EQ(envelope.mail_from, "carol@example.test");
    EXPECT_EQ(envelope.rcpt_tos, std::vector<std::string>{"alice@example.test"});
    EXPECT_EQ(envelope.auth_user, std::nullopt);
    EXPECT_EQ(envelope.helo, "client.example.test");
    EXPECT_FALSE(envelope.tls);
    EXPECT_EQ(envelope.listener, "plain");
    EXPECT_EQ(envelope.size, kDeliveredFile.size());
    EXPECT_EQ(envelope.file, files[0].filename().string());
    EXPECT_TRUE(envelope.mail_options.empty());
    EXPECT_TRUE(smtp.Smtp("QUIT").starts_with("221 "));
}

TEST(SmtpTestServer, AuthChecksTheGivenUsersWithPlainAndLogin) {
    TempDir maildir;
    SmtpTestServer server;
    SmtpServerOptions options;
    options.auth_without_tls = true;
    ASSERT_TRUE(server.Start(maildir.path(), {{"carol", "secret"}}, options)) << server.error();
    LineConnection smtp;
    ASSERT_EQ(smtp.Connect(server.plain_port()), "");
    EXPECT_TRUE(smtp.Reply().starts_with("220 "));
    EXPECT_TRUE(smtp.Smtp("EHLO client").starts_with("250"));

    // alice is not among this server's users.
    std::string answer = smtp.Smtp("AUTH PLAIN " + Base64(std::string("\0alice\0wonderland", 17)));
    EXPECT_TRUE(answer.starts_with("535 ")) << answer;
    EXPECT_TRUE(smtp.Smtp("AUTH LOGIN").starts_with("334 "));
    EXPECT_TRUE(smtp.Smtp(Base64("carol")).starts_with("334 "));
    answer = smtp.Smtp(Base64("wrong"));
    EXPECT_TRUE(answer.starts_with("535 ")) << answer;

    EXPECT_TRUE(smtp.Smtp("AUTH LOGIN " + Base64("carol")).starts_with("334 "));
    answer = smtp.Smtp(Base64("secret"));
    ASSERT_TRUE(answer.starts_with("235 ")) << answer;
    answer = SendMessage(smtp, "carol@example.test", "dave@example.test");
    ASSERT_TRUE(answer.starts_with("250 ")) << answer;
    std::vector<SmtpEnvelope> envelopes = server.Envelopes();
    ASSERT_EQ(envelopes.size(), 1u);
    EXPECT_EQ(envelopes[0].auth_user, "carol");
}

TEST(SmtpTestServer, StartTlsUpgradesWithTheReportedCertificate) {
    TempDir maildir;
    SmtpTestServer server;
    ASSERT_TRUE(server.Start(maildir.path())) << server.error();
    LineConnection smtp;
    ASSERT_EQ(smtp.Connect(server.plain_port()), "");
    EXPECT_TRUE(smtp.Reply().starts_with("220 "));
    EXPECT_TRUE(smtp.Smtp("EHLO before").starts_with("250"));
    std::string answer = smtp.Smtp("STARTTLS");
    ASSERT_TRUE(answer.starts_with("220 ")) << answer;
    ASSERT_EQ(smtp.StartTls(), "");
    EXPECT_EQ(smtp.PeerFingerprint(), server.fingerprint());
    std::string ehlo = smtp.Smtp("EHLO after");
    EXPECT_TRUE(ehlo.starts_with("250-")) << ehlo;
    EXPECT_EQ(ehlo.find("STARTTLS"), std::string::npos) << ehlo;
    std::vector<std::string> mechanisms = AuthMechanisms(ehlo);
    EXPECT_NE(std::find(mechanisms.begin(), mechanisms.end(), "PLAIN"), mechanisms.end()) << ehlo;
    EXPECT_NE(std::find(mechanisms.begin(), mechanisms.end(), "LOGIN"), mechanisms.end()) << ehlo;
    answer = smtp.Smtp("AUTH PLAIN " + Base64(std::string("\0alice\0wonderland", 17)));
    ASSERT_TRUE(answer.starts_with("235 ")) << answer;

    answer = SendMessage(smtp, "carol@example.test", "alice@example.test");
    ASSERT_TRUE(answer.starts_with("250 ")) << answer;
    std::vector<SmtpEnvelope> envelopes = server.Envelopes();
    ASSERT_EQ(envelopes.size(), 1u);
    EXPECT_TRUE(envelopes[0].tls);
    EXPECT_EQ(envelopes[0].listener, "plain");
    EXPECT_EQ(envelopes[0].auth_user, "alice");
    EXPECT_EQ(envelopes[0].helo, "after");
}

TEST(SmtpTestServer, TlsPortSpeaksTlsFromTheStart) {
    TempDir maildir;
    SmtpTestServer server;
    ASSERT_TRUE(server.Start(maildir.path())) << server.error();
    EXPECT_TRUE(std::regex_match(server.fingerprint(), std::regex("([0-9A-F]{2}:){19}[0-9A-F]{2}")))
        << server.fingerprint();
    EXPECT_NE(server.plain_port(), server.tls_port());

    LineConnection smtp;
    ASSERT_EQ(smtp.Connect(server.tls_port()), "");
    ASSERT_EQ(smtp.StartTls(), "");
    EXPECT_EQ(smtp.PeerFingerprint(), server.fingerprint());
    EXPECT_TRUE(smtp.Reply().starts_with("220 "));
    std::string ehlo = smtp.Smtp("EHLO client");
    EXPECT_EQ(ehlo.find("STARTTLS"), std::string::npos) << ehlo;
    std::string answer = smtp.Smtp("AUTH PLAIN " + Base64(std::string("\0bob\0builder", 12)));
    ASSERT_TRUE(answer.starts_with("235 ")) << answer;
    answer = SendMessage(smtp, "bob@example.test", "alice@example.test");
    ASSERT_TRUE(answer.starts_with("250 ")) << answer;
    std::vector<SmtpEnvelope> envelopes = server.Envelopes();
    ASSERT_EQ(envelopes.size(), 1u);
    EXPECT_TRUE(envelopes[0].tls);
    EXPECT_EQ(envelopes[0].listener, "tls");
    EXPECT_EQ(envelopes[0].auth_user, "bob");
}

TEST(SmtpTestServer, RefusedRecipientGets550AndTheOthersTheMessage) {
    TempDir maildir;
    SmtpTestServer server;
    SmtpServerOptions options;
    options.reject_recipients = {"Nobody@Example.test"};
    ASSERT_TRUE(server.Start(maildir.path(), SmtpTestServer::DefaultUsers(), options))
        << server.error();
    LineConnection smtp;
    ASSERT_EQ(smtp.Connect(server.plain_port()), "");
    EXPECT_TRUE(smtp.Reply().starts_with("220 "));
    EXPECT_TRUE(smtp.Smtp("EHLO client").starts_with("250"));
    EXPECT_TRUE(smtp.Smtp("MAIL FROM:<carol@example.test> BODY=8BITMIME").starts_with("250 "));
    std::string answer = smtp.Smtp("RCPT TO:<nobody@example.TEST>");
    EXPECT_TRUE(answer.starts_with("550 ")) << answer;
    EXPECT_TRUE(smtp.Smtp("RCPT TO:<alice@example.test>").starts_with("250 "));
    EXPECT_TRUE(smtp.Smtp("RCPT TO:<bob@example.test>").starts_with("250 "));
    EXPECT_TRUE(smtp.Smtp("DATA").starts_with("354 "));
    smtp.SendRaw(kWireData);
    answer = smtp.Reply();
    ASSERT_TRUE(answer.starts_with("250 ")) << answer;
    // A second message in the same session, from the null sender.
    answer = SendMessage(smtp, "", "alice@example.test");
    ASSERT_TRUE(answer.starts_with("250 ")) << answer;

    std::vector<SmtpEnvelope> envelopes = server.Envelopes();
    ASSERT_EQ(envelopes.size(), 2u);
    EXPECT_EQ(envelopes[0].rcpt_tos,
              (std::vector<std::string>{"alice@example.test", "bob@example.test"}));
    EXPECT_EQ(envelopes[0].mail_options, std::vector<std::string>{"BODY=8BITMIME"});
    EXPECT_EQ(envelopes[1].mail_from, "<>");
    EXPECT_NE(envelopes[0].file, envelopes[1].file);
    EXPECT_EQ(FilesIn(maildir / "new").size(), 2u);
}

// The whole way: SMTP into alice's Dovecot Maildir, then POP3 gives back the very bytes that
// went over the wire after DATA (the same dot-stuffing and CR LF on both protocols).
TEST(SmtpTestServer, DeliveredMailComesBackThroughDovecotPop3) {
    DovecotServer dovecot;
    ASSERT_TRUE(dovecot.Start(2)) << dovecot.error();
    SmtpTestServer smtp_server;
    ASSERT_TRUE(smtp_server.Start(dovecot.maildir("alice"))) << smtp_server.error();
    {
        LineConnection pop;
        ASSERT_EQ(pop.Connect(dovecot.plain_port()), "");
        EXPECT_TRUE(pop.ReadLine().starts_with("+OK"));
        EXPECT_TRUE(pop.Pop("USER alice").starts_with("+OK"));
        EXPECT_TRUE(pop.Pop("PASS wonderland").starts_with("+OK"));
        std::string answer = pop.Pop("STAT");
        EXPECT_TRUE(answer.starts_with("+OK 2 ")) << answer;
        EXPECT_TRUE(pop.Pop("QUIT").starts_with("+OK"));
    }

    LineConnection smtp;
    ASSERT_EQ(smtp.Connect(smtp_server.plain_port()), "");
    EXPECT_TRUE(smtp.Reply().starts_with("220 "));
    EXPECT_TRUE(smtp.Smtp("EHLO client").starts_with("250"));
    std::string answer = SendMessage(smtp, "carol@example.test", "alice@example.test");
    ASSERT_TRUE(answer.starts_with("250 ")) << answer;
    std::vector<SmtpEnvelope> envelopes = smtp_server.Envelopes();
    ASSERT_EQ(envelopes.size(), 1u);
    std::filesystem::path file = dovecot.maildir("alice") / "new" / envelopes[0].file;
    struct stat file_status {};
    struct stat maildir_status {};
    ASSERT_EQ(::stat(file.c_str(), &file_status), 0) << file;
    ASSERT_EQ(::stat(dovecot.maildir("alice").c_str(), &maildir_status), 0);
    EXPECT_EQ(file_status.st_uid, maildir_status.st_uid);
    EXPECT_EQ(file_status.st_gid, maildir_status.st_gid);
    EXPECT_EQ(DovecotServer::ExpectedRetrText(file), kWireData);

    LineConnection pop;
    ASSERT_EQ(pop.Connect(dovecot.plain_port()), "");
    EXPECT_TRUE(pop.ReadLine().starts_with("+OK"));
    EXPECT_TRUE(pop.Pop("USER alice").starts_with("+OK"));
    EXPECT_TRUE(pop.Pop("PASS wonderland").starts_with("+OK"));
    answer = pop.Pop("STAT");
    EXPECT_TRUE(answer.starts_with("+OK 3 ")) << answer;
    std::string status;
    std::string body = pop.PopMultiLine("RETR 3", &status);
    EXPECT_TRUE(status.starts_with("+OK")) << status;
    EXPECT_TRUE(body == kWireData) << body;
    EXPECT_TRUE(pop.Pop("QUIT").starts_with("+OK"));
}

TEST(SmtpTestServer, ServesTheCertificateItIsGiven) {
    TempDir folder;
    TestCertificate certificate = MakeTestCertificate("smtp.example.test");
    WriteWholeFile(folder / "cert.pem", certificate.certificate_pem);
    WriteWholeFile(folder / "key.pem", certificate.private_key_pem);
    SmtpServerOptions options;
    options.cert_file = folder / "cert.pem";
    options.key_file = folder / "key.pem";
    SmtpTestServer server;
    ASSERT_TRUE(server.Start(folder / "Maildir", SmtpTestServer::DefaultUsers(), options))
        << server.error();
    EXPECT_EQ(server.fingerprint(), certificate.fingerprint);
    for (std::uint16_t port : {server.plain_port(), server.tls_port()}) {
        LineConnection smtp;
        ASSERT_EQ(smtp.Connect(port), "");
        if (port == server.plain_port()) {
            EXPECT_TRUE(smtp.Reply().starts_with("220 "));
            EXPECT_TRUE(smtp.Smtp("EHLO client").starts_with("250"));
            EXPECT_TRUE(smtp.Smtp("STARTTLS").starts_with("220 "));
        }
        ASSERT_EQ(smtp.StartTls(), "");
        EXPECT_EQ(smtp.PeerFingerprint(), certificate.fingerprint) << "port " << port;
    }
}

TEST(SmtpTestServer, DestructorStopsTheServerAndRemovesItsFolderButNotTheMaildir) {
    TempDir maildir;
    std::filesystem::path folder;
    int pid = 0;
    {
        SmtpTestServer server;
        ASSERT_TRUE(server.Start(maildir.path())) << server.error();
        folder = server.dir();
        pid = server.pid();
        ASSERT_TRUE(std::filesystem::exists(folder / "server.json"));
        ASSERT_EQ(::kill(pid, 0), 0);
    }
    EXPECT_FALSE(std::filesystem::exists(folder));
    EXPECT_TRUE(std::filesystem::is_directory(maildir / "new"));
    errno = 0;
    EXPECT_EQ(::kill(pid, 0), -1) << "the SMTP server (pid " << pid << ") is still there";
    EXPECT_EQ(errno, ESRCH);
}

// A process that has ended, or is a zombie that nobody reaped yet.
bool ProcessGone(int pid) {
    ::waitpid(pid, nullptr, WNOHANG);
    std::string stat = ReadWholeFile("/proc/" + std::to_string(pid) + "/stat");
    std::size_t name_end = stat.rfind(')');
    return stat.empty() || (name_end != std::string::npos && stat.substr(name_end + 2, 1) == "Z");
}

// A test program that dies without its destructors leaves no server behind: the script is
// told to watch a stand-in process here, which is then killed.
TEST(SmtpTestServer, ServerEndsByItselfWhenTheWatchedProcessEnds) {
    TempDir folder;
    pid_t stand_in = ::fork();
    ASSERT_GE(stand_in, 0);
    if (stand_in == 0) {
        ::pause();
        ::_exit(0);
    }
    std::string command = std::string("/usr/bin/python3 '") + TARVOX_SOURCE_DIR +
                          "/scripts/test-servers/smtp_server.py' start --dir '" +
                          (folder / "server").string() + "' --maildir '" +
                          (folder / "Maildir").string() + "' --watch-pid " +
                          std::to_string(stand_in);
    std::string output;
    if (FILE* pipe = ::popen(command.c_str(), "r"); pipe != nullptr) {
        char buffer[4096];
        for (std::size_t count; (count = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
            output.append(buffer, count);
        }
        ::pclose(pipe);
    }
    std::smatch match;
    bool started = std::regex_search(output, match, std::regex("\"pid\": ([0-9]+)"));
    ::kill(stand_in, SIGKILL);
    ::waitpid(stand_in, nullptr, 0);
    ASSERT_TRUE(started) << output;
    int server_pid = std::stoi(match[1].str());
    ASSERT_FALSE(ProcessGone(server_pid));
    for (int attempt = 0; attempt < 100 && !ProcessGone(server_pid); ++attempt) {
        ::usleep(50 * 1000);
    }
    EXPECT_TRUE(ProcessGone(server_pid))
        << "the SMTP server (pid " << server_pid << ") outlived the process it watched";
    if (!ProcessGone(server_pid)) {
        ::kill(server_pid, SIGKILL);
    }
}

TEST(SmtpTestServer, StartFailsWithTheScriptsReason) {
    TempDir folder;
    SmtpServerOptions options;
    options.cert_file = folder / "missing.pem";
    options.key_file = folder / "missing-key.pem";
    SmtpTestServer server;
    EXPECT_FALSE(server.Start(folder / "Maildir", SmtpTestServer::DefaultUsers(), options));
    EXPECT_NE(server.error().find("cannot read the certificate"), std::string::npos)
        << server.error();
    EXPECT_FALSE(server.running());
}

}  // namespace
}  // namespace tarvox
