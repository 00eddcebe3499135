#include "net/net_connection.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <filesystem>
#include <future>
#include <optional>
#include <thread>

#include "net/tls_certificate.h"
#include "support/loopback.h"
#include "support/scripted_server.h"

namespace tarvox {
namespace {

using namespace script;
using namespace std::chrono_literals;

const ServerOptions kDirectTls{TlsMode::Direct};

NetAddress Loopback(std::uint16_t port, std::string_view host = "127.0.0.1") {
    NetAddress address;
    EXPECT_TRUE(ResolveHost(host, port, address));
    return address;
}

TEST(ResolveHost, UsesDottedAddressesAsTheyStandAndLooksUpNames) {
    // The short forms inet_addr takes count as dotted addresses.
    for (const auto& [host, expected] :
         {std::pair{"127.0.0.1", "127.0.0.1"}, {"127.1", "127.0.0.1"}, {"10.1.2.3", "10.1.2.3"}}) {
        NetAddress address;
        ASSERT_TRUE(ResolveHost(host, 110, address)) << host;
        ASSERT_EQ(address.entries.size(), 1u);
        const auto* in = reinterpret_cast<const sockaddr_in*>(&address.entries[0].address);
        char text[INET_ADDRSTRLEN] = {};
        EXPECT_STREQ(::inet_ntop(AF_INET, &in->sin_addr, text, sizeof(text)), expected);
        EXPECT_EQ(ntohs(in->sin_port), 110);
    }
    NetAddress address;
    EXPECT_FALSE(ResolveHost("", 110, address));
    ASSERT_TRUE(ResolveHost("localhost", 995, address));
    ASSERT_TRUE(ResolveHost("::1", 995, address));
    EXPECT_EQ(address.entries.at(0).address.ss_family, AF_INET6);
}

TEST(NetConnection, ReplyWithoutLineEndGivesGracefullyClosed) {
    const std::pair<std::vector<ScriptStep>, std::size_t> cases[] = {  // a full buffer, a cut reply
        {{ClientMayClose(Send(std::string(200, 'x'))), ExpectClosed()}, 100},
        {{Send("+OK par"), CloseConnection()}, 16384},
    };
    for (const auto& [script, buffer_size] : cases) {
        ScriptedServer server(script);
        NetConnection connection(&LoadedTls());
        ASSERT_EQ(connection.Connect(false, Loopback(server.port())), NetResult::Success);
        std::string reply;
        EXPECT_EQ(ReadReply(connection, reply, buffer_size), NetResult::GracefullyClosed);
        EXPECT_LT(reply.size(), buffer_size);
        connection.Close();
        EXPECT_SCRIPT_DONE(server);
    }
}

TEST(NetConnection, DirectTlsSendsTheServerNameAndShowsTheCertificate) {
    ScriptedServer server(kScriptPerConnection,
                          {{Expect("HELLO\r\n"), Send("+OK tls\r\n"), ExpectClosed()},
                           {Expect("AGAIN\r\n"), ExpectClosed()}},
                          kDirectTls);
    NetConnection connection(&LoadedTls());
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
    std::transform(lower.begin(), lower.end(), lower.begin(), ::tolower);
    EXPECT_TRUE(TlsFingerprintMatches(connection, &recorded));
    EXPECT_FALSE(TlsFingerprintMatches(connection, &lower));
    EXPECT_FALSE(TlsFingerprintMatches(connection, nullptr));
    connection.Close();
    EXPECT_FALSE(TlsFingerprint(connection).has_value());

    // An address literal is never sent as the server name.
    NetConnection literal(&LoadedTls());
    ASSERT_EQ(literal.Connect(true, Loopback(server.port())), NetResult::Success);
    ASSERT_EQ(literal.Send("AGAIN\r\n"), NetResult::Success);
    literal.Close();
    EXPECT_SCRIPT_DONE(server);
    EXPECT_EQ(server.TlsServerNames(), (std::vector<std::string>{"localhost", ""}));
}

TEST(NetConnection, StartTlsUpgradesAnOpenStream) {
    ScriptedServer server({Send("+OK go\r\n"), StartTls(), Expect("CAPA\r\n"), ExpectClosed()});
    NetConnection connection(&LoadedTls());
    ASSERT_EQ(connection.Connect(false, Loopback(server.port())), NetResult::Success);
    std::string reply;
    ASSERT_EQ(ReadReply(connection, reply, 1024), NetResult::Success);
    ASSERT_EQ(connection.StartTls(), NetResult::Success);
    EXPECT_TRUE(connection.TlsActive());
    EXPECT_EQ(TlsFingerprint(connection), server.certificate().fingerprint);
    ASSERT_EQ(connection.Send("CAPA\r\n"), NetResult::Success);
    EXPECT_EQ(connection.Close(), NetResult::Success);
    EXPECT_SCRIPT_DONE(server);
}

// A refused connect (no script: a closed port), a failed handshake or no TLS library leaves nothing open.
TEST(NetConnection, FailedConnectsLeaveNothingOpen) {
    // A TLS record (RFC 8446 section 5.1) holding a fatal handshake_failure alert.
    const std::string alert("\x15\x03\x03\x00\x02\x02\x28", 7);
    const TlsLibrary unloaded;
    const struct {
        std::vector<ScriptStep> script;
        NetResult result;
        const TlsLibrary* tls = &LoadedTls();
    } cases[] = {
        {{}, NetResult::ConnectFailed},
        {{ExpectTlsHello(), Send(alert), ExpectClosed()}, NetResult::HandshakeFailed},
        {{ExpectTlsHello(), ClientMayClose(Send("+OK POP3 ready\r\n")), ExpectClosed()}, NetResult::TlsWrongProtocol},
        {{}, NetResult::TlsNotLoaded, &unloaded},
        {{}, NetResult::TlsNotLoaded, nullptr},
    };
    for (const auto& c : cases) {
        std::optional<ScriptedServer> server;
        if (!c.script.empty()) {
            server.emplace(c.script);
        }
        NetConnection connection(c.tls);
        const bool tls = c.result != NetResult::ConnectFailed;
        EXPECT_EQ(connection.Connect(tls, Loopback(server ? server->port() : ClosedPort())), c.result);
        EXPECT_FALSE(connection.Connected() || connection.TlsActive());
        EXPECT_EQ(connection.Send("x"), NetResult::NotConnected);
        EXPECT_EQ(connection.StartTls(), NetResult::NotConnected);
        EXPECT_EQ(connection.Close(), NetResult::InvalidSocket);
        EXPECT_TRUE(!server || ScriptDone(*server));
    }
}

enum class Stage { Connect, Read, Write };

// A connect, handshake, read or write blocked on a silent peer fails within a second of Close.
TEST(NetConnectionAbort, CloseEndsEveryBlockedCall) {
    const std::string big(64 << 20, 'x');
    for (const bool tls : {false, true}) {
        for (const Stage stage : {Stage::Connect, Stage::Read, Stage::Write}) {
            SCOPED_TRACE(testing::Message() << "TLS " << tls << ", stage " << int(stage));
            for (int i = 0; i < 20; ++i) {
                const bool plain_connect = !tls && stage == Stage::Connect;
                SilentListener peer(plain_connect ? 0 : 16);
                std::optional<ScriptedServer> server;
                if (tls && stage != Stage::Connect) {
                    server.emplace(std::vector<ScriptStep>{Pause(15s)},
                                   ServerOptions{TlsMode::Direct, 15s});
                }
                const NetAddress address = Loopback(server ? server->port() : peer.port());
                std::vector<int> queued;  // connections that fill the accept queue
                for (int k = 0; plain_connect && k < 8; ++k) {
                    queued.push_back(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0));
                    ::connect(queued.back(),
                              reinterpret_cast<const sockaddr*>(&address.entries.at(0).address),
                              address.entries.at(0).length);
                }
                NetConnection connection(&LoadedTls());
                if (stage != Stage::Connect) {
                    ASSERT_EQ(connection.Connect(tls, address), NetResult::Success);
                }
                char buffer[64];
                auto result = std::async(std::launch::async, [&] {
                    return stage == Stage::Connect ? connection.Connect(tls, address)
                           : stage == Stage::Read
                               ? connection.Receive(buffer, sizeof(buffer), nullptr)
                               : connection.Send(big);
                });
                EXPECT_EQ(result.wait_for(150ms), std::future_status::timeout);
                connection.Close();
                EXPECT_EQ(result.wait_for(1s), std::future_status::ready);
                EXPECT_NE(result.get(), NetResult::Success);
                EXPECT_FALSE(connection.Connected());
                if (server) {
                    server->Finish(10ms);  // still pausing: stop it
                }
                std::for_each(queued.begin(), queued.end(), ::close);
            }
        }
    }
}

TEST(NetConnectionAbort, AbortBeforeConnectIsNotForgotten) {
    SilentListener peer;
    NetConnection connection(&LoadedTls());
    // The user pressed Abort while the worker was still looking up the host.
    connection.Abort();
    EXPECT_EQ(connection.Connect(false, Loopback(peer.port())), NetResult::Aborted);
    EXPECT_FALSE(connection.Connected());
    // Close alone belongs to the conversation: a later Connect goes ahead.
    NetConnection closed(&LoadedTls());
    closed.Close();
    EXPECT_EQ(closed.Connect(false, Loopback(peer.port())), NetResult::Success);
    closed.Close();
}

// Close at every moment around short exchanges: nothing is closed twice or left open.
TEST(NetConnectionAbort, CloseRacingAFinishedCallLeavesNoDescriptorBehind) {
    const auto open_descriptors = [] {
        return std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                             std::filesystem::directory_iterator());
    };
    long before = 0;  // counted after the first round, which loads what stays loaded
    for (int i = 0; i < 200; ++i) {
        before = i == 1 ? open_descriptors() : before;
        ScriptedServer server({ClientMayClose(Send("+OK\r\n")), ClientMayClose(Expect("QUIT\r\n")),
                               ClientMayClose(Send("+OK bye\r\n")), ExpectClosed()},
                              i % 2 ? kDirectTls : ServerOptions{});
        NetConnection connection(&LoadedTls());
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
    EXPECT_EQ(open_descriptors(), before);
}

}  // namespace
}  // namespace tarvox
