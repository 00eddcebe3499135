#include "protocols/viewer_download.h"

#include "config/file_io.h"
#include "protocols/pop_session.h"

namespace tarvox {

namespace {
constexpr const char* kNoMemoryForMessage = "Insufficient memory to load message";
}  // namespace

ViewerDownload FinishViewerDownload(DownloadResult result, const DownloadedMessage& message,
                                    FrontendServices& services) {
    ViewerDownload download;
    download.result = result;
    if (result == DownloadResult::NoMemory) {
        services.ShowMessage(kNoMemoryForMessage, "", BoxIcon::Error);
    } else if (result == DownloadResult::Complete) {
        services.ShowStatus(StatusLine::Inbox, "Message retrieved. Formatting...");
        download.text.assign(message.Text());
    }
    return download;
}

ViewerDownload DownloadForViewer(PopSession& session, const ViewerDownloadRequest& request,
                                 FrontendServices& services) {
    services.ShowStatus(StatusLine::Inbox, kViewerDownloadingText);
    DownloadRequest download;
    download.message_number = request.message_number;
    download.top = request.preview;
    download.lines = request.lines;
    download.viewer = true;
    download.progress_prefix = kViewerDownloadingText;
    download.progress_line = StatusLine::Inbox;
    DownloadedMessage message;
    const DownloadResult result = PopDownload(session, download, message, services);
    return FinishViewerDownload(result, message, services);
}

std::optional<std::string> ReadMessageFile(const std::string& path, FrontendServices& services) {
    FileReadError error = FileReadError::None;
    std::optional<std::string> bytes = ReadFileBytes(path, &error);
    if (!bytes) {
        if (error == FileReadError::TooLarge) {
            services.ShowMessage(kNoMemoryForMessage, "", BoxIcon::Error);
        } else {
            services.ShowMessage("Unable to open file for reading.", path, BoxIcon::Error);
        }
    }
    return bytes;
}

}  // namespace tarvox
