// The inbox list as text, for printing and for saving to a file: a heading
// with the account, the mailbox statistics and the date, then one block per
// row in list order. Lines end in CR LF.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "protocols/message_list.h"

namespace tarvox {

struct MailboxListingHeading {
    std::string_view user;
    std::string_view host;
    std::uint32_t message_count = 0;
    std::uint32_t mailbox_size = 0;  // bytes
    std::string_view date;           // MakeMailDate of the moment
};

std::string BuildMailboxListing(const MailboxListingHeading& heading, const MessageList& list);

}  // namespace tarvox
