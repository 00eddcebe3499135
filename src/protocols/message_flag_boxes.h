// The check boxes of the Message Flags dialog for one inbox entry, and what
// its OK keeps of them.
#pragma once

#include "config/profile.h"
#include "protocols/inbox_entry.h"

namespace tarvox {

struct MessageFlagBoxes {
    bool read = false;
    bool replied = false;
    bool copy_to_self = false;  // shown only
    bool attachments = false;   // shown only
    bool junk = false;
    // Only a message with a junk verdict may have its Junk box unchecked.
    bool junk_usable = false;
    bool operator==(const MessageFlagBoxes&) const = default;
};

// The boxes as the entry stands; Copy to self as IsCopyToSelf finds it with
// the inbox's working profile.
MessageFlagBoxes MessageFlagBoxesOf(const InboxEntry& entry, const Profile& profile);

// OK: Read and Replied to become the entry's flags, any other bit dropped; an
// unchecked Junk box clears the verdict for the rest of the inbox session.
void ApplyMessageFlagBoxes(InboxEntry& entry, const MessageFlagBoxes& boxes);

}  // namespace tarvox
