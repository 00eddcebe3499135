// A run of POP3 commands sent ahead of their replies (RFC 2449 section 6.6
// PIPELINING), the replies read back in order from one growing buffer. At
// most kPipelineCommands commands, and kPipelineBytes bytes of command text,
// are out unanswered, so that neither side can fill its buffers and block
// while the other waits. Each reply is judged and each failure reported as
// the one-at-a-time exchange does (PopDownload, ReadStatus): the caller sees
// the same results, texts and progress either way.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "frontend/services.h"
#include "protocols/pop_download.h"
#include "protocols/pop_session.h"

namespace tarvox {

// A window of 1024 short commands (TOP, RETR, DELE: at most 20 bytes each)
// keeps a slow link busy while staying far below the socket buffers.
inline constexpr std::size_t kPipelineCommands = 1024;
inline constexpr std::size_t kPipelineBytes = 65536;
// With the replies' sizes known (RETR of listed messages), no more than this
// much is asked ahead, so that a run ended early has little left to read.
inline constexpr std::size_t kPipelineReplyBytes = std::size_t{1} << 20;

// Whether runs of commands may be pipelined on the session: the server listed
// PIPELINING and the environment does not hold TARVOX_POP3_LOCKSTEP=1.
bool UsePipelining(const PopSession& session);

// Whether the text of a TOP n 0 reply holds a POP3 status line ("+OK" or
// "-ERR" and a space or the line end) among its header lines. Pipelined, that
// is the sign of a server whose replies are out of step with the commands: a
// short reply has taken the next one's status line into its text.
bool HeaderBlockHoldsStatusLine(std::string_view text);

class PopPipeline {
public:
    // `commands` each end in CR LF; `reply_sizes`, when given, holds the
    // expected size of each one's reply. The session stays busy while the
    // pipeline lives. Nothing is sent before the first reply is asked for.
    PopPipeline(PopSession& session, std::vector<std::string> commands,
                std::vector<std::size_t> reply_sizes = {});

    // Reads the multi-line reply (RETR, TOP) to the next command, with the
    // progress of `progress` (its line and prefix; none without). When Complete, `text` is
    // the message after the status line, its end line included, dot-stuffing
    // not undone, as DownloadedMessage::Text gives it; it stays valid until
    // the next call. After any other result the connection is closed.
    DownloadResult NextMessage(const DownloadRequest* progress, std::string_view& text,
                               FrontendServices& services);

    // Reads the single-line reply to the next command into session.text, as
    // ReadStatus does (a lost connection is closed and notified).
    StatusReply NextStatus(FrontendServices& services);

    // Commands sent and not yet answered.
    std::size_t Unanswered() const { return m_sent - m_answered; }

    // Sends `lead` (a command whose reply the caller reads itself, such as
    // LIST) and the first commands in one write.
    void Start(std::string_view lead);
    // More commands, sent after those given so far (not with reply sizes).
    void Add(std::vector<std::string> commands);
    // Bytes the caller read past the end of its own reply: the start of the
    // replies to the pipeline's commands.
    void Received(std::string_view bytes) { m_buffer.append(bytes); }

    // Sends nothing more and reads the replies still due, so that the session
    // is in step again: a positive reply to RETR or TOP runs to its end line,
    // a negative one is a single line. False when the connection was lost
    // (the connection is closed and the loss notified).
    bool Finish(FrontendServices& services);

private:
    // Sends `lead` and what fits into the bounds once a quarter of them is
    // answered, in one write (a failed write shows in the receive that
    // follows), and drops the replies already handed out.
    void Refill(std::string_view lead = {});
    // Where the next reply's first line ends in m_buffer, once it is whole;
    // npos when the connection was lost (closed and notified).
    std::size_t AwaitLineEnd(FrontendServices& services);
    // Appends what arrives next; `held` is what the current reply holds so far.
    NetResult ReceiveMore(std::size_t held);
    void Answered();

    PopSession& m_session;
    PopSession::BusyGuard m_busy;
    std::vector<std::string> m_commands;
    std::vector<std::size_t> m_reply_sizes;
    std::size_t m_unanswered_reply_bytes = 0;
    std::size_t m_sent = 0;
    std::size_t m_answered = 0;
    std::size_t m_unanswered_bytes = 0;
    // What has arrived; the replies handed out end at m_start.
    std::string m_buffer;
    std::size_t m_start = 0;
    std::vector<char> m_piece;
};

}  // namespace tarvox
