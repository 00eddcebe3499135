#include "protocols/inbox_entry.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "message/header_scan.h"
#include "support/scoped_time_zone.h"

namespace tarvox {
namespace {

const std::string kTeaHeaders =
    "Message-ID: <20030322.1@example.org>\r\n"
    "From: Alice Liddell <alice@example.org>\r\n"
    "To: Hatter <hatter@example.org>, dormouse@example.org\r\n"
    "Date: Sat, 22 Mar 2003 11:33:30 +0000\r\n"
    "Subject: Tea at four\r\n"
    "Status: RO\r\n"
    "X-Status: A\r\n"
    "Content-Type: multipart/mixed; boundary=\"b1\"\r\n"
    "\r\n";

TEST(MessageIdentity, IsTheFirstEightDigestBytesReadLeastSignificantFirst) {
    // MD5 of Message-ID (with the blank after its colon), From, Date, Subject: 4fd188c2 c7366dde ...
    EXPECT_EQ(ComputeMessageIdentity(ScanHeaders(kTeaHeaders)),
              (MessageIdentity{0xc288d14f, 0xde6d36c7}));
    EXPECT_EQ(ComputeMessageIdentity(HeaderSummary{}), (MessageIdentity{0xd98c1dd4, 0x04b2008f}));
}

TEST(InboxEntry, FromAHeaderBlock) {
    ScopedTimeZone utc("UTC");
    const HeaderSummary summary = ScanHeaders(kTeaHeaders);
    const InboxEntry entry = MakeInboxEntry(summary, EntryFacts{7, 2560, 0, false, "203.0.113.9"});
    EXPECT_EQ(entry, (InboxEntry{ComputeMessageIdentity(summary), 0, 7, "2.5 K", "Alice Liddell",
                                 "2003-03-22 11:33:30", "Tea at four", "hatter@example.org",
                                 JunkVerdict::NotJunk, true, "203.0.113.9"}));
}

TEST(InboxEntry, Fields) {
    const std::string none(kNoSubject);
    const struct {
        std::string headers, sender, date, subject;
    } cases[] = {
        {"From: bob@example.org\r\n\r\n", "bob@example.org", "", none},
        {"Date: teatime, yesterday\r\nSubject: x\r\n\r\n", "", "teatime, yesterday", "x"},  // stays raw
        {"\r\n", "", "", none},
    };
    for (const auto& c : cases) {
        InboxEntry entry = MakeInboxEntry(ScanHeaders(c.headers), EntryFacts{1, 0, 0, false, {}});
        EXPECT_EQ(entry.sender, c.sender) << c.headers;
        EXPECT_EQ(entry.date, c.date) << c.headers;
        EXPECT_EQ(entry.subject, c.subject) << c.headers;
        EXPECT_EQ(entry.recipient, "") << c.headers;
    }
}

TEST(InboxEntry, StatusFlagsJoinTheStoredOnesOnlyWithUseStatus) {
    const HeaderSummary summary = ScanHeaders(kTeaHeaders);  // Status RO, X-Status A
    // stored flags, use_status, the flags and the state icon of the entry (2: attachment mark only)
    const std::tuple<std::uint32_t, bool, std::uint32_t, int> cases[] = {
        {0, false, 0, 2}, {kFlagRead, false, kFlagRead, 3},
        {0, true, kFlagRead | kFlagReplied, 7}, {kFlagReplied, true, kFlagRead | kFlagReplied, 7}};
    for (const auto& [stored, use_status, flags, icon] : cases) {
        InboxEntry entry = MakeInboxEntry(summary, {.stored_flags = stored, .use_status = use_status});
        EXPECT_EQ(entry.flags, flags) << stored << " " << use_status;
        EXPECT_EQ(StateIconIndex(entry), icon) << stored << " " << use_status;
    }
}

TEST(InboxEntry, TextsStopAtTheirFieldSize) {
    const std::string name(600, 'n');
    const InboxEntry entry = MakeInboxEntry({.from = name + " <a@example.org>", .subject = name},
                                            EntryFacts{1, 0, 0, false, "1234567890123456789"});
    EXPECT_EQ(entry.sender, std::string(kInboxTextLimit, 'n'));
    EXPECT_EQ(entry.subject, std::string(kInboxTextLimit, 'n'));
    EXPECT_EQ(entry.originating_address, "123456789012345");
}

}  // namespace
}  // namespace tarvox
