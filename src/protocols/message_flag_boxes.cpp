#include "protocols/message_flag_boxes.h"

#include "protocols/inbox_filter.h"

namespace tarvox {

MessageFlagBoxes MessageFlagBoxesOf(const InboxEntry& entry, const Profile& profile) {
    const bool junk = entry.junk_verdict != JunkVerdict::NotJunk;
    return {(entry.flags & kFlagRead) != 0,
            (entry.flags & kFlagReplied) != 0,
            IsCopyToSelf(entry, profile),
            entry.multipart,
            junk,
            junk};
}

void ApplyMessageFlagBoxes(InboxEntry& entry, const MessageFlagBoxes& boxes) {
    entry.flags = (boxes.read ? kFlagRead : 0u) | (boxes.replied ? kFlagReplied : 0u);
    if (!boxes.junk) {
        entry.junk_verdict = JunkVerdict::NotJunk;
    }
}

}  // namespace tarvox
