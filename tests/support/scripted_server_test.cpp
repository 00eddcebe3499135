#include "support/scripted_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <regex>
#include <stdexcept>
#include <string>
#include <vector>

namespace tarvox {
namespace {

using namespace script;
using namespace std::chrono_literals;

// Keeps SIGPIPE from ending the test process while an OpenSSL call writes to a connection the
// server has closed: blocked in this thread for the call, and cleared afterwards.
class PipeSignalBlocked {
public:
    PipeSignalBlocked() {
        sigemptyset(&m_pipe);
        sigaddset(&m_pipe, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &m_pipe, &m_old);
    }
    ~PipeSignalBlocked() {
        const timespec no_wait{0, 0};
        while (sigtimedwait(&m_pipe, nullptr, &no_wait) == SIGPIPE) {
        }
        pthread_sigmask(SIG_SETMASK, &m_old, nullptr);
    }

private:
    sigset_t m_pipe;
    sigset_t m_old;
};

// The client side of the tests: a blocking socket (every wait ends after 10 s), optionally in
// TLS through OpenSSL, with no certificate checks.
class TestClient {
public:
    explicit TestClient(std::uint16_t port) {
        m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(port);
        timeval wait{10, 0};
        ::setsockopt(m_fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
        ::setsockopt(m_fd, SOL_SOCKET, SO_SNDTIMEO, &wait, sizeof wait);
        m_connected =
            ::connect(m_fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    }
    ~TestClient() { Close(); }
    TestClient(const TestClient&) = delete;
    TestClient& operator=(const TestClient&) = delete;

    bool connected() const { return m_connected; }
    int receives() const { return m_receives; }
    bool at_end() const { return m_at_end; }
    const std::string& tls_error() const { return m_tls_error; }

    // The client handshake; false (see tls_error()) when it fails.
    bool StartTls(const char* server_name = "mail.example.test") {
        PipeSignalBlocked blocked;
        m_context = SSL_CTX_new(TLS_client_method());
        m_ssl = SSL_new(m_context);
        SSL_set_fd(m_ssl, m_fd);
        SSL_set_tlsext_host_name(m_ssl, server_name);
        ERR_clear_error();
        if (SSL_connect(m_ssl) != 1) {
            char reason[256] = "no OpenSSL reason";
            if (const unsigned long error = ERR_get_error(); error != 0) {
                ERR_error_string_n(error, reason, sizeof reason);
            }
            m_tls_error = reason;
            ERR_clear_error();
            SSL_free(m_ssl);
            m_ssl = nullptr;
            return false;
        }
        return true;
    }

    // The SHA-1 digest of the server's certificate, worked out here from its DER bytes.
    std::string PeerFingerprint() const {
        X509* certificate = SSL_get1_peer_certificate(m_ssl);
        if (certificate == nullptr) {
            return "no certificate";
        }
        unsigned char* der = nullptr;
        const int length = i2d_X509(certificate, &der);
        unsigned char digest[EVP_MAX_MD_SIZE];
        unsigned int digest_length = 0;
        EVP_Digest(der, static_cast<std::size_t>(length), digest, &digest_length, EVP_sha1(),
                   nullptr);
        OPENSSL_free(der);
        X509_free(certificate);
        std::string text;
        for (unsigned int i = 0; i < digest_length; ++i) {
            char pair[4];
            std::snprintf(pair, sizeof pair, i == 0 ? "%02X" : ":%02X", digest[i]);
            text += pair;
        }
        return text;
    }

    void Write(std::string_view bytes) {
        PipeSignalBlocked blocked;
        while (!bytes.empty()) {
            const long count = m_ssl != nullptr
                                   ? SSL_write(m_ssl, bytes.data(), static_cast<int>(bytes.size()))
                                   : ::send(m_fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
            if (count <= 0) {
                ADD_FAILURE() << "the client could not send";
                return;
            }
            bytes.remove_prefix(static_cast<std::size_t>(count));
        }
    }

    // Reads until `count` bytes have come, or the end, error or time-out.
    std::string ReadExactly(std::size_t count) {
        while (m_buffer.size() < count && ReceiveOnce()) {
        }
        return Take(std::min(count, m_buffer.size()));
    }

    std::string ReadLine() {
        std::size_t newline;
        while ((newline = m_buffer.find('\n')) == std::string::npos && ReceiveOnce()) {
        }
        return Take(newline == std::string::npos ? m_buffer.size() : newline + 1);
    }

    // Everything up to the end of the stream (or an error or time-out: see at_end()).
    std::string ReadToEnd() {
        while (ReceiveOnce()) {
        }
        return Take(m_buffer.size());
    }

    void Close() {
        if (m_ssl != nullptr) {
            PipeSignalBlocked blocked;
            SSL_shutdown(m_ssl);
            SSL_free(m_ssl);
            m_ssl = nullptr;
        }
        SSL_CTX_free(m_context);
        m_context = nullptr;
        if (m_fd >= 0) {
            ::close(m_fd);
            m_fd = -1;
        }
    }

private:
    bool ReceiveOnce() {
        char buffer[16384];
        long count = 0;
        if (m_ssl != nullptr) {
            PipeSignalBlocked blocked;
            count = SSL_read(m_ssl, buffer, sizeof buffer);
            if (count <= 0) {
                const int error = SSL_get_error(m_ssl, static_cast<int>(count));
                m_at_end = error == SSL_ERROR_ZERO_RETURN ||
                           (error == SSL_ERROR_SSL &&
                            ERR_GET_REASON(ERR_peek_error()) == SSL_R_UNEXPECTED_EOF_WHILE_READING);
                ERR_clear_error();
                return false;
            }
        } else {
            count = ::recv(m_fd, buffer, sizeof buffer, 0);
            if (count <= 0) {
                m_at_end = count == 0 || errno == ECONNRESET;
                return false;
            }
        }
        ++m_receives;
        m_buffer.append(buffer, static_cast<std::size_t>(count));
        return true;
    }

    std::string Take(std::size_t count) {
        std::string taken = m_buffer.substr(0, count);
        m_buffer.erase(0, count);
        return taken;
    }

    int m_fd = -1;
    bool m_connected = false;
    SSL_CTX* m_context = nullptr;
    SSL* m_ssl = nullptr;
    std::string m_buffer;
    int m_receives = 0;
    bool m_at_end = false;
    std::string m_tls_error;
};

bool FailureMentions(const ScriptedServer& server, std::string_view part) {
    for (const std::string& failure : server.Failures()) {
        if (failure.find(part) != std::string::npos) {
            return true;
        }
    }
    return false;
}

TEST(ScriptedServer, PlainTranscriptIsMatchedAndRecorded) {
    ScriptedServer server({Send("+OK ready\r\n"), Expect("USER bob\r\n"), Send("+OK\r\n"),
                           ExpectLineStartingWith("PASS "), Send("+OK logged in\r\n"),
                           ExpectUntil("\r\n.\r\n"), Send("+OK stored\r\n"), Pause(10ms),
                           Expect("QUIT\r\n"), Send("+OK bye\r\n")});
    TestClient client(server.port());
    ASSERT_TRUE(client.connected());
    EXPECT_EQ(client.ReadLine(), "+OK ready\r\n");
    client.Write("USER bob\r\n");
    EXPECT_EQ(client.ReadLine(), "+OK\r\n");
    client.Write("PASS secret\r\n");
    EXPECT_EQ(client.ReadLine(), "+OK logged in\r\n");
    client.Write("Subject: hi\r\n\r\n..dot\r\n");
    client.Write(".\r\n");
    EXPECT_EQ(client.ReadLine(), "+OK stored\r\n");
    client.Write("QUIT\r\n");
    EXPECT_EQ(client.ReadToEnd(), "+OK bye\r\n");
    EXPECT_TRUE(client.at_end()) << "the server closes the connection after its script";

    EXPECT_SCRIPT_DONE(server);
    EXPECT_THAT(server.Failures(), testing::IsEmpty());
    EXPECT_EQ(server.Received(),
              "USER bob\r\nPASS secret\r\nSubject: hi\r\n\r\n..dot\r\n.\r\nQUIT\r\n");
    EXPECT_EQ(server.Received(0), server.Received());
}

TEST(ScriptedServer, WrongCommandFailsAtOnceAndIsReportedEscaped) {
    // A long idle time-out: the server must not wait for the rest of the expected bytes once
    // the first one differs, or the client's read below would time out instead of ending.
    ServerOptions options;
    options.idle_timeout = 60s;
    ScriptedServer server(
        {Send("+OK ready\r\n"), Expect("USER bob\r\n"), Send("+OK\r\n"), Expect("QUIT\r\n")},
        options);
    TestClient client(server.port());
    EXPECT_EQ(client.ReadLine(), "+OK ready\r\n");
    client.Write("PASS\r\n");
    EXPECT_EQ(client.ReadToEnd(), "");
    EXPECT_TRUE(client.at_end()) << "a failed script drops the connection";

    EXPECT_FALSE(server.Finish());
    const std::vector<std::string> failures = server.Failures();
    ASSERT_EQ(failures.size(), 2u);
    EXPECT_EQ(failures[0],
              "connection 1, step 2 Expect(\"USER bob\\r\\n\"): received \"PASS\\r\\n\" "
              "(first difference at byte 0)");
    EXPECT_EQ(failures[1], "connection 1: step 3 to 4 not run, from Send(\"+OK\\r\\n\")");
    EXPECT_NONFATAL_FAILURE(EXPECT_SCRIPT_DONE(server), "received \"PASS\\r\\n\"");
}

TEST(ScriptedServer, MismatchInLongDataShowsWhereItDiffers) {
    std::string expected(5000, 'a');
    expected += "tail\r\n";
    std::string sent = expected;
    sent[4990] = 'b';
    ScriptedServer server({Expect(expected)});
    TestClient client(server.port());
    client.Write(sent);
    client.ReadToEnd();

    EXPECT_FALSE(server.Finish());
    ASSERT_FALSE(server.Failures().empty());
    const std::string failure = server.Failures()[0];
    EXPECT_THAT(failure, testing::HasSubstr("first difference at byte 4990"));
    EXPECT_THAT(failure, testing::HasSubstr("aaab"));
    EXPECT_THAT(failure, testing::HasSubstr("(5006 bytes)"))
        << "the long step description is shortened";
    EXPECT_LT(failure.size(), 1000u);
}

// One step the client's line must satisfy; after it the server sends "+OK\r\n".
struct LineCase {
    const char* name;
    ScriptStep step;
    std::string sent;
    bool passes;
    std::string failure_part;  // when it does not pass
};

TEST(ScriptedServer, LineStepsAcceptAndRejectAsDescribed) {
    const auto is_digest = [](std::string_view line) {
        const std::regex digest("APOP bob [0-9a-f]{32}");
        return std::regex_match(line.begin(), line.end(), digest);
    };
    const std::vector<LineCase> cases = {
        {"any line", ExpectLine(), "NOOP\r\n", true, ""},
        {"bare LF", ExpectLine(), "NOOP\n", false, "\"NOOP\\n\", which ends in a bare LF"},
        {"prefix", ExpectLineStartingWith("PASS "), "PASS x\r\n", true, ""},
        {"wrong prefix", ExpectLineStartingWith("PASS "), "USER x\r\n", false,
         "ExpectLineStartingWith(\"PASS \"): received \"USER x\\r\\n\""},
        {"digest", ExpectLineMatching("an APOP digest", is_digest),
         "APOP bob 0123456789abcdef0123456789abcdef\r\n", true, ""},
        {"no digest", ExpectLineMatching("an APOP digest", is_digest), "APOP bob xyz\r\n", false,
         "ExpectLineMatching(an APOP digest): received \"APOP bob xyz\\r\\n\""},
        {"bytes left over", Expect("NOOP\r\n"), "NOOP\r\nSTAT\r\n", false,
         "connection 1: the client sent bytes that no step read: \"STAT\\r\\n\""},
    };
    for (const LineCase& line_case : cases) {
        SCOPED_TRACE(line_case.name);
        ScriptedServer server({line_case.step, Send("+OK\r\n")});
        TestClient client(server.port());
        client.Write(line_case.sent);
        client.ReadToEnd();
        EXPECT_EQ(server.Finish(), line_case.passes) << server.Report();
        if (!line_case.passes) {
            EXPECT_TRUE(FailureMentions(server, line_case.failure_part)) << server.Report();
        }
    }
}

TEST(ScriptedServer, ClientClosingOrFallingSilentFailsTheStep) {
    {
        ScriptedServer server({Send("+OK ready\r\n"), Expect("QUIT\r\n")});
        TestClient client(server.port());
        EXPECT_EQ(client.ReadLine(), "+OK ready\r\n");
        client.Write("QU");
        client.Close();
        EXPECT_FALSE(server.Finish());
        EXPECT_TRUE(FailureMentions(server, "the client closed the connection"));
        EXPECT_TRUE(FailureMentions(server, "received so far \"QU\""));
    }
    {
        ServerOptions options;
        options.idle_timeout = 200ms;
        ScriptedServer server({Send("+OK ready\r\n"), Expect("QUIT\r\n")}, options);
        TestClient client(server.port());
        EXPECT_EQ(client.ReadLine(), "+OK ready\r\n");
        EXPECT_FALSE(server.Finish());
        EXPECT_TRUE(FailureMentions(server, "nothing happened for 200 ms"));
    }
}

TEST(ScriptedServer, ExpectClosedWantsTheClientToHangUp) {
    {
        ScriptedServer server({Send("+OK bye\r\n"), ExpectClosed()});
        TestClient client(server.port());
        EXPECT_EQ(client.ReadLine(), "+OK bye\r\n");
        client.Close();
        EXPECT_SCRIPT_DONE(server);
    }
    {
        ScriptedServer server({Send("+OK bye\r\n"), ExpectClosed()});
        TestClient client(server.port());
        EXPECT_EQ(client.ReadLine(), "+OK bye\r\n");
        client.Write("NOOP\r\n");
        EXPECT_EQ(client.ReadToEnd(), "");
        EXPECT_FALSE(server.Finish());
        EXPECT_TRUE(FailureMentions(server, "sent \"NOOP\\r\\n\" instead of closing"));
    }
}

TEST(ScriptedServer, PiecesArriveInSeparateReceives) {
    // The pauses are long so that the client has surely read one piece before the next.
    ScriptedServer server({SendInPieces("+OK 2 messages\r\n", {3, 8}, 100ms),
                           SendSplit("1 100\r\n2 200\r\n.\r\n", 5, 100ms)});
    TestClient client(server.port());
    EXPECT_EQ(client.ReadExactly(16), "+OK 2 messages\r\n");
    EXPECT_GE(client.receives(), 2);
    const int before = client.receives();
    EXPECT_EQ(client.ReadToEnd(), "1 100\r\n2 200\r\n.\r\n");
    EXPECT_GE(client.receives() - before, 2);
    EXPECT_SCRIPT_DONE(server);
}

TEST(ScriptedServer, BadCutsAndStepsAfterTheEndAreRefused) {
    EXPECT_THROW(SendInPieces("abc", {2, 1}), std::invalid_argument);
    EXPECT_THROW(SendInPieces("abc", {3}), std::invalid_argument);
    EXPECT_THROW(SendInPieces("abc", {0}), std::invalid_argument);
    EXPECT_THROW(ScriptedServer({CloseConnection(), Send("+OK\r\n")}), std::invalid_argument);
    EXPECT_THROW(ScriptedServer({ExpectClosed(), Expect("QUIT\r\n")}), std::invalid_argument);
}

TEST(ScriptedServer, TlsFromTheFirstBytePresentsTheSharedLocalhostCertificate) {
    ServerOptions options;
    options.tls = TlsMode::Direct;
    ScriptedServer server({Send("+OK secure\r\n"), Expect("QUIT\r\n"), Send("+OK bye\r\n")},
                          options);
    EXPECT_EQ(server.certificate().fingerprint, LocalhostTestCertificate().fingerprint);

    TestClient client(server.port());
    ASSERT_TRUE(client.StartTls("pop.example.test")) << client.tls_error();
    EXPECT_EQ(client.PeerFingerprint(), LocalhostTestCertificate().fingerprint);
    EXPECT_TRUE(
        std::regex_match(client.PeerFingerprint(), std::regex("([0-9A-F]{2}:){19}[0-9A-F]{2}")));
    EXPECT_EQ(client.ReadLine(), "+OK secure\r\n");
    client.Write("QUIT\r\n");
    EXPECT_EQ(client.ReadToEnd(), "+OK bye\r\n");
    EXPECT_TRUE(client.at_end());

    EXPECT_SCRIPT_DONE(server);
    EXPECT_EQ(server.Received(), "QUIT\r\n");
    EXPECT_EQ(server.TlsServerNames(), std::vector<std::string>{"pop.example.test"});
}

TEST(ScriptedServer, StartTlsCanPresentAnotherCertificateOnALaterConnection) {
    const TestCertificate first = MakeTestCertificate("mail.example.test");
    const TestCertificate second = MakeTestCertificate("mail.example.test");
    ASSERT_NE(first.fingerprint, second.fingerprint);
    EXPECT_EQ(first.common_name, "mail.example.test");
    EXPECT_NE(first.certificate_pem.find("-----BEGIN CERTIFICATE-----"), std::string::npos);
    EXPECT_NE(first.private_key_pem.find("PRIVATE KEY-----"), std::string::npos);

    const std::vector<ScriptStep> stls = {Send("+OK ready\r\n"), Expect("STLS\r\n"),
                                          Send("+OK Begin TLS\r\n")};
    std::vector<ScriptStep> one = stls;
    one.insert(one.end(), {StartTls(), Send("+OK one\r\n"), ExpectClosed()});
    std::vector<ScriptStep> two = stls;
    two.insert(two.end(), {StartTls(second), Send("+OK two\r\n"), ExpectClosed()});
    ServerOptions options;
    options.certificate = first;
    ScriptedServer server(kScriptPerConnection, {one, two}, options);

    const std::pair<const TestCertificate*, const char*> expected[] = {{&first, "+OK one\r\n"},
                                                                       {&second, "+OK two\r\n"}};
    for (const auto& [certificate, reply] : expected) {
        TestClient client(server.port());
        EXPECT_EQ(client.ReadLine(), "+OK ready\r\n");
        client.Write("STLS\r\n");
        EXPECT_EQ(client.ReadLine(), "+OK Begin TLS\r\n");
        ASSERT_TRUE(client.StartTls()) << client.tls_error();
        EXPECT_EQ(client.PeerFingerprint(), certificate->fingerprint);
        EXPECT_EQ(client.ReadLine(), reply);
    }
    EXPECT_SCRIPT_DONE(server);
    EXPECT_EQ(server.Received(0), "STLS\r\n");
    EXPECT_EQ(server.TlsServerNames().size(), 2u);

    TestClient late(server.port());
    EXPECT_FALSE(late.connected()) << "after its last script the server refuses connections";
}

TEST(ScriptedServer, HandshakesThatCannotSucceed) {
    struct Case {
        const char* name;
        std::vector<ScriptStep> steps;
        const char* client_error;
    };
    const std::vector<Case> cases = {
        {"fatal alert", {ExpectTlsHello(), SendTlsAlert(), ExpectClosed()}, "handshake failure"},
        {"garbage",
         {ExpectTlsHello(), Send("HTTP/1.0 400 Bad Request\r\n\r\n"), ExpectClosed()},
         "wrong version number"},
        {"plain-text server",
         {Send("+OK POP3 ready\r\n"), ExpectTlsHello(), ExpectClosed()},
         "wrong version number"},
    };
    for (const Case& handshake : cases) {
        SCOPED_TRACE(handshake.name);
        ScriptedServer server(handshake.steps);
        TestClient client(server.port());
        EXPECT_FALSE(client.StartTls());
        EXPECT_THAT(client.tls_error(), testing::HasSubstr(handshake.client_error));
        client.Close();
        EXPECT_SCRIPT_DONE(server);
    }

    {
        SCOPED_TRACE("plain-text client");
        ServerOptions options;
        options.tls = TlsMode::Direct;
        ScriptedServer server({Send("+OK secure\r\n")}, options);
        TestClient client(server.port());
        client.Write("USER bob\r\n");
        EXPECT_EQ(client.ReadToEnd(), "") << "the server replies no plain text";
        EXPECT_FALSE(server.Finish());
        EXPECT_TRUE(FailureMentions(server, "step 1 StartTls(): TLS handshake failed: "))
            << server.Report();
    }
    {
        SCOPED_TRACE("ClientHello expected");
        ScriptedServer server({ExpectTlsHello()});
        TestClient client(server.port());
        client.Write("CAPA\r\n");
        client.ReadToEnd();
        EXPECT_FALSE(server.Finish());
        EXPECT_TRUE(
            FailureMentions(server, "expected a TLS handshake record, received \"CAPA\\r\\n\""))
            << server.Report();
    }
}

TEST(ScriptedServer, ClosingMidReplyIsSeenByTheClient) {
    for (const TlsMode mode : {TlsMode::Plain, TlsMode::Direct}) {
        SCOPED_TRACE(mode == TlsMode::Plain ? "plain" : "TLS");
        ServerOptions options;
        options.tls = mode;
        ScriptedServer server({Send("+OK 2 messages\r\n1 120\r\n2 1"), CloseConnection()}, options);
        TestClient client(server.port());
        if (mode == TlsMode::Direct) {
            ASSERT_TRUE(client.StartTls()) << client.tls_error();
        }
        EXPECT_EQ(client.ReadToEnd(), "+OK 2 messages\r\n1 120\r\n2 1");
        EXPECT_TRUE(client.at_end());
        EXPECT_SCRIPT_DONE(server);
    }
}

TEST(ScriptedServer, TwentyMegabyteReplyArrivesWhole) {
    const std::string line = std::string(62, 'm') + "\r\n";
    const std::size_t count = (20u << 20) / line.size();
    for (const TlsMode mode : {TlsMode::Plain, TlsMode::Direct}) {
        SCOPED_TRACE(mode == TlsMode::Plain ? "plain" : "TLS");
        ServerOptions options;
        options.tls = mode;
        ScriptedServer server({SendRepeated("+OK message follows\r\n", line, count, ".\r\n"),
                               Expect("QUIT\r\n"), Send("+OK\r\n")},
                              options);
        TestClient client(server.port());
        if (mode == TlsMode::Direct) {
            ASSERT_TRUE(client.StartTls()) << client.tls_error();
        }
        EXPECT_EQ(client.ReadLine(), "+OK message follows\r\n");
        const std::string body = client.ReadExactly(line.size() * count);
        ASSERT_EQ(body.size(), line.size() * count);
        std::size_t wrong_lines = 0;
        for (std::size_t offset = 0; offset < body.size(); offset += line.size()) {
            wrong_lines += body.compare(offset, line.size(), line) != 0 ? 1 : 0;
        }
        EXPECT_EQ(wrong_lines, 0u);
        EXPECT_EQ(client.ReadLine(), ".\r\n");
        client.Write("QUIT\r\n");
        EXPECT_EQ(client.ReadToEnd(), "+OK\r\n");
        EXPECT_SCRIPT_DONE(server);
    }
}

TEST(ScriptedServer, GeneratedBytesComeInOrderAcrossChunks) {
    const std::size_t size = 200'001;  // several generator calls, the last one short
    ScriptedServer server({SendGenerated(size, [](std::size_t offset, std::span<char> out) {
        for (char& byte : out) {
            byte = static_cast<char>(offset++ % 251);
        }
    })});
    TestClient client(server.port());
    const std::string received = client.ReadToEnd();
    ASSERT_EQ(received.size(), size);
    std::size_t wrong = 0;
    for (std::size_t i = 0; i < size; ++i) {
        wrong += received[i] != static_cast<char>(i % 251) ? 1 : 0;
    }
    EXPECT_EQ(wrong, 0u);
    EXPECT_SCRIPT_DONE(server);
}

TEST(ScriptedServer, EndlessLineWhichTheClientMayAbandon) {
    const std::size_t size = 20u << 20;
    {
        SCOPED_TRACE("read whole");
        ScriptedServer server({SendRepeated("", "x", size, ""), CloseConnection()});
        TestClient client(server.port());
        const std::string received = client.ReadToEnd();
        EXPECT_TRUE(client.at_end());
        EXPECT_EQ(received.size(), size);
        EXPECT_EQ(received.find_first_not_of('x'), std::string::npos);
        EXPECT_SCRIPT_DONE(server);
    }
    {
        SCOPED_TRACE("abandoned, allowed");
        ScriptedServer server({ClientMayClose(SendRepeated("", "x", size, "")), CloseConnection()});
        TestClient client(server.port());
        EXPECT_EQ(client.ReadExactly(16384), std::string(16384, 'x'));
        client.Close();
        EXPECT_SCRIPT_DONE(server);
    }
    {
        SCOPED_TRACE("abandoned, not allowed");
        ScriptedServer server({SendRepeated("", "x", size, ""), CloseConnection()});
        TestClient client(server.port());
        EXPECT_EQ(client.ReadExactly(16384), std::string(16384, 'x'));
        client.Close();
        EXPECT_FALSE(server.Finish());
        EXPECT_TRUE(FailureMentions(server, "the client closed the connection")) << server.Report();
    }
}

TEST(ScriptedServer, FinishGivesUpAndSaysWhere) {
    ServerOptions options;
    options.idle_timeout = 60s;
    {
        ScriptedServer server({Send("+OK ready\r\n"), Expect("QUIT\r\n")}, options);
        TestClient client(server.port());
        EXPECT_EQ(client.ReadLine(), "+OK ready\r\n");
        EXPECT_FALSE(server.Finish(200ms));
        EXPECT_TRUE(FailureMentions(
            server, "Finish() gave up after 200 ms at connection 1, step 2 Expect(\"QUIT\\r\\n\")"))
            << server.Report();
        EXPECT_FALSE(server.Finish()) << "a second call gives the same answer";
    }
    {
        ScriptedServer server(kScriptPerConnection, {{Send("+OK\r\n")}, {Send("+OK\r\n")}},
                              options);
        EXPECT_FALSE(server.Finish(100ms));
        EXPECT_TRUE(FailureMentions(server, "at connection 1, waiting for the client to connect"));
        EXPECT_TRUE(FailureMentions(server, "connection 1 was not opened"));
        EXPECT_TRUE(FailureMentions(server, "connection 2 not opened"));
    }
}

// The destructor must not wait for a client that neither talks nor reads.
TEST(ScriptedServer, DestructorReturnsPromptlyWithAStuckClient) {
    ServerOptions options;
    options.idle_timeout = 60s;
    struct Case {
        const char* name;
        std::vector<ScriptStep> steps;
        std::size_t client_reads;  // then the client falls silent
    };
    const std::vector<Case> cases = {
        {"server waits for a command", {Send("+OK ready\r\n"), Expect("QUIT\r\n")}, 11},
        {"server cannot send", {SendRepeated("", "x", 64u << 20, "")}, 1},
        {"no client", {Send("+OK ready\r\n")}, 0},
    };
    for (const Case& stuck : cases) {
        SCOPED_TRACE(stuck.name);
        std::chrono::steady_clock::duration took{};
        const auto run = [&] {
            std::optional<TestClient> client;
            auto server = std::make_unique<ScriptedServer>(stuck.steps, options);
            if (stuck.client_reads > 0) {
                client.emplace(server->port());
                EXPECT_EQ(client->ReadExactly(stuck.client_reads).size(), stuck.client_reads);
            }
            const auto start = std::chrono::steady_clock::now();
            server.reset();
            took = std::chrono::steady_clock::now() - start;
        };
        EXPECT_NONFATAL_FAILURE(run(), "ScriptedServer destroyed without Finish()");
        EXPECT_LT(took, 5s);
    }
}

}  // namespace
}  // namespace tarvox
