// A protocol server inside the test process that replays a transcript, for testing the POP3
// and SMTP clients byte for byte.
//
//     using namespace tarvox::script;
//     ScriptedServer server({Send("+OK ready\r\n"), Expect("USER bob\r\n"), Send("+OK\r\n"),
//                            Expect("QUIT\r\n"), Send("+OK bye\r\n")});
//     ... run the client against 127.0.0.1, server.port() ...
//     EXPECT_SCRIPT_DONE(server);
//
// How it behaves:
//   - It listens on 127.0.0.1 at a port the system picks, and serves one connection per
//     script, one after the other: a second connection waits in the listen queue until the
//     script of the first has ended.
//   - When a script has ended, the server closes that connection (in TLS after a close_notify);
//     after the last script it also closes the listener, so a further connection is refused.
//   - Expect reads exactly as many bytes as it expects. The bytes are compared as they arrive,
//     so a wrong command fails at once rather than after the time-out.
//   - Every wait for the client (data, room to write, the close) gives up after
//     ServerOptions::idle_timeout without progress. The wait for a connection has no time-out
//     of its own: Finish() and the destructor end it.
//   - The first failure ends the whole run: its connection is dropped and the listener is
//     closed, so the client sees the failure at once instead of waiting for a reply.
//     Report() then tells it, the steps left unrun and what the client sent.
//   - Bytes that arrived but that no step read are a failure when the connection ends.
//   - The server thread blocks SIGPIPE for itself only; a client writing to a connection the
//     server closed must handle SIGPIPE itself (MSG_NOSIGNAL, or SIGPIPE ignored).
//
// Every test must end with Finish() (or EXPECT_SCRIPT_DONE / ASSERT_SCRIPT_DONE): the
// destructor stops the server at once, without waiting for the script, and counts a missing
// Finish() as a test failure, so a script that was never checked cannot pass silently.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "support/test_certificate.h"

namespace tarvox {

// One step of a script. Build steps with the functions in tarvox::script below.
struct ScriptStep {
    enum class Kind {
        Send,            // bytes, in pieces at the cuts with a pause between
        SendGenerated,   // size bytes from generator
        Expect,          // exactly bytes
        ExpectUntil,     // everything up to and including bytes
        ExpectTlsHello,  // one TLS handshake record, before any TLS
        SendTlsAlert,    // a fatal handshake_failure alert record, in the clear
        StartTls,        // TLS server handshake
        CloseConnection,
        ExpectClosed,
        Pause,
    };
    // Fills `out` with the bytes from `offset` on.
    using Generator = std::function<void(std::size_t offset, std::span<char> out)>;

    ScriptStep(Kind step_kind, std::string step_description);

    Kind kind;
    std::string description;  // for reports, such as Expect("USER bob\r\n")
    std::string bytes;
    std::vector<std::size_t> cuts;  // ascending, inside (0, bytes.size())
    std::chrono::milliseconds pause{0};
    std::size_t size = 0;
    Generator generator;
    bool client_may_close = false;  // see script::ClientMayClose
};

namespace script {

// How long SendInPieces and SendSplit wait between two pieces.
inline constexpr std::chrono::milliseconds kPiecePause{20};

ScriptStep Send(std::string bytes);
// Writes bytes[0, cuts[0]), bytes[cuts[0], cuts[1]), ... in separate writes with `pause`
// between. TCP_NODELAY is set, so each piece leaves at once. Throws std::invalid_argument
// unless the cuts are ascending and inside the text.
ScriptStep SendInPieces(std::string bytes, std::vector<std::size_t> cuts,
                        std::chrono::milliseconds pause = kPiecePause);
// Pieces of piece_size bytes (the last may be shorter).
ScriptStep SendSplit(std::string bytes, std::size_t piece_size,
                     std::chrono::milliseconds pause = kPiecePause);
// `size` bytes made by `generator` 64 KiB at a time, for replies too big to write out.
ScriptStep SendGenerated(std::size_t size, ScriptStep::Generator generator);
// prefix, then `unit` repeated `count` times, then suffix. An endless line without CR LF:
// SendRepeated("", "x", 20 << 20, "") followed by CloseConnection().
ScriptStep SendRepeated(std::string prefix, std::string unit, std::size_t count,
                        std::string suffix);

ScriptStep Expect(std::string bytes);
// Reads up to and including the first `terminator`, such as "\r\n.\r\n" after DATA.
ScriptStep ExpectUntil(std::string terminator);

// Server side of TLS: the handshake, presenting certificate(), after which every step goes
// through TLS. As the first step of a script it makes a connection that is TLS from the
// first byte.
ScriptStep StartTls();
// For a client that starts TLS against a peer that does not speak it: reads one TLS
// handshake record (the ClientHello) in the clear and fails unless that is what came.
ScriptStep ExpectTlsHello();
// Answers a handshake with a fatal handshake_failure alert.
ScriptStep SendTlsAlert();

// Ends the connection from the server's side (in TLS after a close_notify), for example in
// the middle of a reply. Nothing may follow it in the script.
ScriptStep CloseConnection();
// Waits for the client to close the connection; data instead is a failure. Nothing may follow
// it in the script.
ScriptStep ExpectClosed();
ScriptStep Pause(std::chrono::milliseconds duration);

// The client may close the connection during this step (while the server sends, or instead of
// what the server expects): the script then ends there as a success, without the later steps
// of this connection. For a client that is meant to give up, such as on an endless line:
//     ClientMayClose(SendRepeated("", "x", 20 << 20, "")), CloseConnection()
ScriptStep ClientMayClose(ScriptStep step);

}  // namespace script

enum class TlsMode {
    Plain,   // steps as scripted
    Direct,  // every connection starts with StartTls() (step 1 in reports)
};

// Selects the constructor that takes one script per connection. A tag rather than an overload
// on the argument alone: a braced {{Send(a)}, {Send(b)}} would otherwise be read as one script
// of two steps.
struct ScriptPerConnection {};
inline constexpr ScriptPerConnection kScriptPerConnection{};

struct ServerOptions {
    TlsMode tls = TlsMode::Plain;
    // How long a read or write may go without progress before its step fails.
    std::chrono::milliseconds idle_timeout = std::chrono::seconds(5);
};

class ScriptedServer {
public:
    // One connection with this script.
    explicit ScriptedServer(std::vector<ScriptStep> script, ServerOptions options = {});
    // One connection per script, accepted in this order:
    //     ScriptedServer server(kScriptPerConnection, {{Send("+OK one\r\n")},
    //                                                  {Send("+OK two\r\n")}});
    ScriptedServer(ScriptPerConnection, std::vector<std::vector<ScriptStep>> connections,
                   ServerOptions options = {});
    // Stops the server at once and joins its thread; see the note above on Finish().
    ~ScriptedServer();
    ScriptedServer(const ScriptedServer&) = delete;
    ScriptedServer& operator=(const ScriptedServer&) = delete;

    std::uint16_t port() const { return m_port; }
    // The certificate StartTls() presents, LocalhostTestCertificate(); empty when no step
    // needs one.
    const TestCertificate& certificate() const { return m_certificate; }

    // Waits until every script has ended or `timeout` has passed (then stops the server).
    // True when every step ran and every expectation held; otherwise Report() tells why.
    // A second call gives the same answer at once.
    bool Finish(std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // What went wrong, in order, as one text for a test log.
    std::string Report() const;
    // The server name (SNI) each completed TLS handshake carried, "" when it carried none.
    std::vector<std::string> TlsServerNames() const;

private:
    void Run();
    void AddFailure(std::string text);
    void Stop();

    std::vector<std::vector<ScriptStep>> m_connections;
    ServerOptions m_options;
    TestCertificate m_certificate;
    int m_listen_fd = -1;
    int m_wake_fd = -1;
    std::uint16_t m_port = 0;
    std::thread m_thread;

    mutable std::mutex m_mutex;
    std::condition_variable m_done_changed;
    bool m_done = false;
    bool m_finish_called = false;
    bool m_result = false;
    std::size_t m_connection = 0;  // where the script is, for a Finish() time-out
    std::size_t m_step = 0;
    bool m_accepted = false;
    std::vector<std::string> m_failures;
    std::vector<std::string> m_server_names;
};

// For EXPECT_TRUE / ASSERT_TRUE: Finish(), and on failure the Report().
::testing::AssertionResult ScriptDone(ScriptedServer& server,
                                      std::chrono::milliseconds timeout = std::chrono::seconds(10));

}  // namespace tarvox

#define EXPECT_SCRIPT_DONE(server) EXPECT_TRUE(::tarvox::ScriptDone(server))
#define ASSERT_SCRIPT_DONE(server) ASSERT_TRUE(::tarvox::ScriptDone(server))
