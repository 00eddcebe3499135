#include "protocols/message_deletion.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "codec/text_format.h"
#include "config/global_settings.h"
#include "frontend/services.h"
#include "protocols/pop_pipeline.h"

namespace tarvox {

bool UserConfirmsDeletion(const GlobalSettings& global, FrontendServices& services) {
    return global.confirmdel == 0 ||
           services.ShowMessage("Are you sure you want to delete the message(s)?", "Tarvox",
                                BoxIcon::Warning, BoxButtons::YesNo) == BoxAnswer::Yes;
}

bool UserConfirmsUndeleteAll(const GlobalSettings& global, FrontendServices& services) {
    return global.confirmclose == 0 ||
           services.ShowMessage(
               "Any messages that were deleted during this session will be restored if you close "
               "your mailbox without saving changes. Are you sure you want to do this?",
               "Undelete all?", BoxIcon::Question, BoxButtons::YesNo) == BoxAnswer::Yes;
}

bool DeleteSelected(PopSession& session, MessageList& list, FrontendServices& services) {
    PopSession::BusyGuard busy(session);
    services.ShowStatus(StatusLine::Inbox, "Please wait ... queuing deletion(s) . . .");
    const std::vector<std::uint32_t> numbers = list.SelectedNumbers();
    list.RemoveSelectedRows();
    const std::size_t total = numbers.size();
    // With PIPELINING the DELE commands run ahead of their replies.
    std::optional<PopPipeline> pipeline;
    if (UsePipelining(session)) {
        std::vector<std::string> commands;
        commands.reserve(total);
        for (const std::uint32_t number : numbers) {
            commands.push_back(DeleteCommand(number));
        }
        pipeline.emplace(session, std::move(commands));
    }
    const auto remove = [&list](std::uint32_t number) { list.Remove(number); };
    for (std::size_t p = 0; p < total; ++p) {
        services.ShowStatus(StatusLine::Inbox, TextFormat("Deleting selected message(s) . . . %u%%",
                                                          static_cast<unsigned>(p * 100 / total)));
        const bool answered =
            pipeline ? DeleteAnswered(pipeline->NextStatus(services), numbers[p], services, remove)
                     : PopDelete(session, numbers[p], false, services, remove);
        if (!answered) {
            return false;
        }
    }
    services.ShowStatus(StatusLine::Inbox, "Finished deleting message(s)");
    return true;
}

}  // namespace tarvox
