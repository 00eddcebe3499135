#include "protocols/mailbox_listing.h"

#include "codec/text_format.h"

namespace tarvox {

std::string BuildMailboxListing(const MailboxListingHeading& heading, const MessageList& list) {
    std::string text;
    text.append(heading.user).append(" on host ").append(heading.host).append("\r\n");
    text += TextFormat("Mailbox contains %u message(s) occupying %.1f KB\r\n",
                       heading.message_count, static_cast<double>(heading.mailbox_size) / 1024.0);
    text.append(heading.date).append("\r\n\r\n");
    for (std::size_t row = 0; row < list.RowCount(); ++row) {
        const InboxEntry& entry = list.RowEntry(row);
        text += TextFormat("Message: %u\r\n", list.RowAt(row).number);
        text.append("\tSubject:\t").append(entry.subject).append("\r\n");
        text.append("\tFrom:   \t").append(entry.sender).append("\r\n");
        text.append("\tDate:   \t").append(entry.date).append("\r\n");
        text.append("\tSize:   \t").append(entry.size_text).append("\r\n");
        text.append("\tTo:     \t").append(entry.recipient).append("\r\n");
        text.append("\r\n");
    }
    return text;
}

}  // namespace tarvox
