#include "net/net_connection.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <chrono>
#include <future>
#include <optional>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

#include "net/tls_certificate.h"
#include "net/tls_library.h"
#include "support/loopback.h"
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

const TlsLibrary& Tls() { return LoadedTls(); }

NetAddress Loopback(std::uint16_t port, std::string_view host = "127.0.0.1") {
    NetAddress address;
    EXPECT_TRUE(ResolveHost(host, port, address));
    return address;
}

TEST(ResolveHost, UsesDottedAddressesAsTheyStand) {
    struct Case {
        std::string host;
        bool found;
        std::string address;
    };
    const Case cases[] = {
        {"127.0.0.1", true, "127.0.0.1"},
        {"127.1", true, "127.0.0.1"},  // the short forms inet_addr takes
        {"10.1.2.3", true, "10.1.2.3"},
        {"", false, ""},
    };
    for (const Case& c : cases) {
        NetAddress address;
        EXPECT_EQ(ResolveHost(c.host, 110, address), c.found) << c.host;
        if (c.found) {
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
    ASSERT_TRUE(ResolveHost("localhost", 995, address));
    ASSERT_FALSE(address.entries.empty());
    for (const NetAddress::Entry& entry : address.entries) {
        EXPECT_TRUE(entry.address.ss_family == AF_INET || entry.address.ss_family == AF_INET6);
    }
    ASSERT_TRUE(ResolveHost("::1", 995, address));
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
    EXPECT_EQ(connection.Connect(false, Loopback(ntohs(in.sin_port))), NetResult::ConnectFailed);
    EXPECT_FALSE(connection.Connected());
    EXPECT_EQ(connection.Send("x"), NetResult::NotConnected);
    EXPECT_EQ(connection.Close(), NetResult::InvalidSocket);
}

TEST(NetConnection, ReplyWithoutLineEndGivesGracefullyClosed) {
    // A reply that fills the buffer, and a peer that closes in the middle of one.
    const std::pair<std::vector<ScriptStep>, std::size_t> cases[] = {
        {{ClientMayClose(Send(std::string(200, 'x'))), ExpectClosed()}, 100},
        {{Send("+OK par"), CloseConnection()}, 16384},
    };
    for (const auto& [script, buffer_size] : cases) {
        ScriptedServer server(script);
        NetConnection connection(&Tls());
        ASSERT_EQ(connection.Connect(false, Loopback(server.port())), NetResult::Success);
        std::string reply;
        EXPECT_EQ(ReadReply(connection, reply, buffer_size), NetResult::GracefullyClosed);
        EXPECT_LT(reply.size(), buffer_size);
        connection.Close();
        EXPECT_SCRIPT_DONE(server);
    }
}

TEST(NetConnection, DirectTlsSendsTheServerNameAndShowsTheCertificate) {
    ScriptedServer server(
        kScriptPerConnection,
        {{Expect("HELLO\r\n"), Send("+OK tls\r\n"), ExpectClosed()},
         {Expect("AGAIN\r\n"), ExpectClosed()}},
        DirectTls());
    NetConnection connection(&Tls());
    ASSERT_EQ(connection.Connect(true, Loopback(server.port(), "localhost")), NetResult::Success);
    EXPECT_TRUE(connection.TlsActive());
    EXPECT_EQ(connection.StartTls(), NetResult::Success);  // already in TLS: nothing changes
    ASSERT_EQ(connection.Send("HELLO\r\n"), NetResult::Success);
    std::string reply;
    ASSERT_EQ(ReadReply(connection, reply, 1024), NetResult::Success);
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
    ASSERT_EQ(literal.Connect(true, Loopback(server.port())), NetResult::Success);
    ASSERT_EQ(literal.Send("AGAIN\r\n"), NetResult::Success);
    literal.Close();
    EXPECT_SCRIPT_DONE(server);
    EXPECT_EQ(server.TlsServerNames(), (std::vector<std::string>{"localhost", ""}));
}

TEST(NetConnection, StartTlsUpgradesAnOpenStream) {
    ScriptedServer server({Send("+OK\r\n"), Expect("STLS\r\n"), Send("+OK go\r\n"), StartTls(),
                           Expect("CAPA\r\n"), ExpectClosed()});
    NetConnection connection(&Tls());
    ASSERT_EQ(connection.Connect(false, Loopback(server.port())), NetResult::Success);
    std::string reply;
    ASSERT_EQ(ReadReply(connection, reply, 1024), NetResult::Success);
    ASSERT_EQ(connection.Send("STLS\r\n"), NetResult::Success);
    ASSERT_EQ(ReadReply(connection, reply, 1024), NetResult::Success);
    ASSERT_EQ(connection.StartTls(), NetResult::Success);
    EXPECT_TRUE(connection.TlsActive());
    EXPECT_EQ(TlsFingerprint(connection), server.certificate().fingerprint);
    ASSERT_EQ(connection.Send("CAPA\r\n"), NetResult::Success);
    EXPECT_EQ(connection.Close(), NetResult::Success);
    EXPECT_SCRIPT_DONE(server);
}

TEST(NetConnection, FailedHandshakesLeaveNothingOpen) {
    struct Case {
        const char* what;
        std::vector<ScriptStep> script;
        NetResult expected;
    };
    std::vector<Case> cases;
    cases.push_back({"fatal alert", {ExpectTlsHello(), SendTlsAlert(), ExpectClosed()}, NetResult::HandshakeFailed});
    cases.push_back({"not TLS at all",
                     {ExpectTlsHello(), ClientMayClose(Send("+OK POP3 ready\r\n")),
                      ExpectClosed()},
                     NetResult::TlsWrongProtocol});
    for (Case& c : cases) {
        ScriptedServer server(std::move(c.script));
        NetConnection connection(&Tls());
        EXPECT_EQ(connection.Connect(true, Loopback(server.port())), c.expected) << c.what;
        EXPECT_FALSE(connection.Connected());
        EXPECT_FALSE(connection.TlsActive());
        EXPECT_EQ(connection.Close(), NetResult::InvalidSocket) << c.what;  // nothing was left open
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
    EXPECT_NE(result.get(), NetResult::Success) << what;
    EXPECT_FALSE(connection.Connected()) << what;
}

enum class Stage { Connect, Read, Write };

TEST(NetConnectionAbort, CloseEndsEveryBlockedCall) {
    const struct {
        const char* what;
        bool tls;
        Stage stage;
    } rows[] = {
        {"connect", false, Stage::Connect},   {"read", false, Stage::Read},
        {"write", false, Stage::Write},       {"TLS handshake", true, Stage::Connect},
        {"TLS read", true, Stage::Read},      {"TLS write", true, Stage::Write},
    };
    const std::string big(64 << 20, 'x');
    for (const auto& row : rows) {
        for (int i = 0; i < 20; ++i) {
            // A plain connect blocks on a full accept queue, a handshake on a peer
            // that says nothing; reads and writes on a peer that neither reads
            // nor writes.
            const bool plain_connect = !row.tls && row.stage == Stage::Connect;
            SilentPeer peer(plain_connect ? 0 : 16);
            if (plain_connect) {
                peer.FillQueue();
            }
            std::uint16_t port = peer.port();
            std::optional<ScriptedServer> server;
            if (row.tls && row.stage != Stage::Connect) {
                ServerOptions options = DirectTls();
                options.idle_timeout = 15s;
                server.emplace(std::vector<ScriptStep>{ClientMayClose(Pause(15s)), ExpectClosed()},
                               options);
                port = server->port();
            }
            NetConnection connection(&Tls());
            const NetAddress address = Loopback(port);
            if (row.stage != Stage::Connect) {
                ASSERT_EQ(connection.Connect(row.tls, address), NetResult::Success) << row.what;
            }
            char buffer[64];
            ExpectCloseEndsBlockedCall(
                connection,
                [&] {
                    switch (row.stage) {
                        case Stage::Connect:
                            return connection.Connect(row.tls, address);
                        case Stage::Read:
                            return connection.Receive(buffer, sizeof(buffer), nullptr);
                        case Stage::Write:
                            break;
                    }
                    return connection.Send(big);
                },
                row.what);
            if (server) {
                server->Finish(10ms);  // still pausing: stop it
            }
        }
    }
}

TEST(NetConnectionAbort, AbortBeforeConnectIsNotForgotten) {
    SilentPeer peer;
    NetConnection connection(&Tls());
    // The user pressed Abort while the worker was still looking up the host.
    connection.Abort();
    EXPECT_EQ(connection.Connect(false, Loopback(peer.port())), NetResult::Aborted);
    EXPECT_FALSE(connection.Connected());
    // Close alone belongs to the conversation: a later Connect goes ahead.
    NetConnection closed(&Tls());
    closed.Close();
    EXPECT_EQ(closed.Connect(false, Loopback(peer.port())), NetResult::Success);
    closed.Close();
}

TEST(NetConnectionAbort, CloseRacingAFinishedCallIsHarmless) {
    // Close at every moment around short exchanges: nothing is freed twice
    // and no descriptor is closed twice (the sanitizer builds check).
    for (int i = 0; i < 200; ++i) {
        ScriptedServer server({ClientMayClose(Send("+OK\r\n")), ClientMayClose(Expect("QUIT\r\n")),
                               ClientMayClose(Send("+OK bye\r\n")), ExpectClosed()},
                              i % 2 ? DirectTls() : ServerOptions{});
        NetConnection connection(&Tls());
        ASSERT_EQ(connection.Connect(i % 2 == 1, Loopback(server.port())), NetResult::Success);
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
