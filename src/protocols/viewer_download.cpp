#include "protocols/viewer_download.h"

#include "protocols/pop_session.h"

namespace tarvox {

ViewerDownload FinishViewerDownload(DownloadResult result, const DownloadedMessage& message,
                                    FrontendServices& services) {
    ViewerDownload download;
    download.result = result;
    if (result == DownloadResult::NoMemory) {
        services.ShowMessage("Insufficient memory to load message", "", BoxIcon::Error);
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

}  // namespace tarvox
