#include "protocols/inbox_filter.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "junk/stored_flags.h"

namespace tarvox {
namespace {

// Five messages, each with something of its own to be found by.
MessageList Mailbox() {
    constexpr JunkVerdict kHam = JunkVerdict::NotJunk;
    const InboxEntry entries[] = {
        // identity, flags, number, size, sender, date, subject, recipient, junk, multipart, origin
        {{}, kFlagRead, 1, "", "Bob Smith", "2003-03-22 11:33:30", "Lunch on Friday", "me@example.org", kHam,
         false, ""},
        {{}, kFlagRead | kFlagReplied, 2, "", "alice@example.com", "2001-01-02 08:00:00", "Quarterly REPORT",
         "Team <team@example.org>", kHam, true, ""},
        {{}, 0, 3, "", "prize@spam.example", "2004-12-31 23:59:59", "WIN MONEY", "undisclosed",
         JunkVerdict::Blacklist, false, ""},
        {{}, 0, 4, "", "ME@EXAMPLE.ORG", "1999-07-01 00:00:00", "note to self", "bob@example.net", kHam, false, ""},
    };
    MessageList list;
    for (const InboxEntry& entry : entries) {
        list.Add(entry);
    }
    list.Add(MakeUnparsedEntry(5, 2048));
    return list;
}

// The preset chosen on top of `filter`.
InboxFilter Preset(FilterPreset preset, InboxFilter filter = {}) {
    ApplyPreset(filter, preset);
    return filter;
}

constexpr auto kShow = FilterAction::ShowMatching;
constexpr auto kHide = FilterAction::HideMatching;

// The action, the boxes checked (flags or columns; the subject column unchecked) and a search text.
InboxFilter Filter(FilterAction action, std::initializer_list<bool InboxFilter::*> boxes, std::string text = {}) {
    InboxFilter filter;
    filter.action = action;
    filter.text = std::move(text);
    filter.in_subject = false;
    for (bool InboxFilter::*box : boxes) {
        filter.*box = true;
    }
    return filter;
}

TEST(InboxFilter, RowsKeptByEachChoice) {
    const struct {
        const char* what;
        InboxFilter filter;
        std::vector<std::uint32_t> rows;
        bool view_off = false;  // the status: only hiding with no flag box checked filters nothing
        int autosort = 0;
    } cases[] = {
        {"as opened: shows nothing, no flag being chosen", InboxFilter{}, {}},
        {"All mail", Preset(FilterPreset::AllMail), {1, 2, 3, 4, 5}, true},
        {"New mail, unseen", Preset(FilterPreset::NewMail), {3, 5}},
        {"Needing reply", Preset(FilterPreset::NeedingReply), {1, 5}},
        {"show Read", Filter(kShow, {&InboxFilter::read}), {1, 2}},
        {"show Replied to", Filter(kShow, {&InboxFilter::replied}), {2}},
        {"show Copy to self", Filter(kShow, {&InboxFilter::copy_to_self}), {4}},
        {"show Junk", Filter(kShow, {&InboxFilter::junk}), {3}},
        {"show Attachments", Filter(kShow, {&InboxFilter::attachments}), {2}},
        {"show Read or Junk", Filter(kShow, {&InboxFilter::read, &InboxFilter::junk}), {1, 2, 3}},
        {"hide Attachments", Filter(kHide, {&InboxFilter::attachments}), {1, 3, 4, 5}},
        {"hide Junk", Filter(kHide, {&InboxFilter::junk}), {1, 2, 4, 5}},
        {"subject, case ignored", Filter(kShow, {&InboxFilter::in_subject}, "report"), {2}},
        {"subject of an unparsed message", Filter(kShow, {&InboxFilter::in_subject}, "message 5"), {5}},
        {"sender only", Filter(kShow, {&InboxFilter::in_from}, "example.org"), {4}},
        {"recipient only", Filter(kShow, {&InboxFilter::in_to}, "EXAMPLE.ORG"), {1, 2}},
        {"date only", Filter(kShow, {&InboxFilter::in_date}, "2003-"), {1}},
        {"a text in no checked column", Filter(kShow, {&InboxFilter::in_subject}, "example"), {}},
        {"a blank text overrides the flags too", Filter(kShow, {&InboxFilter::read}, " "), {}},
        {"several columns",
         Filter(kShow, {&InboxFilter::in_subject, &InboxFilter::in_from, &InboxFilter::in_to}, "bob"),
         {1, 4}},
        {"no column checked", Filter(kShow, {}, "bob"), {}},
        {"hide a text", Filter(kHide, {&InboxFilter::in_subject}, "money"), {1, 2, 4, 5}, true},
        {"a text overrides the flags", Filter(kShow, {&InboxFilter::in_subject, &InboxFilter::read,
                                                      &InboxFilter::attachments}, "money"), {3}},
        {"a preset keeps the columns and the text",
         Preset(FilterPreset::NeedingReply, Filter(kShow, {&InboxFilter::in_to}, "EXAMPLE.ORG")), {3, 4, 5}},
        {"a preset clears Read and Attachments",
         Preset(FilterPreset::AllMail, Filter(kShow, {&InboxFilter::read, &InboxFilter::attachments})),
         {1, 2, 3, 4, 5}, true},
        {"autosort: newest first", Preset(FilterPreset::AllMail), {5, 4, 3, 2, 1}, true, 1},
    };
    for (const auto& c : cases) {
        const Profile profile{.autosort = c.autosort, .SMTPname = "Me Myself", .SMTPaddress = "me@example.org"};
        MessageList list = Mailbox();
        list.SortByColumn(InboxColumn::Subject, {}, true);  // the rows come back in load order
        ApplyInboxFilter(list, c.filter, profile);
        EXPECT_EQ(list.RowNumbers(), c.rows) << c.what;
        EXPECT_EQ(list.Count(), 5u) << c.what << ": entries are only hidden";
        EXPECT_EQ(FilterStatusText(c.filter),
                  c.view_off ? "Filtered view OFF" : "Filtered view ON (some messages may be hidden)") << c.what;
    }
}

TEST(InboxFilter, CopyToSelfIsTheSenderEqualToTheProfilesIdentity) {
    const std::tuple<const char*, const char*, const char*, bool> cases[] = {  // sender, SMTP name, address
        {"Me Myself", "Me Myself", "me@example.org", true}, {"me myself", "Me Myself", "", true},
        {"Me@Example.ORG", "", "me@example.org", true}, {"Me", "Me Myself", "me@example.org", false},
        {"Me Myself <me@example.org>", "Me Myself", "me@example.org", false},
        {"", "", "", false}, {"", "Me Myself", "", false},  // no sender is no copy to self
    };
    for (const auto& [sender, name, address, expected] : cases) {
        const Profile profile{.SMTPname = name, .SMTPaddress = address};
        EXPECT_EQ(IsCopyToSelf(InboxEntry{.sender = sender}, profile), expected)
            << "'" << sender << "' '" << name << "' '" << address << "'";
    }
}

}  // namespace
}  // namespace tarvox
