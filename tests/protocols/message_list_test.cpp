#include "protocols/message_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <tuple>
#include <vector>

namespace tarvox {
namespace {

InboxEntry Entry(std::uint32_t number, std::string subject, std::string sender = "", std::string date = "",
                 std::string size_text = "", JunkVerdict junk = JunkVerdict::NotJunk) {
    return {{}, 0, number, size_text, sender, date, subject, "me@example.org", junk, false, {}};
}

MessageList FourMessages() {
    MessageList list;
    list.Add(Entry(1, "lunch", "bob", "2003-03-22 11:33:30", "9.8 K"));
    list.Add(Entry(2, "Agenda", "Alice", "2001-01-02 08:00:00", "10.0 K"));
    list.Add(Entry(3, "zebra", "carol", "2004-12-31 23:59:59", "0.5 K"));
    list.Add(Entry(4, "apples", "Dave", "1999-07-01 00:00:00", "100.0 K"));
    return list;
}
const std::vector<std::uint32_t> kSizes = {10035, 10240, 512, 102400};  // as listed, message n at n - 1

TEST(MessageList, ColumnSorts) {
    // Clicks in turn on one list; each flips the direction first, so the first sorts descending.
    const std::tuple<InboxColumn, std::vector<std::uint32_t>, std::string> clicks[] = {
        {InboxColumn::Subject, {3, 1, 4, 2}, "Subject -"},
        {InboxColumn::Subject, {2, 4, 1, 3}, "Subject +"},  // case is ignored
        {InboxColumn::DateTime, {3, 1, 2, 4}, "Date/Time -"},
        {InboxColumn::Size, {3, 1, 2, 4}, "Size +"},  // bytes: as text 10.0 K would come first
        {InboxColumn::From, {4, 3, 1, 2}, "From -"},
        {InboxColumn::Number, {1, 2, 3, 4}, "No. +"},
        {InboxColumn::To, {1, 2, 3, 4}, "To -"},  // all equal
    };
    MessageList list = FourMessages();
    for (const auto& [column, rows, title] : clicks) {
        list.SortByColumn(column, kSizes, true);
        EXPECT_EQ(list.RowNumbers(), rows) << title;
        std::array<std::string, kInboxColumnCount> titles;
        std::ranges::copy(kInboxColumnNames, titles.begin());
        titles[static_cast<std::size_t>(column)] = title;
        EXPECT_EQ(list.ColumnTitles(), titles);
    }
    list.SortNewestFirst();
    EXPECT_EQ(list.RowNumbers(), (std::vector<std::uint32_t>{4, 3, 2, 1}));
    EXPECT_EQ(list.ColumnTitles()[0], "Subject");
}

// Without headers read, Subject sorts by number; with them, by the first 512 characters of the text.
TEST(MessageList, SubjectSortsByNumberOrByText) {
    MessageList list;
    for (std::uint32_t n : {9u, 10u, 11u}) {
        list.Add(Entry(n, "Message " + std::to_string(n)));
    }
    list.SortByColumn(InboxColumn::Subject, {}, false);
    EXPECT_EQ(list.RowNumbers(), (std::vector<std::uint32_t>{11, 10, 9}));
    list.SortByColumn(InboxColumn::Subject, {}, true);  // the next click sorts ascending
    EXPECT_EQ(list.RowNumbers(), (std::vector<std::uint32_t>{10, 11, 9}));
    MessageList long_texts;
    long_texts.Add(Entry(1, std::string(512, 'a') + "b"));
    long_texts.Add(Entry(2, std::string(512, 'a') + "z"));
    long_texts.Add(Entry(3, std::string(511, 'a') + "b"));
    long_texts.SortByColumn(InboxColumn::Subject, {}, true);  // descending
    EXPECT_EQ(long_texts.RowNumbers(), (std::vector<std::uint32_t>{3, 1, 2})) << "1 and 2 compare equal";
}

TEST(MessageList, SelectionAfterRemovingRows) {
    const struct {
        const char* what;
        std::vector<std::size_t> select;  // row positions of FourMessages
        std::vector<std::uint32_t> rows_after, selected_after;
    } cases[] = {
        {"first row", {0}, {2, 3, 4}, {2}},
        {"middle rows", {1, 2}, {1, 4}, {4}},
        {"rows apart", {0, 2}, {2, 4}, {2}},
        {"last rows", {2, 3}, {1, 2}, {2}},
        {"last row", {3}, {1, 2, 3}, {3}},
        {"every row", {0, 1, 2, 3}, {}, {}},
        {"nothing", {}, {1, 2, 3, 4}, {}},
    };
    for (const auto& c : cases) {
        MessageList list = FourMessages();
        for (std::size_t position : c.select) {
            list.Select(position, true);
        }
        list.RemoveSelectedRows();
        EXPECT_EQ(list.RowNumbers(), c.rows_after) << c.what;
        EXPECT_EQ(list.SelectedNumbers(), c.selected_after) << c.what;
        EXPECT_EQ(list.Count(), 4u) << c.what << ": entries stay until their DELE";
    }
}

TEST(MessageList, FindRemoveAndRebuildRowsKeepLoadOrder) {
    MessageList list = FourMessages();
    list.Add(Entry(5, "prize", "eve", "", "", JunkVerdict::Blacklist));
    list.SortNewestFirst();
    EXPECT_EQ(list.SelectedNumbers(), (std::vector<std::uint32_t>{5})) << "junk stands selected when added";
    list.Select(4, true);  // message 1
    list.Select(0, false);  // message 5, junk
    list.RebuildRows([](const InboxEntry& entry) { return entry.number != 3; });
    EXPECT_EQ(list.RowNumbers(), (std::vector<std::uint32_t>{1, 2, 4, 5}));
    // The old selection is gone; junk stands selected again.
    EXPECT_EQ(list.SelectedNumbers(), (std::vector<std::uint32_t>{5}));
    EXPECT_EQ(list.Count(), 5u);
    // Find sees a hidden entry; a hidden row comes back, a removed entry does not.
    ASSERT_NE(list.Find(3), nullptr);
    EXPECT_EQ(list.Find(3)->subject, "zebra");
    EXPECT_EQ(list.Find(9), nullptr);
    ASSERT_TRUE(list.Remove(2));
    EXPECT_FALSE(list.Remove(2));
    EXPECT_EQ(list.RowNumbers(), (std::vector<std::uint32_t>{1, 4, 5}));
    EXPECT_EQ(list.At(1).number, 3u);
    list.RebuildRows([](const InboxEntry&) { return true; });
    EXPECT_EQ(list.RowNumbers(), (std::vector<std::uint32_t>{1, 3, 4, 5}));
    list.RebuildRows([](const InboxEntry&) { return false; });
    EXPECT_EQ(list.RowCount(), 0u);
}

}  // namespace
}  // namespace tarvox
