// The POP3 session of the open inbox (RFC 1939) and the exchanges that run on
// it. Replies are judged by their first character: '+' is success. Every
// exchange runs on a worker thread and holds the session busy while it runs,
// so that they go one at a time.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "net/net_connection.h"
#include "protocols/pop_capabilities.h"

namespace tarvox {

class FrontendServices;
struct Profile;

// The size of the buffer that single-line replies are read into.
inline constexpr std::size_t kPopTextBufferSize = 16384;

struct PopSession {
    explicit PopSession(const TlsLibrary* tls) : connection(tls) {}

    NetConnection connection;
    NetResult last_result = NetResult::Unknown;
    // The last single-line reply (at most kPopTextBufferSize - 1 bytes).
    std::string text;
    std::uint32_t message_count = 0;
    std::uint32_t mailbox_size = 0;
    // Listed size of each message, message n at index n - 1, filled from
    // LIST up to the last message it gave (a message past the end has no
    // listed size).
    std::vector<std::uint32_t> sizes;
    // What the server listed for CAPA after the login's greeting (after STLS
    // when it was used); empty when it refused.
    PopCapabilities capabilities;

    // Whether an exchange runs on the session now.
    bool Busy() const { return m_busy.load(); }

    // Marks the session busy for its lifetime. Every exchange holds one, so
    // the flag is set and cleared here only; a guard inside another leaves
    // the session busy until the outer one ends.
    class BusyGuard {
    public:
        explicit BusyGuard(PopSession& session)
            : m_session(session), m_was_busy(session.m_busy.exchange(true)) {}
        ~BusyGuard() { m_session.m_busy = m_was_busy; }
        BusyGuard(const BusyGuard&) = delete;
        BusyGuard& operator=(const BusyGuard&) = delete;

    private:
        PopSession& m_session;
        bool m_was_busy;
    };

private:
    std::atomic<bool> m_busy{false};
};

// Sends `command` as it stands (it ends in CR LF). False when sending failed;
// the result is in `last_result`.
bool PopSend(PopSession& session, std::string_view command);

enum class StatusReply { Positive, Negative, Lost };

// Reads one reply into `session.text`. When the connection fails the
// connection is closed and the inbox is told it lost its connection (waiting until it has handled that); the caller's worker then
// ends.
StatusReply ReadStatus(PopSession& session, FrontendServices& services);

// STAT: true when the reply parses as "+OK count size". A reply that arrived
// but does not parse leaves the result 1.
bool PopStat(NetConnection& connection, std::uint32_t& count, std::uint32_t& size,
             NetResult& result);

// Sends QUIT, reads its reply if the command went out, then closes. Returns
// the result of the close.
NetResult PopQuit(NetConnection& connection, std::string* reply = nullptr,
                  std::size_t reply_size = 512);

// Whether the mailbox changed since the statistics recorded in the stored
// profile when the inbox was last saved and left. An empty mailbox also
// clears the recorded statistics.
bool MailboxModified(Profile& stored, std::uint32_t count, std::uint32_t size);

// "DELE n" with its CR LF.
std::string DeleteCommand(std::uint32_t message_number);

// What follows the reply to DELE n: a refused DELE is reported in a box; the
// message leaves the list either way (`remove_from_list`). False when the
// connection was lost.
bool DeleteAnswered(StatusReply reply, std::uint32_t message_number, FrontendServices& services,
                    const std::function<void(std::uint32_t)>& remove_from_list);

// DELE n, answered as DeleteAnswered says. A refused DELE is reported in a box; the message leaves the list
// either way (`remove_from_list`). The last request of a batch ends with
// "Finished deleting message(s)". False when the connection was lost.
bool PopDelete(PopSession& session, std::uint32_t message_number, bool last_of_batch,
               FrontendServices& services,
               const std::function<void(std::uint32_t)>& remove_from_list);

// NOOP, to keep the session from timing out.
void PopKeepAlive(PopSession& session, FrontendServices& services);

// STAT, for the inbox's "Refresh mailbox stat": the count and size in the
// status line, or a box when the server gives no answer to it.
void RefreshMailboxStat(PopSession& session, FrontendServices& services);

enum class InboxExit { StayOpen, CloseInbox, Lost };

// RSET then QUIT: the server restores every message deleted in this session.
// A refused RSET leaves the inbox open.
InboxExit PopResetAndExit(PopSession& session, FrontendServices& services);

// Said when QUIT is not answered "+OK" (caption "Tarvox", error icon); %s
// is the server's reply, or "no answer".
inline constexpr const char* kQuitNotConfirmedFormat =
    "The server did not confirm Save & Exit: %s\n\nMessages deleted in this session may still be "
    "on the server.";

// QUIT: the deletions of this session become permanent. Only "+OK" says they
// were made (RFC 1939 section 6); anything else is told, and the inbox
// closes either way.
InboxExit PopSaveAndExit(PopSession& session, FrontendServices& services);

}  // namespace tarvox
