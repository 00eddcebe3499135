#include "protocols/pop_pipeline.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <iterator>
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

bool HeaderBlockHoldsStatusLine(std::string_view text) {
    const auto status = [](std::string_view line, std::string_view word) {
        return line.starts_with(word) && line.size() > word.size() &&
               (line[word.size()] == ' ' || line[word.size()] == '\r');
    };
    std::size_t start = 0;
    while (start < text.size()) {
        const std::string_view line = text.substr(start);
        if (line.starts_with("\r\n")) {
            return false;  // the blank line after the header
        }
        if (status(line, "+OK") || status(line, "-ERR")) {
            return true;
        }
        const std::size_t end = text.find("\r\n", start);
        if (end == std::string_view::npos) {
            return false;
        }
        start = end + 2;
    }
    return false;
}

PopPipeline::PopPipeline(PopSession& session, std::vector<std::string> commands,
                         std::vector<std::size_t> reply_sizes)
    : m_session(session),
      m_busy(session),
      m_commands(std::move(commands)),
      m_reply_sizes(std::move(reply_sizes)),
      m_piece(kDownloadChunkSize) {
    m_reply_sizes.resize(m_reply_sizes.empty() ? 0 : m_commands.size());
}

void PopPipeline::Add(std::vector<std::string> commands) {
    m_commands.insert(m_commands.end(), std::make_move_iterator(commands.begin()),
                      std::make_move_iterator(commands.end()));
    if (!m_reply_sizes.empty()) {
        m_reply_sizes.resize(m_commands.size());
    }
}

void PopPipeline::Start(std::string_view lead) {
    Refill(lead);
}

void PopPipeline::Refill(std::string_view lead) {
    // Refilled once a quarter of the window is free: the link stays busy and
    // each write still carries many commands.
    if (Unanswered() <= kPipelineCommands - kPipelineCommands / 4) {
        std::string batch(lead);
        while (m_sent < m_commands.size() && Unanswered() < kPipelineCommands &&
               m_unanswered_bytes + m_commands[m_sent].size() <= kPipelineBytes) {
            const std::size_t reply = m_reply_sizes.empty() ? 0 : m_reply_sizes[m_sent];
            // One command is always out, however large its reply.
            if (Unanswered() > 0 && m_unanswered_reply_bytes + reply > kPipelineReplyBytes) {
                break;
            }
            m_unanswered_reply_bytes += reply;
            m_unanswered_bytes += m_commands[m_sent].size();
            batch += m_commands[m_sent++];
        }
        if (!batch.empty()) {
            PopSend(m_session, batch);
        }
    }
    // Replies handed out are dropped once they are a chunk's worth, so that
    // the buffer is not moved for every reply.
    if (m_start >= kDownloadChunkSize || m_start == m_buffer.size()) {
        m_buffer.erase(0, m_start);
        m_start = 0;
    }
}

NetResult PopPipeline::ReceiveMore(std::size_t held) {
    if (held >= kDownloadSizeCap) {
        return NetResult::BufferOverflow;
    }
    std::size_t received = 0;
    const NetResult result = m_session.connection.Receive(
        m_piece.data(), std::min(m_piece.size(), kDownloadSizeCap - held), &received);
    if (result != NetResult::Success) {
        return result;
    }
    try {
        m_buffer.append(m_piece.data(), received);
    } catch (const std::bad_alloc&) {
        return NetResult::BufferOverflow;
    }
    return NetResult::Success;
}

void PopPipeline::Answered() {
    m_unanswered_bytes -= m_commands[m_answered].size();
    if (!m_reply_sizes.empty()) {
        m_unanswered_reply_bytes -= m_reply_sizes[m_answered];
    }
    // The command is not needed again.
    m_commands[m_answered++] = std::string();
}

DownloadResult PopPipeline::NextMessage(const DownloadRequest* progress, std::string_view& text,
                                        FrontendServices& services) {
    // After Abort (or any close) no reply is handed out, not even one that
    // has already arrived: the run ends as one at a time would.
    if (!m_session.connection.Connected()) {
        m_buffer = std::string();
        return LoseDownload(m_session, services, NetResult::NotConnected);
    }
    Refill();
    if (progress != nullptr) {
        services.ShowStatus(progress->progress_line, progress->progress_prefix);
    }
    const std::size_t expected =
        (progress != nullptr ? ListedSize(m_session, progress->message_number) : 0) + kDownloadChunkSize;
    Clock::time_point last_update = Clock::now();

    bool positive = false;
    std::size_t text_start = 0;   // from m_start
    std::size_t search_from = 0;  // in m_buffer, for the end line
    for (;;) {
        const std::size_t held = m_buffer.size() - m_start;
        if (!positive) {
            switch (CheckReplyStart(std::string_view(m_buffer).substr(m_start), text_start)) {
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
                Answered();
                return DownloadResult::Complete;
            }
            // An end line cut after its first bytes is found once the rest arrives.
            const std::size_t overlap = kReplyEndMarker.size() - 1;
            if (m_buffer.size() > search_from + overlap) {
                search_from = m_buffer.size() - overlap;
            }
        }
        const NetResult result = ReceiveMore(held);
        if (result != NetResult::Success) {
            m_buffer = std::string();
            return LoseDownload(m_session, services, result);
        }
        const Clock::time_point now = Clock::now();
        if (progress != nullptr && now - last_update >= std::chrono::milliseconds(1000)) {
            last_update = now;
            const std::size_t percent =
                std::min<std::size_t>((m_buffer.size() - m_start) * 100 / expected, 99);
            services.ShowStatus(progress->progress_line,
                                progress->progress_prefix + std::to_string(percent) + "%");
        }
    }
}

bool PopPipeline::Finish(FrontendServices& services) {
    m_commands.resize(m_sent);
    std::string_view text;
    while (Unanswered() > 0) {
        const std::size_t line_end = AwaitLineEnd(services);
        if (line_end == std::string::npos) {
            return false;
        }
        const bool positive = m_buffer.compare(m_start, 1, "+") == 0;
        if (positive ? NextMessage(nullptr, text, services) != DownloadResult::Complete
                     : NextStatus(services) == StatusReply::Lost) {
            return false;
        }
    }
    return true;
}

std::size_t PopPipeline::AwaitLineEnd(FrontendServices& services) {
    std::size_t line_end;
    while ((line_end = m_buffer.find("\r\n", m_start)) == std::string::npos) {
        // A status line is held to the size of the one-at-a-time reply buffer.
        const std::size_t held = m_buffer.size() - m_start;
        const NetResult result = held >= kPopTextBufferSize - 1 ? NetResult::BufferOverflow
                                                                 : ReceiveMore(held);
        if (result != NetResult::Success) {
            m_buffer = std::string();
            LoseDownload(m_session, services, result);
            return std::string::npos;
        }
    }
    return line_end;
}

StatusReply PopPipeline::NextStatus(FrontendServices& services) {
    if (!m_session.connection.Connected()) {
        m_buffer = std::string();
        LoseDownload(m_session, services, NetResult::NotConnected);
        return StatusReply::Lost;
    }
    Refill();
    const std::size_t line_end = AwaitLineEnd(services);
    if (line_end == std::string::npos) {
        return StatusReply::Lost;
    }
    m_session.text.assign(m_buffer, m_start, line_end + 2 - m_start);
    m_start = line_end + 2;
    Answered();
    return m_session.text.starts_with('+') ? StatusReply::Positive : StatusReply::Negative;
}

}  // namespace tarvox
