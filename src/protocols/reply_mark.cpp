#include "protocols/reply_mark.h"

#include "junk/stored_flags.h"
#include "protocols/message_list.h"

namespace tarvox {

std::optional<ReplyMark> MarkReplied(MessageList& list, std::uint32_t number) {
    InboxEntry* entry = list.Find(number);
    if (entry == nullptr) {
        return std::nullopt;
    }
    const ReplyMark mark{number, (entry->flags & kFlagReplied) != 0};
    entry->flags |= kFlagReplied;
    return mark;
}

void UndoReplyMark(MessageList& list, const ReplyMark& mark) {
    InboxEntry* entry = list.Find(mark.number);
    if (entry != nullptr && !mark.was_replied) {
        entry->flags &= ~kFlagReplied;
    }
}

}  // namespace tarvox
