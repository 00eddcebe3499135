// One TCP conversation, optionally in TLS: host lookup, connect, switch to
// TLS, send, receive, read one reply line, close. Every step returns a
// NetResult.
//
// Time-outs and user aborts work by calling Close from another thread while a
// worker is blocked in Connect, StartTls, Send or Receive: the blocked call
// returns a failure at once. A connection may also be given an idle limit, for
// callers with no other thread to watch it. Internally every wait is a poll on the socket and
// on a wake-up descriptor that Close signals; the socket and the TLS object
// are released by whichever side is last out of them, so nothing is freed
// twice and no descriptor is closed while another thread still uses it.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <sys/socket.h>
#include <vector>

#include "net/net_result.h"

namespace tarvox {

class TlsLibrary;
struct TlsSsl;

// Where to connect: every address the lookup gave, tried in order, and the
// host text (sent as the TLS server name when it is not an address literal).
struct NetAddress {
    struct Entry {
        sockaddr_storage address{};
        socklen_t length = 0;
    };
    std::string host;
    std::vector<Entry> entries;
};

// Whether the host was found. A dotted IPv4 address is used as it stands;
// other names are looked up (IPv4 and IPv6).
bool ResolveHost(std::string_view host, std::uint16_t port, NetAddress& address);

class NetConnection {
public:
    // `tls` may be null: TLS is then unavailable on this connection.
    explicit NetConnection(const TlsLibrary* tls = nullptr);
    ~NetConnection();
    NetConnection(const NetConnection&) = delete;
    NetConnection& operator=(const NetConnection&) = delete;

    // Opens the stream, in TLS from the first byte when `direct_tls`. After a
    // failure nothing is left open.
    NetResult Connect(bool direct_tls, const NetAddress& address);
    // Turns the open plain stream into TLS (after STLS or STARTTLS). Already
    // in TLS: 1 and nothing changes. On failure the stream stays open.
    NetResult StartTls();
    // Sends all the bytes.
    NetResult Send(std::string_view bytes);
    // One receive of whatever arrives, at most `capacity` bytes.
    NetResult Receive(char* buffer, std::size_t capacity, std::size_t* received);
    // From now on a Connect, StartTls, Send or Receive that waits `limit`
    // without the server giving or taking a byte fails with 17 ("connection
    // broken; failure or timeout"). Zero, the default, waits as long as it
    // takes.
    void SetIdleLimit(std::chrono::milliseconds limit) { m_idle_limit_ms = limit.count(); }
    // Safe from any thread, also on a closed connection (which gives 14).
    NetResult Close();
    // The user's Abort, from any thread: closes as Close does, and a Connect
    // that has not begun yet (the worker may still be looking up the host)
    // or begins later fails with 24 instead of connecting.
    NetResult Abort();

    bool Connected() const { return m_connected.load(); }
    bool TlsActive() const { return m_tls_active.load(); }
    bool InTlsCall() const { return m_in_tls_call.load(); }

    const TlsLibrary* tls_library() const { return m_tls_library; }
    // Runs `use` on the TLS session (null unless TlsActive) while Close from
    // another thread is held off from freeing it. For certificate queries.
    template <class Use>
    void UseTlsSession(Use&& use) {
        CallGuard call(*this);
        use(m_tls_active.load() ? call.tls() : nullptr);
    }

private:
    // Marks one call on the connection. While any is in progress, Close only
    // wakes it; the last call out releases the socket and TLS object.
    class CallGuard {
    public:
        explicit CallGuard(NetConnection& connection);
        ~CallGuard();
        int fd() const { return m_fd; }
        TlsSsl* tls() const { return m_tls; }

    private:
        NetConnection& m_connection;
        int m_fd;
        TlsSsl* m_tls;
    };
    enum class Wait { Ready, Aborted, TimedOut, Failed };

    // The result of a wait that did not end Ready.
    static NetResult WaitFailure(Wait wait);

    Wait WaitFor(int fd, short events);
    // After a TLS read or write that could not finish: waits until the socket
    // is ready for what the library wants (1: call again), else the failure.
    NetResult AwaitTls(int fd, int tls_error);
    // Why a Send or Receive cannot go on: not connected, TLS on without the
    // library, no socket or no TLS session; success otherwise.
    NetResult CheckCall(const CallGuard& call) const;
    // Repeats one SSL_read or SSL_write (`io`) until it moves bytes, waiting
    // whenever TLS wants the socket; `moved` is what it returned.
    template <class Io>
    NetResult TlsTransfer(const CallGuard& call, Io io, int& moved);
    // Repeats one send or recv (`io`) until it returns 0 or more, waiting for
    // `events` while it would block; `moved` is what it returned.
    template <class Io>
    NetResult SocketTransfer(int fd, short events, Io io, ssize_t& moved);
    NetResult Handshake(int fd, TlsSsl* ssl);
    NetResult ConnectOne(const NetAddress::Entry& entry, int& fd_out);
    void ReleaseLocked();

    const TlsLibrary* m_tls_library;
    int m_wake_fd = -1;

    mutable std::mutex m_mutex;
    int m_fd = -1;
    TlsSsl* m_tls = nullptr;
    int m_calls_in_progress = 0;
    bool m_release_pending = false;
    bool m_aborted = false;
    std::string m_server_name;

    std::atomic<std::int64_t> m_idle_limit_ms{0};
    std::atomic<bool> m_abort_requested{false};
    std::atomic<bool> m_connected{false};
    std::atomic<bool> m_tls_active{false};
    std::atomic<bool> m_in_tls_call{false};
};

// Receives until what arrived holds a CR LF anywhere; everything received
// stays in `reply`, also what followed the first CR LF. `size` is the size of
// the reply buffer: a reply that fills size - 1 bytes without a CR LF gives
// 11 ("socket gracefully closed").
NetResult ReadReply(NetConnection& connection, std::string& reply, std::size_t size);

}  // namespace tarvox
