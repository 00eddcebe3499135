// The entries of the open inbox and the rows the inbox window shows of them.
// Entries stay in the order they were loaded; rows are the list view's order
// (sorting moves rows only) and carry the selection. A row's key is its
// message number.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "protocols/inbox_entry.h"

namespace tarvox {


enum class InboxColumn { Subject = 0, From = 1, DateTime = 2, Size = 3, To = 4, Number = 5 };

// The warning of a command that needs selected rows when none is selected.
inline constexpr const char* kSelectMessagesFirst = "Please select message(s) first";

inline constexpr std::size_t kInboxColumnCount = 6;
inline constexpr std::array<std::string_view, kInboxColumnCount> kInboxColumnNames = {
    "Subject", "From", "Date/Time", "Size", "To", "No."};
// Texts compare over at most this many characters when sorting.
inline constexpr std::size_t kSortCompareLimit = 512;

// The texts a row shows for a column: subject, sender, date text, size text,
// recipient, message number.
std::string RowText(const InboxEntry& entry, InboxColumn column);

class MessageList {
public:
    struct Row {
        std::uint32_t number = 0;
        bool selected = false;
    };

    // Adds a copy and a row for it; a row of junk stands selected, ready for
    // deletion.
    void Add(const InboxEntry& entry);
    // Removes the entry and its row, if there is one.
    bool Remove(std::uint32_t number);
    const InboxEntry* Find(std::uint32_t number) const;
    InboxEntry* Find(std::uint32_t number);
    std::size_t Count() const { return m_entries.size(); }
    const InboxEntry& At(std::size_t position) const { return m_entries.at(position); }

    std::size_t RowCount() const { return m_rows.size(); }
    const Row& RowAt(std::size_t position) const { return m_rows.at(position); }
    const InboxEntry& RowEntry(std::size_t position) const;
    // The row showing the message, if one does.
    std::optional<std::size_t> RowOf(std::uint32_t number) const;
    // The message numbers of the rows, in row order.
    std::vector<std::uint32_t> RowNumbers() const;
    void Select(std::size_t position, bool selected) { m_rows.at(position).selected = selected; }
    void SelectAll();
    std::vector<std::uint32_t> SelectedNumbers() const;
    // Removes every selected row (their entries stay), then selects the row
    // that now stands where the first removed one stood, or the last row when
    // that place is past the end.
    void RemoveSelectedRows();
    // Rows again from the entries, in load order, for those `keep` accepts;
    // junk rows stand selected as when they were added.
    void RebuildRows(const std::function<bool(const InboxEntry&)>& keep);

    // A click on a column title: flips the direction, marks the clicked title
    // "%s +" (ascending) or "%s -" (descending) and sorts by that column.
    // `sizes` are the listed sizes (message n at n - 1); `parsed` is whether
    // headers were read.
    void SortByColumn(InboxColumn column, std::span<const std::uint32_t> sizes, bool parsed);
    // Descending message numbers, whatever the direction; the titles are reset.
    void SortNewestFirst();
    const std::array<std::string, kInboxColumnCount>& ColumnTitles() const { return m_titles; }

private:
    void ResetTitles();

    std::vector<InboxEntry> m_entries;
    std::vector<Row> m_rows;
    bool m_descending = false;
    std::array<std::string, kInboxColumnCount> m_titles{
        std::string(kInboxColumnNames[0]), std::string(kInboxColumnNames[1]),
        std::string(kInboxColumnNames[2]), std::string(kInboxColumnNames[3]),
        std::string(kInboxColumnNames[4]), std::string(kInboxColumnNames[5])};
};

}  // namespace tarvox
