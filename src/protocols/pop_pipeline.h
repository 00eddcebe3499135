// Downloading a run of messages with the commands sent ahead of their replies
// (RFC 2449 section 6.6 PIPELINING), the replies read back in order from one
// growing buffer. At most kPipelineCommands commands, and kPipelineBytes
// bytes of command text, are out unanswered, so that neither side can fill
// its buffers and block while the other waits. Each reply is judged and each
// failure reported as PopDownload does for one message: the caller sees the
// same results, texts and progress either way.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "frontend/services.h"
#include "protocols/pop_download.h"
#include "protocols/pop_session.h"

namespace tarvox {

inline constexpr std::size_t kPipelineCommands = 256;
inline constexpr std::size_t kPipelineBytes = 65536;

// Whether runs of commands may be pipelined on the session: the server listed
// PIPELINING and the environment does not hold TARVOX_POP3_LOCKSTEP=1.
bool UsePipelining(const PopSession& session);

class PopPipeline {
public:
    // The session stays busy while the pipeline lives. Nothing is sent before
    // the first Next. Of each request the number, command and progress
    // fields are used (not those of the viewer).
    PopPipeline(PopSession& session, std::vector<DownloadRequest> requests);

    // Reads the reply to the next request; called once for each. When Complete, `text` is the
    // message after the status line, its end line included, dot-stuffing not
    // undone, as DownloadedMessage::Text gives it; it stays valid until the
    // next call. After any other result the connection is closed.
    DownloadResult Next(std::string_view& text, FrontendServices& services);

private:
    // Sends the commands that fit into the bounds, in one write. A failed
    // write shows in the receive that follows.
    void SendAhead();
    DownloadResult Lose(FrontendServices& services, NetResult result);

    PopSession& m_session;
    PopSession::BusyGuard m_busy;
    std::vector<DownloadRequest> m_requests;
    std::vector<std::size_t> m_command_bytes;  // of each command sent
    std::size_t m_sent = 0;
    std::size_t m_answered = 0;
    std::size_t m_unanswered_bytes = 0;
    // What has arrived; the replies handed out end at m_start.
    std::string m_buffer;
    std::size_t m_start = 0;
    std::vector<char> m_piece;
};

}  // namespace tarvox
