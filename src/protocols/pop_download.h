// Downloading one message with RETR, or its first lines with TOP. The text
// arrives in chunks into one buffer sized from the listed message size; the
// buffer grows when the server sends more than it listed, up to a hard cap.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "frontend/services.h"

namespace tarvox {

struct PopSession;

inline constexpr std::size_t kDownloadChunkSize = 131072;
inline constexpr std::size_t kDownloadSizeCap = std::size_t{512} << 20;

enum class DownloadResult { NoMemory = 0, Lost = 1, Refused = 2, Complete = 3 };

struct DownloadRequest {
    std::uint32_t message_number = 0;
    bool top = false;         // TOP n lines instead of RETR n
    std::uint32_t lines = 0;  // body lines for TOP
    bool viewer = false;      // the viewer downloads: it shows the text as it arrives
    std::string progress_prefix;
    StatusLine progress_line = StatusLine::InboxProgress;
    // With `viewer`: called with the text so far while it is short.
    std::function<void(std::string_view)> show_partial_text;
};

// Everything received; the message starts after the "+OK" line and runs to
// the end, terminating ".\r\n" included. Dot-stuffing is not undone.
struct DownloadedMessage {
    std::string buffer;
    std::size_t start = 0;
    std::string_view Text() const { return std::string_view(buffer).substr(start); }
};

DownloadResult PopDownload(PopSession& session, const DownloadRequest& request,
                           DownloadedMessage& message, FrontendServices& services);

// The size LIST gave message `number`, 0 when it gave none.
std::size_t ListedSize(const PopSession& session, std::uint32_t number);

// "RETR n" or "TOP n lines", with its CR LF.
std::string DownloadCommand(const DownloadRequest& request);

// Where a RETR or TOP reply stands once `received` holds its first bytes: the
// status line not whole yet, positive with the text from `text_start` on, or
// refused (not '+', or a status line that does not end within
// kPopTextBufferSize bytes).
enum class ReplyStart { Pending, Positive, Refused };
ReplyStart CheckReplyStart(std::string_view received, std::size_t& text_start);

// The end line of a multi-line reply, found from the end of its status line on.
inline constexpr std::string_view kReplyEndMarker = "\r\n.\r\n";

// A refused download: tells the user the mailbox is out of step with the
// list and closes the connection. Gives Refused.
DownloadResult RefuseDownload(PopSession& session, FrontendServices& services);

// A download cut off by `result`: closes the connection and gives the
// lost-connection notice. Gives Lost.
DownloadResult LoseDownload(PopSession& session, FrontendServices& services, NetResult result);

}  // namespace tarvox
