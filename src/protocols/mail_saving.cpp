#include "protocols/mail_saving.h"

#include <optional>
#include <string>
#include <string_view>

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

std::optional<SaveMailOutcome> SaveMessages(PopSession& session,
                                            const std::vector<std::uint32_t>& numbers,
                                            const Profile& profile,
                                            const std::filesystem::path& root,
                                            FrontendServices& services,
                                            const std::function<bool(std::size_t index)>& starting) {
    // With PIPELINING the RETR commands run ahead of their replies; the
    // replies, progress and failures are the same as one at a time.
    std::optional<PopPipeline> pipeline;
    if (UsePipelining(session)) {
        std::vector<std::string> commands;
        std::vector<std::size_t> sizes;
        for (const std::uint32_t number : numbers) {
            commands.push_back(DownloadCommand(SaveRequest(session, number)));
            sizes.push_back(ListedSize(session, number));
        }
        pipeline.emplace(session, std::move(commands), std::move(sizes));
    }
    std::optional<SaveMailOutcome> outcome;
    for (std::size_t i = 0; i < numbers.size() && starting(i + 1); ++i) {
        const DownloadRequest request = SaveRequest(session, numbers[i]);
        DownloadedMessage message;
        std::string_view text;
        const DownloadResult result = pipeline ? pipeline->NextMessage(&request, text, services)
                                               : PopDownload(session, request, message, services);
        if (result != DownloadResult::Complete) {
            return std::nullopt;
        }
        if (!pipeline) {
            text = message.Text();
        }
        outcome = SaveDownloadedMessage(services, profile, root, text).outcome;
        if (!SavedOrSkipped(outcome)) {
            break;
        }
    }
    // A run that ended early reads the replies still due.
    if (pipeline && !pipeline->Finish(services)) {
        return std::nullopt;
    }
    return outcome;
}

}  // namespace tarvox
