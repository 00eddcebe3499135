#include "protocols/pop_download.h"

#include <algorithm>
#include <chrono>
#include <new>

#include "codec/text_format.h"
#include "protocols/pop_session.h"

namespace tarvox {

namespace {

using Clock = std::chrono::steady_clock;

// How far before a new chunk the end marker search starts, so that a marker
// split across two chunks is found.
constexpr std::size_t kMarkerLookBack = 10;

}  // namespace

std::size_t ListedSize(const PopSession& session, std::uint32_t number) {
    return number >= 1 && number <= session.sizes.size() ? session.sizes[number - 1] : 0;
}

std::string DownloadCommand(const DownloadRequest& request) {
    return request.top ? TextFormat("TOP %u %u\r\n", request.message_number, request.lines)
                       : TextFormat("RETR %u\r\n", request.message_number);
}

ReplyStart CheckReplyStart(std::string_view received, std::size_t& text_start) {
    const std::size_t line_end = received.find("\r\n");
    if (line_end == std::string_view::npos) {
        // A status line that never ends is no POP3 reply either.
        return received.size() >= kPopTextBufferSize ? ReplyStart::Refused : ReplyStart::Pending;
    }
    if (!received.starts_with('+')) {
        return ReplyStart::Refused;
    }
    text_start = line_end + 2;
    return ReplyStart::Positive;
}

DownloadResult RefuseDownload(PopSession& session, FrontendServices& services) {
    services.ShowStatus(StatusLine::Inbox, "Server gave error response. Please restart Tarvox");
    services.ShowMessage(
        "Server refused to send message (mailbox out of sync?). Please restart program.", "",
        BoxIcon::Error);
    session.connection.Close();
    return DownloadResult::Refused;
}

DownloadResult LoseDownload(PopSession& session, FrontendServices& services, NetResult result) {
    session.last_result = result;
    session.connection.Close();
    services.NotifyLostConnection(result);
    return DownloadResult::Lost;
}

DownloadResult PopDownload(PopSession& session, const DownloadRequest& request,
                           DownloadedMessage& message, FrontendServices& services) {
    PopSession::BusyGuard busy(session);
    const std::size_t expected = ListedSize(session, request.message_number) + kDownloadChunkSize;

    message = DownloadedMessage{};
    try {
        // The listed size comes from the server: it buys no room beyond the cap.
        message.buffer.reserve(std::min(expected + 1, kDownloadSizeCap));
    } catch (const std::bad_alloc&) {
        return DownloadResult::NoMemory;
    }

    PopSend(session, DownloadCommand(request));

    Clock::time_point last_update = Clock::now();
    if (request.viewer) {
        last_update -= std::chrono::seconds(10);
    } else {
        services.ShowStatus(request.progress_line, request.progress_prefix);
    }

    bool status_checked = false;
    std::size_t held = 0;
    std::string& buffer = message.buffer;
    for (;;) {
        if (held >= kDownloadSizeCap) {
            return LoseDownload(session, services, NetResult::BufferOverflow);
        }
        if (held == buffer.capacity()) {
            // The server sends more than it listed.
            try {
                buffer.reserve(std::min(kDownloadSizeCap, held * 2));
            } catch (const std::bad_alloc&) {
                return LoseDownload(session, services, NetResult::BufferOverflow);
            }
        }
        // The string may have grown past the cap; what it holds never does.
        std::size_t room = std::min({buffer.capacity() - held, kDownloadChunkSize,
                                     kDownloadSizeCap - held});
        buffer.resize(held + room);
        std::size_t received = 0;
        NetResult result = session.connection.Receive(buffer.data() + held, room, &received);
        buffer.resize(held + (result == NetResult::Success ? received : 0));
        if (result != NetResult::Success) {
            return LoseDownload(session, services, result);
        }
        const std::size_t chunk_start = held;
        held += received;

        if (!status_checked) {
            switch (CheckReplyStart(buffer, message.start)) {
                case ReplyStart::Pending: break;
                case ReplyStart::Positive: status_checked = true; break;
                case ReplyStart::Refused:
                    message = DownloadedMessage{};
                    return RefuseDownload(session, services);
            }
        }

        Clock::time_point now = Clock::now();
        if (now - last_update >= std::chrono::milliseconds(1000)) {
            last_update = now;
            const std::size_t percent = std::min<std::size_t>(held * 100 / expected, 99);
            services.ShowStatus(request.progress_line,
                                request.progress_prefix + std::to_string(percent) + "%");
            if (request.viewer && request.show_partial_text && status_checked &&
                held - message.start < kDownloadChunkSize) {
                request.show_partial_text(message.Text());
            }
        }

        const std::size_t search_from = chunk_start > kMarkerLookBack ? chunk_start - kMarkerLookBack : 0;
        if (status_checked && buffer.find(kReplyEndMarker, search_from) != std::string::npos) {
            return DownloadResult::Complete;
        }
    }
}

}  // namespace tarvox
