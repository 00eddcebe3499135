#include "protocols/mail_saving.h"

#include "codec/text_format.h"
#include "protocols/pop_download.h"
#include "protocols/pop_session.h"

namespace tarvox {

std::optional<SaveMailOutcome> DownloadAndSaveMessage(PopSession& session, std::uint32_t number,
                                                      const Profile& profile,
                                                      const std::filesystem::path& root,
                                                      FrontendServices& services) {
    DownloadRequest request;
    request.message_number = number;
    const std::uint32_t listed =
        number >= 1 && number <= session.sizes.size() ? session.sizes[number - 1] : 0;
    request.progress_prefix =
        TextFormat("Downloading %.1f K . . . ", static_cast<double>(listed) / 1024.0);
    request.progress_line = StatusLine::InboxProgress;
    DownloadedMessage message;
    if (PopDownload(session, request, message, services) != DownloadResult::Complete) {
        return std::nullopt;
    }
    return SaveDownloadedMessage(services, profile, root, message.Text()).outcome;
}

}  // namespace tarvox
