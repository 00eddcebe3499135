#include "support/scripted_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstring>
#include <stdexcept>
#include <utility>

namespace tarvox {

namespace {

constexpr std::size_t kReadChunk = 64 * 1024;
constexpr std::size_t kGenerateChunk = 64 * 1024;
constexpr std::size_t kMaxUntil = 512 * 1024 * 1024;
// A TLS record (RFC 8446 section 5.1): type alert (21), version 3.3, length 2; the alert
// (section 6): level fatal (2), description handshake_failure (40).
constexpr std::string_view kHandshakeFailureAlert("\x15\x03\x03\x00\x02\x02\x28", 7);

// `bytes` quoted, with CR, LF and other control bytes escaped; past `limit` bytes cut.
std::string Quote(std::string_view bytes, std::size_t limit = 300) {
    std::string text = "\"";
    for (const char c : bytes.substr(0, limit)) {
        const auto byte = static_cast<unsigned char>(c);
        text += c == '\r' ? "\\r" : c == '\n' ? "\\n" : "";
        if (byte >= 0x20 && byte < 0x7F) {
            text += c;
        } else if (c != '\r' && c != '\n') {
            text += "\\x" + std::string(1, "0123456789abcdef"[byte >> 4]) +
                    "0123456789abcdef"[byte & 0x0F];
        }
    }
    return text + (bytes.size() > limit ? "\" ... (" + std::to_string(bytes.size()) + " bytes)"
                                        : "\"");
}

std::string Milliseconds(std::chrono::milliseconds duration) {
    return std::to_string(duration.count()) + " ms";
}

std::string OpenSslErrors() {
    std::string text;
    while (const unsigned long error = ERR_get_error()) {
        char reason[256];
        ERR_error_string_n(error, reason, sizeof reason);
        if (!text.empty()) {
            text += "; ";
        }
        text += reason;
    }
    return text;
}

// One accepted connection: reads into a buffer of bytes not yet used by a step, writes, and
// the server side of TLS. Every wait polls the socket together with the server's wake-up
// descriptor, so stopping the server ends it at once.
class Channel {
public:
    enum class Io { Ok, Closed, TimedOut, Stopped, Error };

    Channel(int fd, int wake_fd, std::chrono::milliseconds idle_timeout)
        : m_fd(fd), m_wake_fd(wake_fd), m_idle_timeout(idle_timeout) {}
    ~Channel() { Drop(); }
    Channel(const Channel&) = delete;
    Channel& operator=(const Channel&) = delete;

    bool tls() const { return m_tls; }
    bool open() const { return m_fd >= 0; }
    std::string& pending() { return m_pending; }
    // What went wrong in the last call that gave Closed or Error, when known.
    const std::string& error() const { return m_error; }

    // Waits until the socket is ready for `events` or `timeout` has passed.
    Io Wait(short events, std::chrono::milliseconds timeout) {
        std::array<pollfd, 2> fds{pollfd{m_fd, events, 0}, pollfd{m_wake_fd, POLLIN, 0}};
        const int count = ::poll(fds.data(), fds.size(), static_cast<int>(timeout.count()));
        if (count < 0) {
            return errno == EINTR ? Io::Ok : Io::Error;
        }
        if (fds[1].revents != 0) {
            return Io::Stopped;
        }
        return count == 0 ? Io::TimedOut : Io::Ok;
    }

    // Waits for `duration` unless the server is stopped first.
    Io Sleep(std::chrono::milliseconds duration) {
        pollfd wake{m_wake_fd, POLLIN, 0};
        const auto end = std::chrono::steady_clock::now() + duration;
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                end - std::chrono::steady_clock::now());
            if (left.count() <= 0) {
                return Io::Ok;
            }
            if (::poll(&wake, 1, static_cast<int>(left.count())) > 0) {
                return Io::Stopped;
            }
        }
    }

    // Appends what one read gives to pending(); `added` tells how much.
    Io ReadMore(std::chrono::milliseconds timeout, std::string_view* added) {
        char buffer[kReadChunk];
        for (;;) {
            long count = 0;
            if (m_tls) {
                ERR_clear_error();
                count = SSL_read(m_ssl, buffer, sizeof buffer);
                if (count <= 0) {
                    const Io io = AfterTlsCall(static_cast<int>(count), timeout);
                    if (io == Io::Ok) {
                        continue;
                    }
                    return io;
                }
            } else {
                count = ::recv(m_fd, buffer, sizeof buffer, 0);
                if (count == 0) {
                    m_error = "end of stream";
                    return Io::Closed;
                }
                if (count < 0) {
                    const Io io = AfterSocketCall(POLLIN, timeout);
                    if (io == Io::Ok) {
                        continue;
                    }
                    return io;
                }
            }
            const std::size_t old_size = m_pending.size();
            m_pending.append(buffer, static_cast<std::size_t>(count));
            *added = std::string_view(m_pending).substr(old_size);
            return Io::Ok;
        }
    }

    Io Write(std::string_view bytes) {
        while (!bytes.empty()) {
            long count = 0;
            if (m_tls) {
                ERR_clear_error();
                count = SSL_write(m_ssl, bytes.data(),
                                  static_cast<int>(std::min<std::size_t>(bytes.size(), INT_MAX)));
                if (count <= 0) {
                    const Io io = AfterTlsCall(static_cast<int>(count), m_idle_timeout);
                    if (io != Io::Ok) {
                        return io;
                    }
                    continue;
                }
            } else {
                count = ::send(m_fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
                if (count < 0) {
                    const Io io = AfterSocketCall(POLLOUT, m_idle_timeout);
                    if (io != Io::Ok) {
                        return io;
                    }
                    continue;
                }
            }
            bytes.remove_prefix(static_cast<std::size_t>(count));
        }
        return Io::Ok;
    }

    // The server side of the TLS handshake. On success every later read and write goes
    // through TLS and `server_name` is the name the client asked for ("" for none).
    Io Handshake(const TestCertificate& certificate, std::string* server_name) {
        ERR_clear_error();
        SSL_CTX* context = SSL_CTX_new(TLS_server_method());
        if (context == nullptr || !UseCertificate(context, certificate)) {
            m_error = "cannot set up the TLS server: " + OpenSslErrors();
            SSL_CTX_free(context);
            return Io::Error;
        }
        SSL_CTX_set_mode(context,
                         SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
        m_ssl = SSL_new(context);
        SSL_CTX_free(context);  // the SSL object holds its own reference
        if (m_ssl == nullptr || SSL_set_fd(m_ssl, m_fd) != 1) {
            m_error = "cannot set up the TLS server: " + OpenSslErrors();
            return Io::Error;
        }
        SSL_set_accept_state(m_ssl);
        for (;;) {
            ERR_clear_error();
            const int result = SSL_do_handshake(m_ssl);
            if (result == 1) {
                break;
            }
            const Io io = AfterTlsCall(result, m_idle_timeout);
            if (io != Io::Ok) {
                return io;
            }
        }
        m_tls = true;
        const char* name = SSL_get_servername(m_ssl, TLSEXT_NAMETYPE_host_name);
        *server_name = name != nullptr ? name : "";
        return Io::Ok;
    }

    // Ends the connection as a server that is done would: close_notify in TLS, then the end
    // of the stream. What the client sent meanwhile is read away first, because closing a
    // socket with unread data resets the connection, and a reset can destroy the last reply
    // before the client reads it.
    void CloseOrderly() {
        if (m_fd < 0) {
            return;
        }
        if (m_tls) {
            ERR_clear_error();
            SSL_shutdown(m_ssl);
            ERR_clear_error();
        }
        ::shutdown(m_fd, SHUT_WR);
        char buffer[kReadChunk];
        while (::recv(m_fd, buffer, sizeof buffer, MSG_DONTWAIT) > 0) {
        }
        Drop();
    }

    // Closes at once, without any TLS farewell.
    void Drop() {
        if (m_ssl != nullptr) {
            SSL_free(m_ssl);
            m_ssl = nullptr;
            m_tls = false;
        }
        if (m_fd >= 0) {
            ::shutdown(m_fd, SHUT_RDWR);
            ::close(m_fd);
            m_fd = -1;
        }
    }

private:
    static bool UseCertificate(SSL_CTX* context, const TestCertificate& certificate) {
        BIO* certificate_bio =
            BIO_new_mem_buf(certificate.certificate_pem.data(),
                            static_cast<int>(certificate.certificate_pem.size()));
        X509* x509 = PEM_read_bio_X509(certificate_bio, nullptr, nullptr, nullptr);
        BIO_free(certificate_bio);
        BIO* key_bio = BIO_new_mem_buf(certificate.private_key_pem.data(),
                                       static_cast<int>(certificate.private_key_pem.size()));
        EVP_PKEY* key = PEM_read_bio_PrivateKey(key_bio, nullptr, nullptr, nullptr);
        BIO_free(key_bio);
        const bool ok = x509 != nullptr && key != nullptr &&
                        SSL_CTX_use_certificate(context, x509) == 1 &&
                        SSL_CTX_use_PrivateKey(context, key) == 1;
        X509_free(x509);
        EVP_PKEY_free(key);
        return ok;
    }

    // After a socket call gave -1: Ok to try again (after waiting for `events`), or why not.
    Io AfterSocketCall(short events, std::chrono::milliseconds timeout) {
        const int error = errno;
        if (error == EINTR) {
            return Io::Ok;
        }
        if (error == EAGAIN || error == EWOULDBLOCK) {
            return Wait(events, timeout);
        }
        m_error = std::strerror(error);
        return error == EPIPE || error == ECONNRESET ? Io::Closed : Io::Error;
    }

    // After an OpenSSL call gave `result` <= 0: Ok to repeat the call, or why not.
    Io AfterTlsCall(int result, std::chrono::milliseconds timeout) {
        const int saved_errno = errno;
        const int error = SSL_get_error(m_ssl, result);
        switch (error) {
            case SSL_ERROR_WANT_READ:
                return Wait(POLLIN, timeout);
            case SSL_ERROR_WANT_WRITE:
                return Wait(POLLOUT, timeout);
            case SSL_ERROR_ZERO_RETURN:
                m_error = "close_notify";
                return Io::Closed;
            case SSL_ERROR_SYSCALL:
                if (saved_errno == EINTR) {
                    return Io::Ok;
                }
                m_error =
                    saved_errno != 0 && result < 0 ? std::strerror(saved_errno) : "end of stream";
                ERR_clear_error();
                return Io::Closed;
            default: {
                const unsigned long first = ERR_peek_error();
                m_error = OpenSslErrors();
                if (ERR_GET_REASON(first) == SSL_R_UNEXPECTED_EOF_WHILE_READING) {
                    return Io::Closed;
                }
                if (m_error.empty()) {
                    m_error = "TLS error " + std::to_string(error);
                }
                return Io::Error;
            }
        }
    }

    int m_fd;
    int m_wake_fd;
    std::chrono::milliseconds m_idle_timeout;
    SSL* m_ssl = nullptr;
    bool m_tls = false;
    std::string m_pending;
    std::string m_error;
};

struct StepResult {
    enum class Kind { Ok, Failed, ClientClosed, Stopped };
    Kind kind = Kind::Ok;
    std::string text;  // why, unless Ok
};

// Runs the steps of one connection on its channel.
class StepRunner {
public:
    StepRunner(Channel& channel, const ServerOptions& options,
               const TestCertificate& default_certificate,
               std::function<void(std::string)> on_server_name)
        : m_channel(channel),
          m_options(options),
          m_default_certificate(default_certificate),
          m_on_server_name(std::move(on_server_name)) {}

    StepResult Run(const ScriptStep& step) {
        m_step = &step;
        switch (step.kind) {
            case ScriptStep::Kind::Send:
                return RunSend(step);
            case ScriptStep::Kind::SendGenerated:
                return RunSendGenerated(step);
            case ScriptStep::Kind::Expect:
                return RunExpect(step.bytes);
            case ScriptStep::Kind::ExpectUntil:
                return RunExpectUntil(step.bytes);
            case ScriptStep::Kind::ExpectTlsHello:
                return RunExpectTlsHello();
            case ScriptStep::Kind::SendTlsAlert:
                if (m_channel.tls()) {
                    return Failed("TLS is already on");
                }
                return AfterWrite(m_channel.Write(kHandshakeFailureAlert));
            case ScriptStep::Kind::StartTls:
                return RunStartTls(step);
            case ScriptStep::Kind::CloseConnection:
                m_channel.CloseOrderly();
                return {};
            case ScriptStep::Kind::ExpectClosed:
                return RunExpectClosed();
            case ScriptStep::Kind::Pause:
                return m_channel.Sleep(step.pause) == Channel::Io::Stopped ? Stopped()
                                                                           : StepResult{};
        }
        return Failed("unknown step");
    }

private:
    static StepResult Failed(std::string text) {
        return {StepResult::Kind::Failed, std::move(text)};
    }
    static StepResult Stopped() {
        return {StepResult::Kind::Stopped, "the server was stopped before the step ended"};
    }

    // A failed read or write, or a close, as the step's result.
    StepResult FromIo(Channel::Io io, std::string_view doing) {
        switch (io) {
            case Channel::Io::Ok:
                return {};
            case Channel::Io::Stopped:
                return Stopped();
            case Channel::Io::TimedOut:
                return Failed(std::string(doing) + ": nothing happened for " +
                              Milliseconds(m_options.idle_timeout));
            case Channel::Io::Closed:
            case Channel::Io::Error:
                if (m_step->client_may_close) {
                    return {StepResult::Kind::ClientClosed, {}};
                }
                return Failed(std::string(doing) + ": " +
                              (io == Channel::Io::Closed ? "the client closed the connection ("
                                                         : "connection error (") +
                              m_channel.error() + ")");
        }
        return Failed("unknown I/O result");
    }

    StepResult AfterWrite(Channel::Io io) { return FromIo(io, "sending"); }

    Channel::Io ReadMore(std::chrono::milliseconds timeout) {
        std::string_view added;
        return m_channel.ReadMore(timeout, &added);
    }

    // A wait for the client that ended without what the step expects.
    StepResult WaitFailed(Channel::Io io, std::string_view doing) {
        StepResult result = FromIo(io, doing);
        if (result.kind == StepResult::Kind::Failed) {
            result.text += "; received so far " + Quote(m_channel.pending());
        }
        return result;
    }

    StepResult RunSend(const ScriptStep& step) {
        std::size_t start = 0;
        for (std::size_t i = 0; i <= step.cuts.size(); ++i) {
            const std::size_t end = i < step.cuts.size() ? step.cuts[i] : step.bytes.size();
            if (i > 0 && m_channel.Sleep(step.pause) == Channel::Io::Stopped) {
                return Stopped();
            }
            const Channel::Io io =
                m_channel.Write(std::string_view(step.bytes).substr(start, end - start));
            if (io != Channel::Io::Ok) {
                return AfterWrite(io);
            }
            start = end;
        }
        return {};
    }

    StepResult RunSendGenerated(const ScriptStep& step) {
        std::string chunk(kGenerateChunk, '\0');
        for (std::size_t offset = 0; offset < step.size;) {
            const std::size_t length = std::min(kGenerateChunk, step.size - offset);
            step.generator(offset, std::span<char>(chunk.data(), length));
            const Channel::Io io = m_channel.Write(std::string_view(chunk.data(), length));
            if (io != Channel::Io::Ok) {
                return FromIo(io, "sending byte " + std::to_string(offset) + " of " +
                                      std::to_string(step.size));
            }
            offset += length;
        }
        return {};
    }

    StepResult RunExpect(const std::string& expected) {
        std::size_t checked = 0;
        for (;;) {
            const std::string& pending = m_channel.pending();
            const std::size_t have = std::min(pending.size(), expected.size());
            const auto difference = std::mismatch(expected.begin() + static_cast<long>(checked),
                                                  expected.begin() + static_cast<long>(have),
                                                  pending.begin() + static_cast<long>(checked));
            checked = static_cast<std::size_t>(difference.first - expected.begin());
            if (checked < have) {
                return Failed("received " + Quote(pending) + " (first difference at byte " +
                              std::to_string(checked) + ")");
            }
            if (have == expected.size()) {
                m_channel.pending().erase(0, expected.size());
                return {};
            }
            if (const Channel::Io io = ReadMore(m_options.idle_timeout); io != Channel::Io::Ok) {
                return WaitFailed(io, "waiting for the client");
            }
        }
    }

    StepResult RunExpectUntil(const std::string& terminator) {
        for (;;) {
            std::string& pending = m_channel.pending();
            const std::size_t found = pending.find(terminator);
            if (found != std::string::npos) {
                pending.erase(0, found + terminator.size());
                return {};
            }
            if (pending.size() > kMaxUntil) {
                return Failed("no " + Quote(terminator) + " in the first " +
                              std::to_string(pending.size()) + " bytes");
            }
            if (const Channel::Io io = ReadMore(m_options.idle_timeout); io != Channel::Io::Ok) {
                return WaitFailed(io, "waiting for " + Quote(terminator));
            }
        }
    }

    StepResult RunExpectTlsHello() {
        if (m_channel.tls()) {
            return Failed("TLS is already on");
        }
        constexpr std::size_t kHeader = 5;  // type, version (2), length (2)
        constexpr unsigned char kHandshake = 22;
        for (;;) {
            std::string& pending = m_channel.pending();
            if (!pending.empty() && static_cast<unsigned char>(pending[0]) != kHandshake) {
                return Failed("expected a TLS handshake record, received " + Quote(pending));
            }
            if (pending.size() >= kHeader) {
                const std::size_t length = static_cast<unsigned char>(pending[3]) * 256u +
                                           static_cast<unsigned char>(pending[4]);
                if (pending.size() >= kHeader + length) {
                    pending.erase(0, kHeader + length);
                    return {};
                }
            }
            if (const Channel::Io io = ReadMore(m_options.idle_timeout); io != Channel::Io::Ok) {
                return WaitFailed(io, "waiting for a TLS ClientHello");
            }
        }
    }

    StepResult RunStartTls(const ScriptStep& step) {
        if (m_channel.tls()) {
            return Failed("TLS is already on");
        }
        if (!m_channel.pending().empty()) {
            return Failed("the client sent " + Quote(m_channel.pending()) +
                          " that no step read before the handshake");
        }
        std::string server_name;
        const Channel::Io io = m_channel.Handshake(
            m_default_certificate, &server_name);
        if (io == Channel::Io::Ok) {
            m_on_server_name(std::move(server_name));
            return {};
        }
        if (io == Channel::Io::Closed || io == Channel::Io::Error) {
            if (step.client_may_close) {
                return {StepResult::Kind::ClientClosed, {}};
            }
            return Failed("TLS handshake failed: " + m_channel.error());
        }
        return FromIo(io, "TLS handshake");
    }

    StepResult RunExpectClosed() {
        for (;;) {
            if (!m_channel.pending().empty()) {
                return Failed("the client sent " + Quote(m_channel.pending()) +
                              " instead of closing the connection");
            }
            const Channel::Io io = ReadMore(m_options.idle_timeout);
            switch (io) {
                case Channel::Io::Ok:
                    continue;
                case Channel::Io::Closed:
                case Channel::Io::Error:
                    m_channel.Drop();
                    return {};
                case Channel::Io::TimedOut:
                    return Failed("the client did not close the connection within " +
                                  Milliseconds(m_options.idle_timeout));
                case Channel::Io::Stopped:
                    return Stopped();
            }
        }
    }

    Channel& m_channel;
    const ServerOptions& m_options;
    const TestCertificate& m_default_certificate;
    std::function<void(std::string)> m_on_server_name;
    const ScriptStep* m_step = nullptr;
};

bool IsLast(ScriptStep::Kind kind) {
    return kind == ScriptStep::Kind::CloseConnection || kind == ScriptStep::Kind::ExpectClosed;
}

bool NeedsDefaultCertificate(const std::vector<std::vector<ScriptStep>>& connections) {
    for (const auto& steps : connections) {
        for (const ScriptStep& step : steps) {
            if (step.kind == ScriptStep::Kind::StartTls) {
                return true;
            }
        }
    }
    return false;
}

}  // namespace

ScriptStep::ScriptStep(Kind step_kind, std::string step_description)
    : kind(step_kind), description(std::move(step_description)) {}

namespace script {

ScriptStep Send(std::string bytes) {
    ScriptStep step(ScriptStep::Kind::Send, "Send(" + Quote(bytes, 80) + ")");
    step.bytes = std::move(bytes);
    return step;
}

ScriptStep SendInPieces(std::string bytes, std::vector<std::size_t> cuts,
                        std::chrono::milliseconds pause) {
    for (std::size_t i = 0; i < cuts.size(); ++i) {
        if (cuts[i] == 0 || cuts[i] >= bytes.size() || (i > 0 && cuts[i] <= cuts[i - 1])) {
            throw std::invalid_argument("SendInPieces: cut positions must ascend inside the text");
        }
    }
    ScriptStep step(ScriptStep::Kind::Send,
                    "SendInPieces(" + Quote(bytes, 80) + ")");
    step.bytes = std::move(bytes);
    step.cuts = std::move(cuts);
    step.pause = pause;
    return step;
}

ScriptStep SendSplit(std::string bytes, std::size_t piece_size, std::chrono::milliseconds pause) {
    if (piece_size == 0) {
        throw std::invalid_argument("SendSplit: piece size 0");
    }
    std::vector<std::size_t> cuts;
    for (std::size_t cut = piece_size; cut < bytes.size(); cut += piece_size) {
        cuts.push_back(cut);
    }
    ScriptStep step(ScriptStep::Kind::Send,
                    "SendSplit(" + Quote(bytes, 80) + ", " + std::to_string(piece_size) + ")");
    step.bytes = std::move(bytes);
    step.cuts = std::move(cuts);
    step.pause = pause;
    return step;
}

ScriptStep SendGenerated(std::size_t size, ScriptStep::Generator generator) {
    ScriptStep step(ScriptStep::Kind::SendGenerated,
                    "SendGenerated(" + std::to_string(size) + " bytes)");
    step.size = size;
    step.generator = std::move(generator);
    return step;
}

ScriptStep SendRepeated(std::string prefix, std::string unit, std::size_t count,
                        std::string suffix) {
    if (unit.empty()) {
        throw std::invalid_argument("SendRepeated: empty unit");
    }
    const std::size_t body = unit.size() * count;
    const std::size_t size = prefix.size() + body + suffix.size();
    std::string description = "SendRepeated(" + Quote(prefix, 40) + ", " + Quote(unit, 40) + " x " +
                              std::to_string(count) + ", " + Quote(suffix, 40) + ")";
    ScriptStep step =
        SendGenerated(size, [prefix = std::move(prefix), unit = std::move(unit), body,
                             suffix = std::move(suffix)](std::size_t offset, std::span<char> out) {
            for (char& byte : out) {
                if (offset < prefix.size()) {
                    byte = prefix[offset];
                } else if (offset < prefix.size() + body) {
                    byte = unit[(offset - prefix.size()) % unit.size()];
                } else {
                    byte = suffix[offset - prefix.size() - body];
                }
                ++offset;
            }
        });
    step.description = std::move(description);
    return step;
}

ScriptStep Expect(std::string bytes) {
    ScriptStep step(ScriptStep::Kind::Expect, "Expect(" + Quote(bytes, 80) + ")");
    step.bytes = std::move(bytes);
    return step;
}

ScriptStep ExpectUntil(std::string terminator) {
    if (terminator.empty()) {
        throw std::invalid_argument("ExpectUntil: empty terminator");
    }
    ScriptStep step(ScriptStep::Kind::ExpectUntil, "ExpectUntil(" + Quote(terminator, 80) + ")");
    step.bytes = std::move(terminator);
    return step;
}

ScriptStep StartTls() {
    return ScriptStep(ScriptStep::Kind::StartTls, "StartTls()");
}

ScriptStep ExpectTlsHello() {
    return ScriptStep(ScriptStep::Kind::ExpectTlsHello, "ExpectTlsHello()");
}

ScriptStep SendTlsAlert() {
    return ScriptStep(ScriptStep::Kind::SendTlsAlert, "SendTlsAlert()");
}

ScriptStep CloseConnection() {
    return ScriptStep(ScriptStep::Kind::CloseConnection, "CloseConnection()");
}

ScriptStep ExpectClosed() {
    return ScriptStep(ScriptStep::Kind::ExpectClosed, "ExpectClosed()");
}

ScriptStep Pause(std::chrono::milliseconds duration) {
    ScriptStep step(ScriptStep::Kind::Pause, "Pause(" + Milliseconds(duration) + ")");
    step.pause = duration;
    return step;
}

ScriptStep ClientMayClose(ScriptStep step) {
    step.client_may_close = true;
    step.description = "ClientMayClose(" + step.description + ")";
    return step;
}

}  // namespace script

ScriptedServer::ScriptedServer(std::vector<ScriptStep> script, ServerOptions options)
    : ScriptedServer(kScriptPerConnection, {std::move(script)}, std::move(options)) {}

ScriptedServer::ScriptedServer(ScriptPerConnection,
                               std::vector<std::vector<ScriptStep>> connections,
                               ServerOptions options)
    : m_connections(std::move(connections)), m_options(std::move(options)) {
    if (m_connections.empty()) {
        throw std::invalid_argument("ScriptedServer: no script");
    }
    for (auto& steps : m_connections) {
        if (m_options.tls == TlsMode::Direct) {
            steps.insert(steps.begin(), script::StartTls());
        }
        for (std::size_t i = 0; i + 1 < steps.size(); ++i) {
            if (IsLast(steps[i].kind)) {
                throw std::invalid_argument("ScriptedServer: a step follows " +
                                            steps[i].description);
            }
        }
    }
    if (NeedsDefaultCertificate(m_connections)) {
        m_certificate = LocalhostTestCertificate();
    }

    m_listen_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (m_listen_fd < 0 ||
        ::bind(m_listen_fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(m_listen_fd, 8) != 0 ||
        ::getsockname(m_listen_fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        const std::string reason = std::strerror(errno);
        if (m_listen_fd >= 0) {
            ::close(m_listen_fd);
        }
        throw std::runtime_error("ScriptedServer: cannot listen on 127.0.0.1: " + reason);
    }
    m_port = ntohs(address.sin_port);
    m_wake_fd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_wake_fd < 0) {
        ::close(m_listen_fd);
        throw std::runtime_error("ScriptedServer: eventfd failed");
    }
    m_thread = std::thread([this] { Run(); });
}

ScriptedServer::~ScriptedServer() {
    bool finish_called = false;
    {
        std::lock_guard lock(m_mutex);
        finish_called = m_finish_called;
    }
    Stop();
    if (!finish_called) {
        ADD_FAILURE() << "ScriptedServer destroyed without Finish() (use EXPECT_SCRIPT_DONE)\n"
                      << Report();
    }
    ::close(m_wake_fd);
}

void ScriptedServer::Stop() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(m_wake_fd, &one, sizeof one);
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

bool ScriptedServer::Finish(std::chrono::milliseconds timeout) {
    std::unique_lock lock(m_mutex);
    if (m_finish_called) {
        return m_result;
    }
    m_finish_called = true;
    if (!m_done_changed.wait_for(lock, timeout, [this] { return m_done; })) {
        std::string where = "connection " + std::to_string(m_connection + 1);
        if (!m_accepted) {
            where += ", waiting for the client to connect";
        } else if (m_step < m_connections[m_connection].size()) {
            where += ", step " + std::to_string(m_step + 1) + " " +
                     m_connections[m_connection][m_step].description;
        }
        m_failures.push_back("Finish() gave up after " + Milliseconds(timeout) + " at " + where);
    }
    lock.unlock();
    Stop();
    lock.lock();
    m_result = m_failures.empty();
    return m_result;
}

std::string ScriptedServer::Report() const {
    std::lock_guard lock(m_mutex);
    std::string text = "scripted server on 127.0.0.1:" + std::to_string(m_port) + ":\n";
    for (const std::string& failure : m_failures) {
        text += "  " + failure + "\n";
    }
    return text;
}

std::vector<std::string> ScriptedServer::TlsServerNames() const {
    std::lock_guard lock(m_mutex);
    return m_server_names;
}

void ScriptedServer::AddFailure(std::string text) {
    std::lock_guard lock(m_mutex);
    m_failures.push_back(std::move(text));
}

void ScriptedServer::Run() {
    // A write to a connection the client has reset raises SIGPIPE; TLS writes cannot pass
    // MSG_NOSIGNAL, so this thread keeps the signal blocked and clears it at the end.
    sigset_t pipe_signal;
    sigemptyset(&pipe_signal);
    sigaddset(&pipe_signal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe_signal, nullptr);

    auto report_unrun = [this](std::size_t connection, std::size_t first_step) {
        if (first_step < m_connections[connection].size() ||
            connection + 1 < m_connections.size()) {
            AddFailure("connection " + std::to_string(connection + 1) + ": steps from " +
                       std::to_string(first_step + 1) + " on and any later connection not run");
        }
    };

    for (std::size_t index = 0; index < m_connections.size(); ++index) {
        {
            std::lock_guard lock(m_mutex);
            m_connection = index;
            m_step = 0;
            m_accepted = false;
        }
        int fd = -1;
        pollfd fds[2] = {{m_listen_fd, POLLIN, 0}, {m_wake_fd, POLLIN, 0}};
        while (fd < 0) {
            if (::poll(fds, 2, -1) < 0 && errno != EINTR) {
                break;
            }
            if (fds[1].revents != 0) {
                break;
            }
            fd = ::accept4(m_listen_fd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
            if (fd < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR &&
                errno != ECONNABORTED) {
                break;
            }
        }
        if (fd < 0) {
            AddFailure("connection " + std::to_string(index + 1) +
                       " was not opened before the server was stopped");
            if (index + 1 < m_connections.size()) {
                report_unrun(index, m_connections[index].size());
            }
            break;
        }
        const int no_delay = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &no_delay, sizeof no_delay);
        {
            std::lock_guard lock(m_mutex);
            m_accepted = true;
        }

        Channel channel(fd, m_wake_fd, m_options.idle_timeout);
        StepRunner runner(
            channel, m_options, m_certificate, [this](std::string name) {
                std::lock_guard lock(m_mutex);
                m_server_names.push_back(std::move(name));
            });
        const auto& steps = m_connections[index];
        bool failed = false;
        for (std::size_t step = 0; step < steps.size(); ++step) {
            {
                std::lock_guard lock(m_mutex);
                m_step = step;
            }
            const StepResult result = runner.Run(steps[step]);
            if (result.kind == StepResult::Kind::ClientClosed) {
                break;
            }
            if (result.kind != StepResult::Kind::Ok) {
                AddFailure("connection " + std::to_string(index + 1) + ", step " +
                           std::to_string(step + 1) + " " + steps[step].description + ": " +
                           result.text);
                report_unrun(index, step + 1);
                failed = true;
                break;
            }
        }
        {
            std::lock_guard lock(m_mutex);
            m_step = steps.size();
        }
        if (failed) {
            channel.Drop();
            break;
        }
        if (channel.open() && !channel.pending().empty()) {
            AddFailure("connection " + std::to_string(index + 1) +
                       ": the client sent bytes that no step read: " + Quote(channel.pending()));
        }
        channel.CloseOrderly();
    }
    ::close(m_listen_fd);
    m_listen_fd = -1;

    const timespec no_wait{0, 0};
    while (sigtimedwait(&pipe_signal, nullptr, &no_wait) == SIGPIPE) {
    }
    {
        std::lock_guard lock(m_mutex);
        m_done = true;
    }
    m_done_changed.notify_all();
}

::testing::AssertionResult ScriptDone(ScriptedServer& server, std::chrono::milliseconds timeout) {
    if (server.Finish(timeout)) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << server.Report();
}

}  // namespace tarvox
