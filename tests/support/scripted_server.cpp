#include "support/scripted_server.h"

#include <netinet/tcp.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <utility>

#include "support/loopback.h"

namespace tarvox {

// A connection, its bytes no step has used yet and its failure; Stop() shuts its socket down.
struct ScriptedServer::Link {
    ~Link() { SSL_free(ssl); }
    int fd = -1;
    SSL* ssl = nullptr;
    bool tls = false;
    bool may_close = false;      // the running step allows the client to close
    bool client_closed = false;  // it did
    std::optional<std::string> failure;
    std::string pending;
};

namespace {

std::string Shown(std::string_view bytes) {
    return ::testing::PrintToString(std::string(bytes.substr(0, 300)));
}

// A step described by its builder's name and its bytes.
ScriptStep Step(ScriptStep::Kind kind, std::string_view name, std::string bytes = {},
                std::vector<std::size_t> cuts = {}, std::chrono::milliseconds pause = {}) {
    std::string description =
        std::string(name) + "(" + (bytes.empty() ? "" : Shown(bytes.substr(0, 80))) + ")";
    return {kind, std::move(description), std::move(bytes), std::move(cuts), pause};
}

}  // namespace

namespace script {

using Kind = ScriptStep::Kind;

ScriptStep Send(std::string bytes) { return Step(Kind::Send, "Send", std::move(bytes)); }
ScriptStep SendInPieces(std::string bytes, std::vector<std::size_t> cuts,
                        std::chrono::milliseconds pause) {
    return Step(Kind::Send, "SendInPieces", std::move(bytes), std::move(cuts), pause);
}
ScriptStep SendSplit(std::string bytes, std::size_t piece_size, std::chrono::milliseconds pause) {
    std::vector<std::size_t> cuts;
    for (std::size_t cut = piece_size; cut < bytes.size(); cut += piece_size) {
        cuts.push_back(cut);
    }
    return SendInPieces(std::move(bytes), std::move(cuts), pause);
}
ScriptStep Expect(std::string bytes) { return Step(Kind::Expect, "Expect", std::move(bytes)); }
ScriptStep StartTls() { return Step(Kind::StartTls, "StartTls"); }
ScriptStep ExpectTlsHello() { return Step(Kind::ExpectTlsHello, "ExpectTlsHello"); }
ScriptStep CloseConnection() { return Step(Kind::CloseConnection, "CloseConnection"); }
ScriptStep ExpectClosed() { return Step(Kind::ExpectClosed, "ExpectClosed"); }
ScriptStep Pause(std::chrono::milliseconds ms) { return Step(Kind::Pause, "Pause", {}, {}, ms); }
ScriptStep ClientMayClose(ScriptStep step) {
    step.client_may_close = true;
    step.description = "ClientMayClose(" + step.description + ")";
    return step;
}

}  // namespace script

ScriptedServer::ScriptedServer(std::vector<ScriptStep> script, ServerOptions options)
    : ScriptedServer(kScriptPerConnection, {std::move(script)}, options) {}

ScriptedServer::ScriptedServer(ScriptPerConnection,
                               std::vector<std::vector<ScriptStep>> connections,
                               ServerOptions options)
    : m_connections(std::move(connections)), m_options(options) {
    for (auto& steps : m_connections) {
        if (m_options.tls == TlsMode::Direct) {
            steps.insert(steps.begin(), script::StartTls());
        }
    }
    m_listen_fd = LoopbackSocket(8, m_port);
    m_thread = std::thread([this] { Run(); });
}

ScriptedServer::~ScriptedServer() {
    Stop();
    if (!m_finish_called) {
        ADD_FAILURE() << "ScriptedServer destroyed without Finish() (use EXPECT_SCRIPT_DONE)\n"
                      << Report();
    }
}

void ScriptedServer::Stop() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        ::shutdown(m_client_fd, SHUT_RDWR);  // -1 when there is none: no harm
        ::shutdown(m_listen_fd, SHUT_RDWR);
    }
    m_changed.notify_all();
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

bool ScriptedServer::Finish(std::chrono::milliseconds timeout) {
    std::unique_lock lock(m_mutex);
    if (!std::exchange(m_finish_called, true) &&
        !m_changed.wait_for(lock, timeout, [this] { return m_done; })) {
        m_failures.push_back("Finish() gave up at " + m_where);
    }
    lock.unlock();
    Stop();
    lock.lock();
    return m_failures.empty();
}

std::string ScriptedServer::Report() const {
    std::lock_guard lock(m_mutex);
    std::string text = "scripted server on port " + std::to_string(m_port) + ":\n";
    for (const std::string& failure : m_failures) {
        text += "  " + failure + "\n";
    }
    return text;
}

std::vector<std::string> ScriptedServer::TlsServerNames() const {
    std::lock_guard lock(m_mutex);
    return m_server_names;
}

bool ScriptedServer::Sleep(std::chrono::milliseconds duration) {
    std::unique_lock lock(m_mutex);
    return !m_changed.wait_for(lock, duration, [this] { return m_stopping.load(); });
}

// After a failed read or write: false, with the failure unless the client may close.
bool ScriptedServer::Fail(Link& link, long result) {
    const int error = errno;
    const int tls_error =
        link.ssl != nullptr ? SSL_get_error(link.ssl, static_cast<int>(result)) : SSL_ERROR_SYSCALL;
    ERR_clear_error();
    if (m_stopping) {
        link.failure = "the server was stopped";
    } else if (tls_error == SSL_ERROR_WANT_READ || tls_error == SSL_ERROR_WANT_WRITE ||
               (result < 0 && (error == EAGAIN || error == EWOULDBLOCK))) {
        link.failure = "nothing happened within the idle time-out";
    } else if (!link.may_close) {
        link.failure = "the client closed the connection";
    }
    link.client_closed = !link.failure;
    if (link.failure) {
        *link.failure += "; unread " + Shown(link.pending);
    }
    return false;
}

bool ScriptedServer::Read(Link& link) {
    char buffer[64 * 1024];
    ERR_clear_error();
    const long count = link.tls ? SSL_read(link.ssl, buffer, sizeof buffer)
                                : ::recv(link.fd, buffer, sizeof buffer, 0);
    if (count <= 0) {
        return Fail(link, count);
    }
    link.pending.append(buffer, static_cast<std::size_t>(count));
    return true;
}

bool ScriptedServer::Write(Link& link, std::string_view bytes) {
    while (!bytes.empty()) {
        ERR_clear_error();
        const long count = link.tls ? SSL_write(link.ssl, bytes.data(), int(bytes.size()))
                                    : ::send(link.fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (count <= 0) {
            return Fail(link, count);
        }
        bytes.remove_prefix(static_cast<std::size_t>(count));
    }
    return true;
}

// Reads away unread data before closing: a reset could destroy the last reply in flight.
void ScriptedServer::Close(Link& link, bool orderly) {
    if (link.fd < 0) {
        return;
    }
    if (orderly) {
        if (link.tls) {
            SSL_shutdown(link.ssl);
            ERR_clear_error();
        }
        ::shutdown(link.fd, SHUT_WR);
        char buffer[4096];
        while (::recv(link.fd, buffer, sizeof buffer, MSG_DONTWAIT) > 0) {
        }
    }
    std::lock_guard lock(m_mutex);
    ::close(link.fd);
    link.fd = m_client_fd = -1;
}

// Runs one step; false when it failed or the client closed the connection.
bool ScriptedServer::RunStep(Link& link, const ScriptStep& step) {
    using Kind = ScriptStep::Kind;
    link.may_close = step.client_may_close || step.kind == Kind::ExpectClosed;
    std::string& pending = link.pending;
    // Reads until `take` (of what is pending) gives how many bytes the step uses or a failure.
    const auto read_until = [&](auto take) {
        std::size_t used = 0;
        while ((used = take()) == 0 && !link.failure && Read(link)) {
        }
        pending.erase(0, link.failure ? 0 : used);
        return used > 0 && !link.failure;
    };
    const auto fail = [&](std::string text) {
        link.failure = std::move(text);
        return false;
    };
    switch (step.kind) {
        case Kind::Send:
            for (std::size_t i = 0, start = 0; i <= step.cuts.size(); ++i) {
                const std::size_t end = i < step.cuts.size() ? step.cuts[i] : step.bytes.size();
                if (i > 0 && !Sleep(step.pause)) {
                    return fail("the server was stopped");
                }
                if (!Write(link, std::string_view(step.bytes).substr(start, end - start))) {
                    return false;
                }
                start = end;
            }
            return true;
        case Kind::Expect:
            return read_until([&] {
                const std::size_t have = std::min(pending.size(), step.bytes.size());
                if (pending.compare(0, have, step.bytes, 0, have) != 0) {
                    fail("received " + Shown(pending));
                }
                return have == step.bytes.size() ? have : 0;
            });
        case Kind::ExpectTlsHello:  // a record: type 22 (handshake), version, 2-byte length
            return read_until([&]() -> std::size_t {
                if (!pending.empty() && pending[0] != '\x16') {
                    fail("not a TLS handshake record: " + Shown(pending));
                }
                const auto* header = reinterpret_cast<const unsigned char*>(pending.data());
                const std::size_t size = pending.size() < 5 ? 0 : 5 + header[3] * 256 + header[4];
                return pending.size() >= size ? size : 0;
            });
        case Kind::StartTls: {
            if (!pending.empty()) {
                return fail("the client sent " + Shown(pending) + " before the handshake");
            }
            SSL_CTX* context = SSL_CTX_new(TLS_server_method());
            const TestCertificate& shown =
                m_options.certificate != nullptr ? *m_options.certificate : LocalhostTestCertificate();
            SSL_CTX_use_certificate(context, shown.certificate);
            SSL_CTX_use_PrivateKey(context, shown.key);
            link.ssl = SSL_new(context);
            SSL_CTX_free(context);  // the connection holds its own reference
            SSL_set_fd(link.ssl, link.fd);
            ERR_clear_error();
            if (const int result = SSL_accept(link.ssl); result != 1) {
                return Fail(link, result);
            }
            link.tls = true;
            const char* name = SSL_get_servername(link.ssl, TLSEXT_NAMETYPE_host_name);
            std::lock_guard lock(m_mutex);
            m_server_names.emplace_back(name != nullptr ? name : "");
            return true;
        }
        case Kind::CloseConnection:
            Close(link, true);
            return true;
        case Kind::ExpectClosed:
            while (pending.empty() && Read(link)) {
            }
            if (!pending.empty()) {
                return fail("the client sent " + Shown(pending) + " instead of closing");
            }
            Close(link, false);
            return false;
        case Kind::Pause:
            return Sleep(step.pause) || fail("the server was stopped");
    }
    return fail("unknown step");
}

void ScriptedServer::Run() {
    // TLS writes cannot pass MSG_NOSIGNAL, so this thread blocks SIGPIPE.
    sigset_t pipe_signal;
    sigemptyset(&pipe_signal);
    sigaddset(&pipe_signal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe_signal, nullptr);
    const timeval idle{m_options.idle_timeout.count() / 1000,
                       m_options.idle_timeout.count() % 1000 * 1000};
    for (std::size_t index = 0; index < m_connections.size(); ++index) {
        Link link;
        link.fd = ::accept4(m_listen_fd, nullptr, nullptr, SOCK_CLOEXEC);
        {
            std::lock_guard lock(m_mutex);
            m_client_fd = link.fd;  // from here on Stop() shuts it down
            m_where = "connection " + std::to_string(index + 1) + " before its step 1";
        }
        if (link.fd < 0 || m_stopping) {
            link.failure = "connection " + std::to_string(index + 1) + " was not opened";
        } else {
            const int one = 1;
            ::setsockopt(link.fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
            ::setsockopt(link.fd, SOL_SOCKET, SO_RCVTIMEO, &idle, sizeof idle);
            ::setsockopt(link.fd, SOL_SOCKET, SO_SNDTIMEO, &idle, sizeof idle);
        }
        const std::vector<ScriptStep>& steps = m_connections[index];
        for (std::size_t step = 0; !link.failure && !link.client_closed && step < steps.size();
             ++step) {
            const std::string where = "connection " + std::to_string(index + 1) + ", step " +
                                      std::to_string(step + 1) + " " + steps[step].description;
            {
                std::lock_guard lock(m_mutex);
                m_where = where;
            }
            if (!RunStep(link, steps[step]) && link.failure) {
                link.failure = where + ": " + *link.failure;
            }
        }
        if (!link.failure && link.fd >= 0 && !link.pending.empty()) {
            link.failure = "connection " + std::to_string(index + 1) +
                           ": the client sent bytes no step read: " + Shown(link.pending);
        }
        Close(link, !link.failure);
        if (link.failure) {
            std::lock_guard lock(m_mutex);
            m_failures.push_back(*link.failure);
            break;
        }
    }
    {
        std::lock_guard lock(m_mutex);
        ::close(m_listen_fd);
        m_listen_fd = -1;
        m_done = true;
    }
    m_changed.notify_all();
}

::testing::AssertionResult ScriptDone(ScriptedServer& server) {
    return server.Finish() ? ::testing::AssertionSuccess()
                                  : ::testing::AssertionFailure() << server.Report();
}

}  // namespace tarvox
