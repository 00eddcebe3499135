#include "protocols/inbox_save.h"

#include <cstdint>
#include <vector>

#include "config/profile.h"
#include "junk/stored_flags.h"
#include "net/net_result.h"

namespace tarvox {

void StoreInboxFlags(Profile& stored, const MessageList& list) {
    std::vector<FlaggedMessage> flagged;
    flagged.reserve(list.Count());
    for (std::size_t i = 0; i < list.Count(); ++i) {
        flagged.push_back(FlaggedMessage{list.At(i).identity, list.At(i).flags});
    }
    if (stored.mode == MailboxMode::Full && stored.parse == 1) {
        stored.msgid = BuildStoredFlags(flagged);
    } else {
        stored.msgid = MergeStoredFlags(stored.msgid, flagged);
    }
}

InboxExit SaveInboxAndExit(PopSession& session, const MessageList& list, Profile* stored,
                           const std::function<void()>& save_settings, FrontendServices& services) {
    if (stored != nullptr) {
        PopSession::BusyGuard busy(session);
        StoreInboxFlags(*stored, list);
        std::uint32_t count = 0;
        std::uint32_t size = 0;
        NetResult result = NetResult::Success;
        if (PopStat(session.connection, count, size, result)) {
            stored->maildrop = {static_cast<int>(count), static_cast<int>(size)};
        }
        save_settings();
    }
    return PopSaveAndExit(session, services);
}

}  // namespace tarvox
