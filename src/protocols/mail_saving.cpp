#include "protocols/mail_saving.h"

#include "codec/text_format.h"
#include "protocols/pop_download.h"
#include "protocols/pop_pipeline.h"
#include "protocols/pop_session.h"

namespace tarvox {

namespace {

// RETR n with "Downloading 1.5 K . . . " (the listed size) in the inbox progress line.
DownloadRequest SaveRequest(const PopSession& session, std::uint32_t number) {
    DownloadRequest request;
    request.message_number = number;
    request.progress_prefix = TextFormat("Downloading %.1f K . . . ",
                                         static_cast<double>(ListedSize(session, number)) / 1024.0);
    request.progress_line = StatusLine::InboxProgress;
    return request;
}

bool SavedOrSkipped(const std::optional<SaveMailOutcome>& outcome) {
    return outcome == SaveMailOutcome::Saved || outcome == SaveMailOutcome::Skipped;
}

}  // namespace

std::optional<SaveMailOutcome> DownloadAndSaveMessage(PopSession& session, std::uint32_t number,
                                                      const Profile& profile,
                                                      const std::filesystem::path& root,
                                                      FrontendServices& services) {
    DownloadedMessage message;
    if (PopDownload(session, SaveRequest(session, number), message, services) !=
        DownloadResult::Complete) {
        return std::nullopt;
    }
    return SaveDownloadedMessage(services, profile, root, message.Text()).outcome;
}

std::optional<SaveMailOutcome> SaveMessages(PopSession& session,
                                            const std::vector<std::uint32_t>& numbers,
                                            const Profile& profile,
                                            const std::filesystem::path& root,
                                            FrontendServices& services,
                                            const std::function<bool(std::size_t index)>& starting) {
    if (!UsePipelining(session)) {
        std::optional<SaveMailOutcome> outcome;
        for (std::size_t i = 0; i < numbers.size() && starting(i + 1); ++i) {
            outcome = DownloadAndSaveMessage(session, numbers[i], profile, root, services);
            if (!SavedOrSkipped(outcome)) {
                break;
            }
        }
        return outcome;
    }

    std::vector<std::string> commands;
    std::vector<std::size_t> sizes;
    for (const std::uint32_t number : numbers) {
        commands.push_back(DownloadCommand(SaveRequest(session, number)));
        sizes.push_back(ListedSize(session, number));
    }
    PopPipeline pipeline(session, std::move(commands), std::move(sizes));
    std::optional<SaveMailOutcome> outcome;
    for (std::size_t i = 0; i < numbers.size() && starting(i + 1); ++i) {
        const DownloadRequest request = SaveRequest(session, numbers[i]);
        std::string_view text;
        if (pipeline.NextMessage(&request, text, services) != DownloadResult::Complete) {
            return std::nullopt;
        }
        outcome = SaveDownloadedMessage(services, profile, root, text).outcome;
        if (!SavedOrSkipped(outcome)) {
            break;
        }
    }
    if (!pipeline.Finish(services)) {
        return std::nullopt;
    }
    return outcome;
}

}  // namespace tarvox
