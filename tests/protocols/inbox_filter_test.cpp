#include "protocols/inbox_filter.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "junk/stored_flags.h"

namespace tarvox {
namespace {

Profile Me() {
    Profile profile;
    profile.SMTPname = "Me Myself";
    profile.SMTPaddress = "me@example.org";
    profile.autosort = 0;
    return profile;
}

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

InboxFilter Preset(FilterPreset preset) {
    InboxFilter filter;
    ApplyPreset(filter, preset);
    return filter;
}

InboxFilter Flags(FilterAction action, std::initializer_list<bool InboxFilter::*> flags) {
    InboxFilter filter;
    filter.action = action;
    for (bool InboxFilter::*flag : flags) {
        filter.*flag = true;
    }
    return filter;
}

InboxFilter Search(std::string text, std::initializer_list<bool InboxFilter::*> columns,
                   FilterAction action = FilterAction::ShowMatching) {
    InboxFilter filter;
    filter.action = action;
    filter.text = std::move(text);
    filter.in_subject = false;
    for (bool InboxFilter::*column : columns) {
        filter.*column = true;
    }
    return filter;
}

constexpr auto kShow = FilterAction::ShowMatching;
constexpr auto kHide = FilterAction::HideMatching;

TEST(InboxFilter, RowsKeptByEachChoice) {
    struct Case {
        const char* what;
        InboxFilter filter;
        std::vector<std::uint32_t> rows;
    };
    const Case cases[] = {
        {"as opened: shows nothing, no flag being chosen", InboxFilter{}, {}},
        {"All mail", Preset(FilterPreset::AllMail), {1, 2, 3, 4, 5}},
        {"New mail, unseen", Preset(FilterPreset::NewMail), {3, 5}},
        {"Needing reply", Preset(FilterPreset::NeedingReply), {1, 5}},
        {"show Read", Flags(kShow, {&InboxFilter::read}), {1, 2}},
        {"show Replied to", Flags(kShow, {&InboxFilter::replied}), {2}},
        {"show Copy to self", Flags(kShow, {&InboxFilter::copy_to_self}), {4}},
        {"show Junk", Flags(kShow, {&InboxFilter::junk}), {3}},
        {"show Attachments", Flags(kShow, {&InboxFilter::attachments}), {2}},
        {"show Read or Junk", Flags(kShow, {&InboxFilter::read, &InboxFilter::junk}), {1, 2, 3}},
        {"hide Attachments", Flags(kHide, {&InboxFilter::attachments}), {1, 3, 4, 5}},
        {"hide Junk", Flags(kHide, {&InboxFilter::junk}), {1, 2, 4, 5}},
        {"subject, case ignored", Search("report", {&InboxFilter::in_subject}), {2}},
        {"subject of an unparsed message", Search("message 5", {&InboxFilter::in_subject}), {5}},
        {"sender only", Search("example.org", {&InboxFilter::in_from}), {4}},
        {"recipient only", Search("EXAMPLE.ORG", {&InboxFilter::in_to}), {1, 2}},
        {"date only", Search("2003-", {&InboxFilter::in_date}), {1}},
        {"a text in no checked column", Search("example", {&InboxFilter::in_subject}), {}},
        {"several columns",
         Search("bob", {&InboxFilter::in_subject, &InboxFilter::in_from, &InboxFilter::in_to}),
         {1, 4}},
        {"no column checked", Search("bob", {}), {}},
        {"hide a text", Search("money", {&InboxFilter::in_subject}, kHide), {1, 2, 4, 5}},
    };
    const Profile profile = Me();
    for (const Case& c : cases) {
        MessageList list = Mailbox();
        ApplyInboxFilter(list, c.filter, profile);
        EXPECT_EQ(list.RowNumbers(), c.rows) << c.what;
        EXPECT_EQ(list.Count(), 5u) << c.what << ": entries are only hidden";
    }
}

TEST(InboxFilter, SearchTextOverridesTheFlags) {
    InboxFilter filter = Search("money", {&InboxFilter::in_subject});
    filter.read = true;
    filter.attachments = true;
    MessageList list = Mailbox();
    ApplyInboxFilter(list, filter, Me());
    EXPECT_EQ(list.RowNumbers(), (std::vector<std::uint32_t>{3}));
}

TEST(InboxFilter, PresetsReplaceActionAndFlagsOnly) {
    InboxFilter filter = Search("x", {&InboxFilter::in_to});
    filter.attachments = true;
    filter.read = true;
    filter.text.clear();
    ApplyPreset(filter, FilterPreset::NeedingReply);
    EXPECT_EQ(filter.action, kHide);
    EXPECT_FALSE(filter.read);
    EXPECT_FALSE(filter.attachments);
    EXPECT_TRUE(filter.replied && filter.copy_to_self && filter.junk);
    EXPECT_TRUE(filter.in_to);
    EXPECT_FALSE(filter.in_subject);
    ApplyPreset(filter, FilterPreset::AllMail);
    EXPECT_EQ(FilterStatusText(filter), "Filtered view OFF");
}

TEST(InboxFilter, CopyToSelfIsTheSenderEqualToTheProfilesIdentity) {
    const std::tuple<const char*, const char*, const char*, bool> cases[] = {
        // sender, SMTP name, SMTP address
        {"Me Myself", "Me Myself", "me@example.org", true},
        {"me myself", "Me Myself", "", true},
        {"Me@Example.ORG", "", "me@example.org", true},
        {"Me Myself <me@example.org>", "Me Myself", "me@example.org", false},
        {"Me", "Me Myself", "me@example.org", false},
        // No identity set: a message without a sender is not a copy to self.
        {"", "", "", false},
        {"", "Me Myself", "", false},
    };
    for (const auto& [sender, name, address, expected] : cases) {
        Profile profile;
        profile.SMTPname = name;
        profile.SMTPaddress = address;
        InboxEntry entry;
        entry.sender = sender;
        EXPECT_EQ(IsCopyToSelf(entry, profile), expected) << "'" << sender << "' '" << name << "' '" << address << "'";
    }
}

// Only the flag boxes count, not a search text.
TEST(InboxFilter, StatusText) {
    const std::string on = "Filtered view ON (some messages may be hidden)";
    const std::string off = "Filtered view OFF";
    const std::pair<InboxFilter, std::string> cases[] = {
        {InboxFilter{}, on},
        {Preset(FilterPreset::AllMail), off},
        {Preset(FilterPreset::NewMail), on},
        {Flags(kHide, {&InboxFilter::attachments}), on},
        {Flags(kShow, {&InboxFilter::junk}), on},
        {Search("money", {&InboxFilter::in_subject}, kHide), off},
        {Search("money", {&InboxFilter::in_subject}, kShow), on},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(FilterStatusText(cases[i].first), cases[i].second) << "case " << i;
    }
}

TEST(InboxFilter, SortsNewestFirstOnlyWithAutosort) {
    Profile profile = Me();
    MessageList list = Mailbox();
    list.SortByColumn(InboxColumn::Subject, {}, true);
    ApplyInboxFilter(list, Preset(FilterPreset::NewMail), profile);
    EXPECT_EQ(list.RowNumbers(), (std::vector<std::uint32_t>{3, 5}));

    profile.autosort = 1;
    ApplyInboxFilter(list, Preset(FilterPreset::AllMail), profile);
    EXPECT_EQ(list.RowNumbers(), (std::vector<std::uint32_t>{5, 4, 3, 2, 1}));
}

}  // namespace
}  // namespace tarvox
