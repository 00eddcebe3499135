// Proves the Dovecot harness itself with a bare socket and OpenSSL, before any client code
// relies on it: the greeting, logins, the sample messages byte for byte, TLS on both ports
// and the certificate fingerprint.
#include "support/dovecot_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace tarvox {
namespace {

std::string Hex(const unsigned char* data, unsigned int size, const char* separator) {
    std::string text;
    for (unsigned int i = 0; i < size; ++i) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02X", data[i]);
        if (i > 0) {
            text += separator;
        }
        text += pair;
    }
    return text;
}

std::string Md5Hex(const std::string& text) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    EVP_Digest(text.data(), text.size(), digest, &size, EVP_md5(), nullptr);
    std::string hex = Hex(digest, size, "");
    for (char& c : hex) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return hex;
}

// One POP3 connection over a plain socket, optionally switched to TLS.
class PopConnection {
public:
    ~PopConnection() {
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
        return Hex(digest, size, ":");
    }

    void Send(const std::string& command) {
        std::string line = command + "\r\n";
        if (m_ssl != nullptr) {
            SSL_write(m_ssl, line.data(), static_cast<int>(line.size()));
        } else {
            [[maybe_unused]] ssize_t sent = ::send(m_fd, line.data(), line.size(), MSG_NOSIGNAL);
        }
    }

    // One line with its CR LF; empty when the connection ended or timed out.
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

    // A command whose answer is one line.
    std::string Command(const std::string& command) {
        Send(command);
        return ReadLine();
    }

    // The lines of a multi-line answer after its status line, up to and including ".\r\n";
    // the status line goes to *status.
    std::string MultiLine(const std::string& command, std::string* status) {
        Send(command);
        *status = ReadLine();
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

std::string ApopTimestamp(const std::string& greeting) {
    std::smatch match;
    std::regex stamp("<[^<>@]+@[^<>]+>");
    return std::regex_search(greeting, match, stamp) ? match.str() : std::string();
}

TEST(DovecotServer, ServesTheSampleMessagesByteForByteOnThePlainPort) {
    DovecotServer server;
    ASSERT_TRUE(server.Start()) << server.error();
    // Read before logging in: the first login moves the files from new/ to cur/.
    std::vector<std::filesystem::path> files = server.MessageFiles("alice");
    ASSERT_EQ(files.size(), 5u);
    EXPECT_TRUE(server.MessageFiles("bob").empty());
    std::vector<std::string> expected;
    for (const std::filesystem::path& file : files) {
        expected.push_back(DovecotServer::ExpectedRetrText(file));
    }
    EXPECT_GT(std::filesystem::file_size(files[4]), 300u * 1024 - 100);

    PopConnection pop;
    ASSERT_EQ(pop.Connect(server.plain_port()), "");
    std::string greeting = pop.ReadLine();
    EXPECT_TRUE(greeting.starts_with("+OK ")) << greeting;
    EXPECT_TRUE(greeting.ends_with(">\r\n")) << greeting;
    EXPECT_NE(ApopTimestamp(greeting), "") << greeting;

    EXPECT_TRUE(pop.Command("USER alice").starts_with("+OK"));
    std::string answer = pop.Command("PASS " + server.password("alice"));
    ASSERT_TRUE(answer.starts_with("+OK")) << answer;
    answer = pop.Command("STAT");
    EXPECT_TRUE(answer.starts_with("+OK 5 ")) << answer;

    // Message 1 first, then every other one: dot-stuffing, quoted-printable, the base64
    // attachment and the 300 KB message all arrive as the helper predicts.
    std::string status;
    EXPECT_TRUE(pop.MultiLine("RETR 1", &status) == expected[0]) << "message 1, " << files[0];
    EXPECT_TRUE(status.starts_with("+OK")) << status;
    std::size_t stuffed_lines = 0;
    for (std::size_t i = 1; i < files.size(); ++i) {
        std::string body = pop.MultiLine("RETR " + std::to_string(i + 1), &status);
        EXPECT_TRUE(body == expected[i]) << "message " << i + 1 << ", " << files[i] << ":\n"
                                         << body.substr(0, 2000);
        EXPECT_TRUE(status.starts_with("+OK")) << status;
        if (body.find("\r\n..\r\n") != std::string::npos) {
            ++stuffed_lines;
        }
    }
    EXPECT_EQ(stuffed_lines, 1u) << "one sample message has lone-dot lines";
    EXPECT_TRUE(pop.Command("QUIT").starts_with("+OK"));
    EXPECT_EQ(server.MessageFiles("alice").size(), 5u);
}

TEST(DovecotServer, ApopWorksWithThePasswdFileAndBobsMailboxIsEmpty) {
    DovecotServer server;
    ASSERT_TRUE(server.Start(2)) << server.error();
    EXPECT_EQ(server.MessageFiles("alice").size(), 2u);
    {
        PopConnection pop;
        ASSERT_EQ(pop.Connect(server.plain_port()), "");
        std::string stamp = ApopTimestamp(pop.ReadLine());
        ASSERT_NE(stamp, "");
        std::string answer = pop.Command("APOP bob " + Md5Hex(stamp + "builder"));
        ASSERT_TRUE(answer.starts_with("+OK")) << answer;
        EXPECT_EQ(pop.Command("STAT"), "+OK 0 0\r\n");
        EXPECT_TRUE(pop.Command("QUIT").starts_with("+OK"));
    }
    {
        // The digest of the wrong password is refused (Dovecot delays the answer ~2 s).
        PopConnection pop;
        ASSERT_EQ(pop.Connect(server.plain_port()), "");
        std::string stamp = ApopTimestamp(pop.ReadLine());
        EXPECT_TRUE(pop.Command("APOP alice " + Md5Hex(stamp + "builder")).starts_with("-ERR"));
    }
}

TEST(DovecotServer, TlsPortServesTheReportedCertificateAndARestartChangesIt) {
    DovecotServer server;
    ASSERT_TRUE(server.Start(1, "mail.example.test")) << server.error();
    ASSERT_EQ(server.fingerprint().size(), 59u);
    EXPECT_TRUE(std::regex_match(server.fingerprint(), std::regex("([0-9A-F]{2}:){19}[0-9A-F]{2}")))
        << server.fingerprint();
    std::string first = server.fingerprint();
    std::uint16_t plain_port = server.plain_port();
    std::uint16_t tls_port = server.tls_port();
    {
        PopConnection pop;
        ASSERT_EQ(pop.Connect(tls_port), "");
        ASSERT_EQ(pop.StartTls(), "");
        EXPECT_EQ(pop.PeerFingerprint(), first);
        EXPECT_TRUE(pop.ReadLine().starts_with("+OK"));
        EXPECT_TRUE(pop.Command("USER alice").starts_with("+OK"));
        EXPECT_TRUE(pop.Command("PASS wonderland").starts_with("+OK"));
        EXPECT_TRUE(pop.Command("STAT").starts_with("+OK 1 "));
    }

    ASSERT_TRUE(server.RestartWithNewCertificate()) << server.error();
    EXPECT_NE(server.fingerprint(), first);
    EXPECT_EQ(server.plain_port(), plain_port);
    EXPECT_EQ(server.tls_port(), tls_port);
    PopConnection pop;
    ASSERT_EQ(pop.Connect(tls_port), "");
    ASSERT_EQ(pop.StartTls(), "");
    EXPECT_EQ(pop.PeerFingerprint(), server.fingerprint());
    EXPECT_TRUE(pop.ReadLine().starts_with("+OK"));
}

TEST(DovecotServer, PlainPortOffersStlsAndUpgrades) {
    DovecotServer server;
    ASSERT_TRUE(server.Start(1)) << server.error();
    PopConnection pop;
    ASSERT_EQ(pop.Connect(server.plain_port()), "");
    EXPECT_TRUE(pop.ReadLine().starts_with("+OK"));
    std::string status;
    std::string capabilities = pop.MultiLine("CAPA", &status);
    EXPECT_NE(capabilities.find("\r\nSTLS\r\n"), std::string::npos) << capabilities;
    EXPECT_TRUE(pop.Command("STLS").starts_with("+OK"));
    ASSERT_EQ(pop.StartTls(), "");
    EXPECT_EQ(pop.PeerFingerprint(), server.fingerprint());
    EXPECT_TRUE(pop.Command("USER alice").starts_with("+OK"));
    EXPECT_TRUE(pop.Command("PASS wonderland").starts_with("+OK"));
    EXPECT_TRUE(pop.Command("STAT").starts_with("+OK 1 "));
}

// Dovecot delivers edge cases the sample messages do not have just as ExpectedRetrText
// predicts: CR LF already in the file, a bare CR, and a last line without a line end.
TEST(DovecotServer, ExpectedRetrTextMatchesDovecotOnUnusualLineEnds) {
    DovecotServer server;
    ASSERT_TRUE(server.Start(0)) << server.error();
    std::filesystem::path file = server.maildir("bob") / "new" / "1704103260.M1P1.tarvox-test";
    WriteWholeFile(file, "Subject: odd\n\nline one\r\nbare\rcr\n.dot\n..two\nno line end");
    std::filesystem::permissions(file, std::filesystem::perms::owner_read |
                                           std::filesystem::perms::group_read |
                                           std::filesystem::perms::others_read);
    const std::string expected = DovecotServer::ExpectedRetrText(file);
    EXPECT_EQ(expected,
              "Subject: odd\r\n\r\nline one\r\nbare\rcr\r\n..dot\r\n...two\r\nno line end\r\n"
              ".\r\n");

    PopConnection pop;
    ASSERT_EQ(pop.Connect(server.plain_port()), "");
    EXPECT_TRUE(pop.ReadLine().starts_with("+OK"));
    EXPECT_TRUE(pop.Command("USER bob").starts_with("+OK"));
    EXPECT_TRUE(pop.Command("PASS builder").starts_with("+OK"));
    std::string status;
    EXPECT_EQ(pop.MultiLine("RETR 1", &status), expected);  // the login moved the file to cur/
}

TEST(DovecotServer, DestructorStopsDovecotAndRemovesItsFolder) {
    std::filesystem::path folder;
    int pid = 0;
    {
        DovecotServer server;
        ASSERT_TRUE(server.Start(0)) << server.error();
        folder = server.dir();
        pid = server.pid();
        ASSERT_TRUE(std::filesystem::exists(folder / "dovecot.conf"));
        ASSERT_EQ(::kill(pid, 0), 0);
    }
    EXPECT_FALSE(std::filesystem::exists(folder));
    errno = 0;
    EXPECT_EQ(::kill(pid, 0), -1) << "Dovecot's master (pid " << pid << ") is still there";
    EXPECT_EQ(errno, ESRCH);
}

TEST(DovecotServer, StartFailsWithTheScriptsReason) {
    DovecotServer server;
    EXPECT_FALSE(server.Start(-1));
    EXPECT_NE(server.error().find("--messages must not be negative"), std::string::npos)
        << server.error();
    EXPECT_FALSE(server.running());
}

}  // namespace
}  // namespace tarvox
