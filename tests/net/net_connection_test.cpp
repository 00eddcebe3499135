#include "net/net_connection.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <chrono>
#include <future>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

#include "net/tls_certificate.h"
#include "net/tls_library.h"
#include "support/scripted_server.h"

namespace tarvox {
namespace {

using namespace script;

ServerOptions DirectTls() {
    ServerOptions options;
    options.tls = TlsMode::Direct;
    return options;
}
using namespace std::chrono_literals;

const TlsLibrary& Tls() {
    static TlsLibrary* library = [] {
        auto* loaded = new TlsLibrary;
        loaded->Load();
        return loaded;
    }();
    return *library;
}

NetAddress Loopback(std::uint16_t port, std::string_view host = "127.0.0.1") {
    NetAddress address;
    EXPECT_EQ(ResolveHost(host, port, address), 0);
    return address;
}

TEST(ResolveHost, UsesDottedAddressesAsTheyStand) {
    struct Case {
        std::string host;
        int result;
        std::string address;
    };
    const Case cases[] = {
        {"127.0.0.1", 0, "127.0.0.1"},
        {"127.1", 0, "127.0.0.1"},  // the short forms inet_addr takes
        {"10.1.2.3", 0, "10.1.2.3"},
        {"", 1, ""},
    };
    for (const Case& c : cases) {
        NetAddress address;
        EXPECT_EQ(ResolveHost(c.host, 110, address), c.result) << c.host;
        if (c.result == 0) {
            ASSERT_EQ(address.entries.size(), 1u);
            const auto* in = reinterpret_cast<const sockaddr_in*>(&address.entries[0].address);
            EXPECT_EQ(in->sin_family, AF_INET);
            EXPECT_EQ(ntohs(in->sin_port), 110);
            char text[INET_ADDRSTRLEN] = {};
            ::inet_ntop(AF_INET, &in->sin_addr, text, sizeof(text));
            EXPECT_EQ(text, c.address);
        }
    }
}

TEST(ResolveHost, LooksUpNamesIncludingIpv6) {
    NetAddress address;
    ASSERT_EQ(ResolveHost("localhost", 995, address), 0);
    ASSERT_FALSE(address.entries.empty());
    for (const NetAddress::Entry& entry : address.entries) {
        EXPECT_TRUE(entry.address.ss_family == AF_INET || entry.address.ss_family == AF_INET6);
    }
    ASSERT_EQ(ResolveHost("::1", 995, address), 0);
    EXPECT_EQ(address.entries.at(0).address.ss_family, AF_INET6);
}

TEST(NetConnection, RefusedConnectLeavesNothingOpen) {
    int probe = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in in{};
    in.sin_family = AF_INET;
    in.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(probe, reinterpret_cast<sockaddr*>(&in), sizeof(in)), 0);
    socklen_t length = sizeof(in);
    ::getsockname(probe, reinterpret_cast<sockaddr*>(&in), &length);
    ::close(probe);  // nothing listens on that port now

    NetConnection connection(&Tls());
    EXPECT_EQ(connection.Connect(false, Loopback(ntohs(in.sin_port))), 5);
    EXPECT_FALSE(connection.Connected());
    EXPECT_EQ(connection.Send("x"), 12);
    EXPECT_EQ(connection.Close(), 14);
}

TEST(NetConnection, ReadReplyStopsAtTheFirstLineEndAndKeepsTheRest) {
    ScriptedServer server({SendInPieces("+OK hel" "lo\r\nextra", {7}), Expect("NEXT\r\n"),
                           Send("-ERR no\r\n"), ExpectClosed()});
    NetConnection connection(&Tls());
    ASSERT_EQ(connection.Connect(false, Loopback(server.port())), 1);
    std::string reply;
    ASSERT_EQ(ReadReply(connection, reply, 16384), 1);
    EXPECT_TRUE(reply == "+OK hello\r\n" || reply == "+OK hello\r\nextra") << reply;
    ASSERT_EQ(connection.Send("NEXT\r\n"), 1);
    ASSERT_EQ(ReadReply(connection, reply, 16384), 1);
    EXPECT_TRUE(reply.ends_with("-ERR no\r\n")) << reply;
    EXPECT_EQ(connection.Close(), 1);
    EXPECT_SCRIPT_DONE(server);
}

TEST(NetConnection, ReplyFillingTheBufferWithoutLineEndGivesGracefullyClosed) {
    ScriptedServer server({ClientMayClose(Send(std::string(200, 'x'))), ExpectClosed()});
    NetConnection connection(&Tls());
    ASSERT_EQ(connection.Connect(false, Loopback(server.port())), 1);
    std::string reply;
    EXPECT_EQ(ReadReply(connection, reply, 100), 11);
    EXPECT_LE(reply.size(), 99u);
    connection.Close();
    EXPECT_SCRIPT_DONE(server);
}

TEST(NetConnection, PeerClosingDuringAReadGivesGracefullyClosed) {
    ScriptedServer server({Send("+OK par"), CloseConnection()});
    NetConnection connection(&Tls());
    ASSERT_EQ(connection.Connect(false, Loopback(server.port())), 1);
    std::string reply;
    EXPECT_EQ(ReadReply(connection, reply, 16384), 11);
    connection.Close();
    EXPECT_SCRIPT_DONE(server);
}

TEST(NetConnection, DirectTlsSendsTheServerNameAndShowsTheCertificate) {
    ScriptedServer server(
        kScriptPerConnection,
        {{Expect("HELLO\r\n"), Send("+OK tls\r\n"), ExpectClosed()},
         {Expect("AGAIN\r\n"), ExpectClosed()}},
        DirectTls());
    NetConnection connection(&Tls());
    ASSERT_EQ(connection.Connect(true, Loopback(server.port(), "localhost")), 1);
    EXPECT_TRUE(connection.TlsActive());
    EXPECT_EQ(connection.StartTls(), 1);  // already in TLS: nothing changes
    ASSERT_EQ(connection.Send("HELLO\r\n"), 1);
    std::string reply;
    ASSERT_EQ(ReadReply(connection, reply, 1024), 1);
    EXPECT_EQ(reply, "+OK tls\r\n");

    CertificateDetails details = QueryCertificate(connection);
    EXPECT_EQ(details.fingerprint, server.certificate().fingerprint);
    EXPECT_EQ(details.subject, "/CN=localhost");
    EXPECT_EQ(details.issuer, "/CN=localhost");
    EXPECT_TRUE(details.protocol && details.protocol->starts_with("TLSv1."));
    EXPECT_TRUE(details.cipher_name && !details.cipher_name->empty());
    EXPECT_TRUE(details.valid_from && details.valid_from->ends_with("GMT"));
    EXPECT_TRUE(details.valid_to && details.valid_to->ends_with("GMT"));
    const std::string recorded = server.certificate().fingerprint;
    std::string lower = recorded;
    for (char& c : lower) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    EXPECT_TRUE(TlsFingerprintMatches(connection, &recorded));
    EXPECT_FALSE(TlsFingerprintMatches(connection, &lower));
    EXPECT_FALSE(TlsFingerprintMatches(connection, nullptr));
    connection.Close();
    EXPECT_FALSE(TlsFingerprint(connection).has_value());

    // An address literal is never sent as the server name.
    NetConnection literal(&Tls());
    ASSERT_EQ(literal.Connect(true, Loopback(server.port())), 1);
    ASSERT_EQ(literal.Send("AGAIN\r\n"), 1);
    literal.Close();
    EXPECT_SCRIPT_DONE(server);
    EXPECT_EQ(server.TlsServerNames(), (std::vector<std::string>{"localhost", ""}));
}

TEST(NetConnection, StartTlsUpgradesAnOpenStream) {
    ScriptedServer server({Send("+OK\r\n"), Expect("STLS\r\n"), Send("+OK go\r\n"), StartTls(),
                           Expect("CAPA\r\n"), ExpectClosed()});
    NetConnection connection(&Tls());
    ASSERT_EQ(connection.Connect(false, Loopback(server.port())), 1);
    std::string reply;
    ASSERT_EQ(ReadReply(connection, reply, 1024), 1);
    ASSERT_EQ(connection.Send("STLS\r\n"), 1);
    ASSERT_EQ(ReadReply(connection, reply, 1024), 1);
    ASSERT_EQ(connection.StartTls(), 1);
    EXPECT_TRUE(connection.TlsActive());
    EXPECT_EQ(TlsFingerprint(connection), server.certificate().fingerprint);
    ASSERT_EQ(connection.Send("CAPA\r\n"), 1);
    EXPECT_EQ(connection.Close(), 1);
    EXPECT_SCRIPT_DONE(server);
}

TEST(NetConnection, FailedHandshakesLeaveNothingOpen) {
    struct Case {
        const char* what;
        std::vector<ScriptStep> script;
        NetResult expected;
    };
    std::vector<Case> cases;
    cases.push_back({"fatal alert", {ExpectTlsHello(), SendTlsAlert(), ExpectClosed()}, 7});
    cases.push_back({"not TLS at all",
                     {ExpectTlsHello(), ClientMayClose(Send("+OK POP3 ready\r\n")),
                      ExpectClosed()},
                     8});
    for (Case& c : cases) {
        ScriptedServer server(std::move(c.script));
        NetConnection connection(&Tls());
        EXPECT_EQ(connection.Connect(true, Loopback(server.port())), c.expected) << c.what;
        EXPECT_FALSE(connection.Connected());
        EXPECT_FALSE(connection.TlsActive());
        EXPECT_EQ(connection.Close(), 14) << c.what;  // nothing was left open
        EXPECT_SCRIPT_DONE(server);
    }
}

// ---- Close from another thread ----

// A listener that accepts and then neither reads nor writes.
class SilentPeer {
public:
    explicit SilentPeer(int backlog = 16) {
        m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in in{};
        in.sin_family = AF_INET;
        in.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_listener, reinterpret_cast<sockaddr*>(&in), sizeof(in));
        ::listen(m_listener, backlog);
        socklen_t length = sizeof(in);
        ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&in), &length);
        m_port = ntohs(in.sin_port);
    }
    ~SilentPeer() {
        for (int fd : m_held) {
            ::close(fd);
        }
        ::close(m_listener);
    }
    std::uint16_t port() const { return m_port; }
    // Opens connections without accepting them until the queue is full, so
    // the next connect waits for an answer that does not come.
    void FillQueue() {
        for (int i = 0; i < 8; ++i) {
            int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
            sockaddr_in in{};
            in.sin_family = AF_INET;
            in.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            in.sin_port = htons(m_port);
            ::connect(fd, reinterpret_cast<sockaddr*>(&in), sizeof(in));
            m_held.push_back(fd);
        }
        std::this_thread::sleep_for(50ms);
    }

private:
    int m_listener = -1;
    std::uint16_t m_port = 0;
    std::vector<int> m_held;
};

// Runs `call` on a worker, checks that it is still blocked after a while,
// closes the connection from this thread and expects the call to end within
// a second with a failure.
void ExpectCloseEndsBlockedCall(NetConnection& connection,
                                const std::function<NetResult()>& call, const char* what) {
    std::promise<NetResult> done;
    std::future<NetResult> result = done.get_future();
    std::thread worker([&] { done.set_value(call()); });
    bool blocked = result.wait_for(150ms) == std::future_status::timeout;
    auto closed_at = std::chrono::steady_clock::now();
    connection.Close();
    bool ended = result.wait_for(1s) == std::future_status::ready;
    auto elapsed = std::chrono::steady_clock::now() - closed_at;
    if (!ended) {
        // Do not leave the worker behind: end the test's peers, then wait.
        result.wait();
    }
    worker.join();
    EXPECT_TRUE(blocked) << what << ": the call returned before Close";
    EXPECT_TRUE(ended) << what << ": still blocked one second after Close";
    EXPECT_LT(elapsed, 1s) << what;
    EXPECT_NE(result.get(), 1) << what;
    EXPECT_FALSE(connection.Connected()) << what;
}

constexpr int kRepetitions = 20;

TEST(NetConnectionAbort, CloseEndsABlockedConnect) {
    for (int i = 0; i < kRepetitions; ++i) {
        SilentPeer peer(0);
        peer.FillQueue();
        NetConnection connection(&Tls());
        NetAddress address = Loopback(peer.port());
        ExpectCloseEndsBlockedCall(
            connection, [&] { return connection.Connect(false, address); }, "connect");
    }
}

TEST(NetConnectionAbort, AbortBeforeConnectIsNotForgotten) {
    SilentPeer peer;
    NetConnection connection(&Tls());
    // The user pressed Abort while the worker was still looking up the host.
    connection.Abort();
    EXPECT_EQ(connection.Connect(false, Loopback(peer.port())), net::kAborted);
    EXPECT_FALSE(connection.Connected());
    // Close alone belongs to the conversation: a later Connect goes ahead.
    NetConnection closed(&Tls());
    closed.Close();
    EXPECT_EQ(closed.Connect(false, Loopback(peer.port())), net::kSuccess);
    closed.Close();
}

TEST(NetConnectionAbort, CloseEndsABlockedPlainReceiveAndSend) {
    for (int i = 0; i < kRepetitions; ++i) {
        SilentPeer peer;
        NetConnection receiving(&Tls());
        ASSERT_EQ(receiving.Connect(false, Loopback(peer.port())), 1);
        char buffer[64];
        ExpectCloseEndsBlockedCall(
            receiving, [&] { return receiving.Receive(buffer, sizeof(buffer), nullptr); },
            "receive");

        NetConnection sending(&Tls());
        ASSERT_EQ(sending.Connect(false, Loopback(peer.port())), 1);
        const std::string big(64 << 20, 'x');
        ExpectCloseEndsBlockedCall(sending, [&] { return sending.Send(big); }, "send");
    }
}

TEST(NetConnectionAbort, CloseEndsABlockedTlsHandshake) {
    for (int i = 0; i < kRepetitions; ++i) {
        SilentPeer peer;
        NetConnection connection(&Tls());
        NetAddress address = Loopback(peer.port());
        ExpectCloseEndsBlockedCall(
            connection, [&] { return connection.Connect(true, address); }, "TLS handshake");
    }
}

TEST(NetConnectionAbort, CloseEndsABlockedTlsReadAndWrite) {
    for (int i = 0; i < kRepetitions; ++i) {
        // A TLS server that waits for a line that never comes, and reads
        // nothing meanwhile.
        ServerOptions options = DirectTls();
        options.idle_timeout = 15s;
        ScriptedServer read_server({ClientMayClose(Expect("never\r\n")), ExpectClosed()}, options);
        NetConnection reading(&Tls());
        ASSERT_EQ(reading.Connect(true, Loopback(read_server.port())), 1);
        char buffer[64];
        ExpectCloseEndsBlockedCall(
            reading, [&] { return reading.Receive(buffer, sizeof(buffer), nullptr); },
            "TLS read");
        EXPECT_SCRIPT_DONE(read_server);

        ScriptedServer write_server({ClientMayClose(Pause(15s)), ExpectClosed()}, options);
        NetConnection writing(&Tls());
        ASSERT_EQ(writing.Connect(true, Loopback(write_server.port())), 1);
        const std::string big(64 << 20, 'x');
        ExpectCloseEndsBlockedCall(writing, [&] { return writing.Send(big); }, "TLS write");
        write_server.Finish(10ms);  // still pausing: stop it
    }
}

TEST(NetConnectionAbort, CloseRacingAFinishedCallIsHarmless) {
    // Close at every moment around short exchanges: nothing is freed twice
    // and no descriptor is closed twice (the sanitizer builds check).
    for (int i = 0; i < 200; ++i) {
        ScriptedServer server({ClientMayClose(Send("+OK\r\n")), ClientMayClose(Expect("QUIT\r\n")),
                               ClientMayClose(Send("+OK bye\r\n")), ExpectClosed()},
                              i % 2 ? DirectTls() : ServerOptions{});
        NetConnection connection(&Tls());
        ASSERT_EQ(connection.Connect(i % 2 == 1, Loopback(server.port())), 1);
        std::thread closer([&] {
            std::this_thread::sleep_for(std::chrono::microseconds(i * 10));
            connection.Close();
        });
        std::string reply;
        ReadReply(connection, reply, 1024);
        connection.Send("QUIT\r\n");
        ReadReply(connection, reply, 1024);
        closer.join();
        connection.Close();
        EXPECT_FALSE(connection.Connected());
        server.Finish();
    }
}

}  // namespace
}  // namespace tarvox
