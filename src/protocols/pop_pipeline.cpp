#include "protocols/pop_pipeline.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <new>

namespace tarvox {

namespace {

using Clock = std::chrono::steady_clock;

}  // namespace

bool UsePipelining(const PopSession& session) {
    const char* lockstep = std::getenv("TARVOX_POP3_LOCKSTEP");
    return session.capabilities.pipelining &&
           (lockstep == nullptr || std::string_view(lockstep) != "1");
}

PopPipeline::PopPipeline(PopSession& session, std::vector<DownloadRequest> requests)
    : m_session(session),
      m_busy(session),
      m_requests(std::move(requests)),
      m_command_bytes(m_requests.size()),
      m_piece(kDownloadChunkSize) {}

void PopPipeline::SendAhead() {
    std::string batch;
    while (m_sent < m_requests.size() && m_sent - m_answered < kPipelineCommands) {
        std::string command = DownloadCommand(m_requests[m_sent]);
        if (m_unanswered_bytes + command.size() > kPipelineBytes) {
            break;
        }
        m_unanswered_bytes += command.size();
        m_command_bytes[m_sent++] = command.size();
        batch += command;
    }
    if (!batch.empty()) {
        PopSend(m_session, batch);
    }
}

DownloadResult PopPipeline::Lose(FrontendServices& services, NetResult result) {
    m_buffer = std::string();
    return LoseDownload(m_session, services, result);
}

DownloadResult PopPipeline::Next(std::string_view& text, FrontendServices& services) {
    const DownloadRequest& request = m_requests[m_answered];
    // Refilled at half the bound, so that writes carry many commands.
    if (m_sent - m_answered <= kPipelineCommands / 2) {
        SendAhead();
    }
    // Replies handed out are dropped once they are a chunk's worth, so that
    // the buffer is not moved for every reply.
    if (m_start >= kDownloadChunkSize || m_start == m_buffer.size()) {
        m_buffer.erase(0, m_start);
        m_start = 0;
    }
    services.ShowStatus(request.progress_line, request.progress_prefix);
    const std::size_t expected = ListedSize(m_session, request.message_number) + kDownloadChunkSize;
    Clock::time_point last_update = Clock::now();

    bool positive = false;
    std::size_t text_start = 0;   // from m_start
    std::size_t search_from = 0;  // in m_buffer, for the end line
    for (;;) {
        const std::string_view reply = std::string_view(m_buffer).substr(m_start);
        if (!positive) {
            switch (CheckReplyStart(reply, text_start)) {
                case ReplyStart::Pending:
                    break;
                case ReplyStart::Positive:
                    positive = true;
                    search_from = m_start + text_start - 2;
                    break;
                case ReplyStart::Refused:
                    m_buffer = std::string();
                    return RefuseDownload(m_session, services);
            }
        }
        if (positive) {
            const std::size_t end = m_buffer.find(kReplyEndMarker, search_from);
            if (end != std::string::npos) {
                const std::size_t reply_end = end + kReplyEndMarker.size();
                text = std::string_view(m_buffer).substr(m_start + text_start,
                                                         reply_end - m_start - text_start);
                m_start = reply_end;
                m_unanswered_bytes -= m_command_bytes[m_answered++];
                return DownloadResult::Complete;
            }
            // An end line cut after its first bytes is found once the rest arrives.
            const std::size_t overlap = kReplyEndMarker.size() - 1;
            if (m_buffer.size() > search_from + overlap) {
                search_from = m_buffer.size() - overlap;
            }
        }
        const std::size_t held = reply.size();
        if (held >= kDownloadSizeCap) {
            return Lose(services, NetResult::BufferOverflow);
        }
        std::size_t received = 0;
        const NetResult result = m_session.connection.Receive(
            m_piece.data(), std::min(m_piece.size(), kDownloadSizeCap - held), &received);
        if (result != NetResult::Success) {
            return Lose(services, result);
        }
        try {
            m_buffer.append(m_piece.data(), received);
        } catch (const std::bad_alloc&) {
            return Lose(services, NetResult::BufferOverflow);
        }

        const Clock::time_point now = Clock::now();
        if (now - last_update >= std::chrono::milliseconds(1000)) {
            last_update = now;
            const std::size_t percent =
                std::min<std::size_t>((held + received) * 100 / expected, 99);
            services.ShowStatus(request.progress_line,
                                request.progress_prefix + std::to_string(percent) + "%");
        }
    }
}

}  // namespace tarvox
