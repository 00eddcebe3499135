// A loopback server replaying one script per connection byte for byte; it fails on a wrong byte,
// a step left unrun, unread bytes or an idle time-out, and a test ends it with EXPECT_SCRIPT_DONE.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "support/test_certificate.h"

namespace tarvox {

// One step of a script, made by the functions in tarvox::script.
struct ScriptStep {
    enum class Kind { Send, Expect, ExpectTlsHello, StartTls, CloseConnection, ExpectClosed, Pause };
    Kind kind = Kind::Send;
    std::string description;  // for failure reports, such as Expect("USER bob\r\n")
    std::string bytes;
    std::vector<std::size_t> cuts;  // Send: ascending offsets where a new piece starts
    std::chrono::milliseconds pause{0};
    bool client_may_close = false;
};

namespace script {

inline constexpr std::chrono::milliseconds kPiecePause{20};

ScriptStep Send(std::string bytes);
// Separate writes (TCP_NODELAY) cut at `cuts` or every piece_size bytes, `pause` between.
ScriptStep SendInPieces(std::string bytes, std::vector<std::size_t> cuts,
                        std::chrono::milliseconds pause = kPiecePause);
ScriptStep SendSplit(std::string bytes, std::size_t piece_size,
                     std::chrono::milliseconds pause = kPiecePause);
ScriptStep Expect(std::string bytes);
// The server side of a TLS handshake; every later step goes through TLS.
ScriptStep StartTls();
// One TLS handshake record (a ClientHello) read in the clear from a client starting TLS.
ScriptStep ExpectTlsHello();
// The last step of a script: closing, or waiting for the client to close (not to send).
ScriptStep CloseConnection();
ScriptStep ExpectClosed();
ScriptStep Pause(std::chrono::milliseconds duration);
// The client may close the connection during this step, ending its script as a success.
ScriptStep ClientMayClose(ScriptStep step);

}  // namespace script

enum class TlsMode { Plain, Direct };  // Direct: every script starts with StartTls()

// Selects one script per connection: {{Send(a)}, {Send(b)}} is else one script.
struct ScriptPerConnection {};
inline constexpr ScriptPerConnection kScriptPerConnection{};

struct ServerOptions {
    TlsMode tls = TlsMode::Plain;
    std::chrono::milliseconds idle_timeout = std::chrono::seconds(5);
    // The certificate TLS shows; null: the self-signed localhost one.
    const TestCertificate* certificate = nullptr;
};

class ScriptedServer {
public:
    explicit ScriptedServer(std::vector<ScriptStep> script, ServerOptions options = {});
    ScriptedServer(ScriptPerConnection, std::vector<std::vector<ScriptStep>> connections,
                   ServerOptions options = {});
    ~ScriptedServer();

    std::uint16_t port() const { return m_port; }
    const TestCertificate& certificate() const { return LocalhostTestCertificate(); }

    // Waits for the scripts' end (at most `timeout`), stops the server: whether all held.
    bool Finish(std::chrono::milliseconds timeout = std::chrono::seconds(10));
    std::string Report() const;  // the failures, one a line
    // The server name (SNI) of each completed handshake, "" for none.
    std::vector<std::string> TlsServerNames() const;

private:
    struct Link;
    void Run();
    bool RunStep(Link& link, const ScriptStep& step);
    bool Fail(Link& link, long result);
    bool Read(Link& link);
    bool Write(Link& link, std::string_view bytes);
    void Close(Link& link, bool orderly);
    bool Sleep(std::chrono::milliseconds duration);
    void Stop();

    std::vector<std::vector<ScriptStep>> m_connections;
    ServerOptions m_options;
    int m_listen_fd = -1;
    std::uint16_t m_port = 0;
    std::thread m_thread;

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::atomic<bool> m_stopping = false;
    bool m_done = false;
    bool m_finish_called = false;
    int m_client_fd = -1;
    std::string m_where;  // the connection and step running, for a Finish() time-out
    std::vector<std::string> m_failures;
    std::vector<std::string> m_server_names;
};

// For EXPECT_TRUE / ASSERT_TRUE: Finish(), and on failure the Report().
::testing::AssertionResult ScriptDone(ScriptedServer& server);

}  // namespace tarvox

#define EXPECT_SCRIPT_DONE(server) EXPECT_TRUE(::tarvox::ScriptDone(server))
