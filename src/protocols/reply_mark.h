// The Replied to flag of a reply started from the viewer: the inbox entry is
// marked as the composer opens, and a reply that is not sent gives the entry
// back the state it had, so that a message replied to before stays marked.
#pragma once

#include <cstdint>
#include <optional>

namespace tarvox {

class MessageList;

// What a reply changed: the message and whether it was marked before.
struct ReplyMark {
    std::uint32_t number = 0;
    bool was_replied = false;
};

// Sets the Replied to flag of message `number`; nothing when it is no longer
// listed (the viewer deleted it).
std::optional<ReplyMark> MarkReplied(MessageList& list, std::uint32_t number);

// The reply was not sent: the message, when still listed, gets back the
// Replied to state it had before MarkReplied. Its other flags stay.
void UndoReplyMark(MessageList& list, const ReplyMark& mark);

}  // namespace tarvox
