#include "protocols/inbox_entry.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

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
    // MD5(" <20030322.1@example.org>Alice Liddell <alice@example.org>Sat, 22 Mar 2003
    // 11:33:30 +0000Tea at four") = 4fd188c2 c7366dde ...: the Message-ID keeps the blank
    // after its colon.
    EXPECT_EQ(ComputeMessageIdentity(ScanHeaders(kTeaHeaders)),
              (MessageIdentity{0xc288d14f, 0xde6d36c7}));
    // No header at all: the digest of nothing, d41d8cd98f00b204...
    EXPECT_EQ(ComputeMessageIdentity(HeaderSummary{}), (MessageIdentity{0xd98c1dd4, 0x04b2008f}));
}

TEST(InboxEntry, FromAHeaderBlock) {
    ScopedTimeZone utc("UTC");
    EntryFacts facts;
    facts.number = 7;
    facts.size = 2560;
    facts.stored_flags = 0;
    facts.originating_address = "203.0.113.9";
    InboxEntry entry = MakeInboxEntry(ScanHeaders(kTeaHeaders), facts);
    EXPECT_EQ(entry.number, 7u);
    EXPECT_EQ(entry.size_text, "2.5 K");
    EXPECT_EQ(entry.sender, "Alice Liddell");
    EXPECT_EQ(entry.date, "2003-03-22 11:33:30");
    EXPECT_EQ(entry.subject, "Tea at four");
    EXPECT_EQ(entry.recipient, "hatter@example.org");
    EXPECT_TRUE(entry.multipart);
    EXPECT_EQ(entry.originating_address, "203.0.113.9");
    EXPECT_EQ(entry.flags, 0u) << "Status headers count only with use_status";
    EXPECT_EQ(StateIconIndex(entry), 2) << "attachment mark only";
}

TEST(InboxEntry, Fields) {
    const std::string none(kNoSubject);
    const struct {
        std::string headers, sender, date, subject;
    } cases[] = {
        {"From: bob@example.org\r\n\r\n", "bob@example.org", "", none},
        {"From: bob@example.org (Bob)\r\n\r\n", "Bob", "", none},
        {"Date: teatime, yesterday\r\nSubject: x\r\n\r\n", "", "teatime, yesterday", "x"},  // stays raw
        {"Subject: =?ISO-8859-1?Q?Caf=E9?=\r\n\r\n", "", "", "Caf\xe9"},
        {"\r\n", "", "", none},
    };
    for (const auto& c : cases) {
        InboxEntry entry = MakeInboxEntry(ScanHeaders(c.headers), EntryFacts{1, 0, 0, false, {}});
        EXPECT_EQ(entry.sender, c.sender) << c.headers;
        EXPECT_EQ(entry.date, c.date) << c.headers;
        EXPECT_EQ(entry.subject, c.subject) << c.headers;
        EXPECT_EQ(entry.recipient, "") << c.headers;
        EXPECT_EQ(entry.size_text, "0.0 K") << c.headers;
    }
}

TEST(InboxEntry, StatusFlagsJoinTheStoredOnesOnlyWithUseStatus) {
    const HeaderSummary summary = ScanHeaders(kTeaHeaders);  // Status RO, X-Status A
    struct Case {
        std::uint32_t stored;
        bool use_status;
        std::uint32_t flags;
        int icon;
    };
    const Case cases[] = {
        {0, false, 0, 2},
        {kFlagRead, false, kFlagRead, 3},
        {0, true, kFlagRead | kFlagReplied, 7},
        {kFlagReplied, true, kFlagRead | kFlagReplied, 7},
    };
    for (const Case& c : cases) {
        EntryFacts facts;
        facts.stored_flags = c.stored;
        facts.use_status = c.use_status;
        InboxEntry entry = MakeInboxEntry(summary, facts);
        EXPECT_EQ(entry.flags, c.flags) << c.stored << " " << c.use_status;
        EXPECT_EQ(StateIconIndex(entry), c.icon) << c.stored << " " << c.use_status;
    }
}

TEST(InboxEntry, TextsStopAtTheirFieldSize) {
    const std::string name(600, 'n');
    const std::string subject(500, 's');  // the line stays under the scan's 511 limit
    EntryFacts facts;
    facts.originating_address = "1234567890123456789";
    InboxEntry entry =
        MakeInboxEntry(ScanHeaders("From: " + std::string(400, 'n') +
                                   " <a@example.org>\r\nSubject: " + subject + "\r\n\r\n"),
                       facts);
    EXPECT_EQ(entry.sender, std::string(400, 'n'));
    EXPECT_EQ(entry.subject, subject);
    EXPECT_EQ(entry.originating_address, "123456789012345");

    HeaderSummary summary;
    summary.from = name + " <a@example.org>";
    summary.subject = name;
    entry = MakeInboxEntry(summary, EntryFacts{});
    EXPECT_EQ(entry.sender, std::string(kInboxTextLimit, 'n'));
    EXPECT_EQ(entry.subject, std::string(kInboxTextLimit, 'n'));
}

TEST(InboxEntry, UnparsedMessageShowsItsNumberAndSize) {
    InboxEntry entry = MakeUnparsedEntry(42, 1000000);
    EXPECT_EQ(entry.subject, "Message 42");
    EXPECT_EQ(entry.size_text, "976.6 K");
    EXPECT_EQ(entry.sender, "");
    EXPECT_TRUE(entry.identity.IsZero());
}

TEST(SizeText, RoundsToOneDecimal) {
    const std::pair<std::uint32_t, const char*> cases[] = {
        {0, "0.0 K"}, {51, "0.0 K"}, {52, "0.1 K"}, {1024, "1.0 K"}, {4294967295u, "4194304.0 K"}};
    for (const auto& [size, text] : cases) {
        EXPECT_EQ(SizeText(size), text) << size;
    }
}

}  // namespace
}  // namespace tarvox
