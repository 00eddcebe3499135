#include "protocols/mailbox_listing.h"

#include <gtest/gtest.h>

namespace tarvox {
namespace {

TEST(MailboxListing, HeadingThenOneBlockPerRowInListOrder) {
    MessageList list;
    list.Add({{}, 0, 1, "2.5 K", "Alice Liddell", "2003-03-22 11:33:30", "Tea at four", "hatter@example.org",
              JunkVerdict::NotJunk, false, ""});
    list.Add({{}, 0, 2, "0.4 K", "", "teatime", "{No subject}", "", JunkVerdict::NotJunk, false, ""});
    list.SortNewestFirst();
    MailboxListingHeading heading{"alice", "pop.example.org", 2, 3000, "Sun, 06 Dec 2026 22:40:00 +0000"};
    EXPECT_EQ(BuildMailboxListing(heading, list),
              "alice on host pop.example.org\r\n"
              "Mailbox contains 2 message(s) occupying 2.9 KB\r\n"
              "Sun, 06 Dec 2026 22:40:00 +0000\r\n"
              "\r\n"
              "Message: 2\r\n"
              "\tSubject:\t{No subject}\r\n"
              "\tFrom:   \t\r\n"
              "\tDate:   \tteatime\r\n"
              "\tSize:   \t0.4 K\r\n"
              "\tTo:     \t\r\n"
              "\r\n"
              "Message: 1\r\n"
              "\tSubject:\tTea at four\r\n"
              "\tFrom:   \tAlice Liddell\r\n"
              "\tDate:   \t2003-03-22 11:33:30\r\n"
              "\tSize:   \t2.5 K\r\n"
              "\tTo:     \thatter@example.org\r\n"
              "\r\n");
    // An empty mailbox is the heading alone.
    heading.message_count = 0;
    heading.mailbox_size = 0;
    EXPECT_EQ(BuildMailboxListing(heading, MessageList{}),
              "alice on host pop.example.org\r\n"
              "Mailbox contains 0 message(s) occupying 0.0 KB\r\n"
              "Sun, 06 Dec 2026 22:40:00 +0000\r\n"
              "\r\n");
}

}  // namespace
}  // namespace tarvox
