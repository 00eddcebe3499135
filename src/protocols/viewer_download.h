// The viewer's download of the message it shows: RETR, or TOP for a preview,
// with the viewer's status texts, and what the viewer does once it ended.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "protocols/pop_download.h"

namespace tarvox {

struct PopSession;

// The status text while the viewer downloads; the download's percentage
// follows it.
inline constexpr const char* kViewerDownloadingText = "Downloading e-mail . . . ";
// The status text once the downloaded text is shown.
inline constexpr const char* kViewerLoadedText = "Finishing loading message";

// Which message the viewer shows: the whole of it, or the headers and the
// first `lines` lines of the body for a preview.
struct ViewerDownloadRequest {
    std::uint32_t message_number = 0;
    bool preview = false;
    std::uint32_t lines = 0;
};

struct ViewerDownload {
    DownloadResult result = DownloadResult::Lost;
    std::string text;  // the message, up to its end marker, when shown
    // Whether the viewer shows the text and offers to delete the message.
    bool Shown() const { return result == DownloadResult::Complete; }
};

// What a download that ended with `result` gives the viewer: a complete one
// its text ("Message retrieved. Formatting..." in the inbox status line); one
// that ran out of memory the "Insufficient memory to load message" box; a
// refused or lost one nothing (the download has told the user).
ViewerDownload FinishViewerDownload(DownloadResult result, const DownloadedMessage& message,
                                    FrontendServices& services);

// Reads a message file whole for the viewer's file mode. An unreadable file
// shows "Unable to open file for reading." (caption: the path); one above the
// download cap the same box as a download that cannot be held. Nothing then.
std::optional<std::string> ReadMessageFile(const std::string& path, FrontendServices& services);

// Downloads the message for the viewer with its status texts in the inbox
// status line, then FinishViewerDownload.
ViewerDownload DownloadForViewer(PopSession& session, const ViewerDownloadRequest& request,
                                 FrontendServices& services);

}  // namespace tarvox
