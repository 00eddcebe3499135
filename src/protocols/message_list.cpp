#include "protocols/message_list.h"

#include <algorithm>
#include <utility>

#include "codec/ascii.h"
#include "codec/text_format.h"

namespace tarvox {

std::string RowText(const InboxEntry& entry, InboxColumn column) {
    switch (column) {
    case InboxColumn::Subject: return entry.subject;
    case InboxColumn::From: return entry.sender;
    case InboxColumn::DateTime: return entry.date;
    case InboxColumn::Size: return entry.size_text;
    case InboxColumn::To: return entry.recipient;
    case InboxColumn::Number: return TextFormat("%d", static_cast<int>(entry.number));
    }
    return {};
}

void MessageList::Add(const InboxEntry& entry) {
    m_entries.push_back(entry);
    m_rows.push_back(Row{entry.number, entry.junk_verdict != JunkVerdict::NotJunk});
}

bool MessageList::Remove(std::uint32_t number) {
    std::erase_if(m_rows, [number](const Row& row) { return row.number == number; });
    return std::erase_if(m_entries, [number](const InboxEntry& e) { return e.number == number; }) > 0;
}

const InboxEntry* MessageList::Find(std::uint32_t number) const {
    auto it = std::find_if(m_entries.begin(), m_entries.end(),
                           [number](const InboxEntry& e) { return e.number == number; });
    return it == m_entries.end() ? nullptr : &*it;
}

InboxEntry* MessageList::Find(std::uint32_t number) {
    return const_cast<InboxEntry*>(std::as_const(*this).Find(number));
}

const InboxEntry& MessageList::RowEntry(std::size_t position) const {
    const InboxEntry* entry = Find(m_rows.at(position).number);
    if (entry == nullptr) {
        static const InboxEntry kNone;
        return kNone;
    }
    return *entry;
}

std::optional<std::size_t> MessageList::RowOf(std::uint32_t number) const {
    for (std::size_t row = 0; row < m_rows.size(); ++row) {
        if (m_rows[row].number == number) {
            return row;
        }
    }
    return std::nullopt;
}

std::vector<std::uint32_t> MessageList::RowNumbers() const {
    std::vector<std::uint32_t> numbers;
    numbers.reserve(m_rows.size());
    for (const Row& row : m_rows) {
        numbers.push_back(row.number);
    }
    return numbers;
}

void MessageList::SelectAll() {
    for (Row& row : m_rows) {
        row.selected = true;
    }
}

std::vector<std::uint32_t> MessageList::SelectedNumbers() const {
    std::vector<std::uint32_t> numbers;
    for (const Row& row : m_rows) {
        if (row.selected) {
            numbers.push_back(row.number);
        }
    }
    return numbers;
}

void MessageList::RemoveSelectedRows() {
    auto first = std::find_if(m_rows.begin(), m_rows.end(), [](const Row& r) { return r.selected; });
    if (first == m_rows.end()) {
        return;
    }
    const std::size_t position = static_cast<std::size_t>(first - m_rows.begin());
    std::erase_if(m_rows, [](const Row& row) { return row.selected; });
    if (!m_rows.empty()) {
        m_rows[std::min(position, m_rows.size() - 1)].selected = true;
    }
}

void MessageList::RebuildRows(const std::function<bool(const InboxEntry&)>& keep) {
    m_rows.clear();
    for (const InboxEntry& entry : m_entries) {
        if (keep(entry)) {
            m_rows.push_back(Row{entry.number, entry.junk_verdict != JunkVerdict::NotJunk});
        }
    }
}

namespace {

int CompareNumbers(std::uint64_t a, std::uint64_t b) { return a < b ? -1 : a > b ? 1 : 0; }

int CompareTextsIgnoringCase(std::string_view a, std::string_view b) {
    a = a.substr(0, kSortCompareLimit);
    b = b.substr(0, kSortCompareLimit);
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) {
        const int ca = static_cast<unsigned char>(AsciiLower(a[i]));
        const int cb = static_cast<unsigned char>(AsciiLower(b[i]));
        if (ca != cb) {
            return ca < cb ? -1 : 1;
        }
    }
    return CompareNumbers(a.size(), b.size());
}

}  // namespace

void MessageList::ResetTitles() {
    for (std::size_t i = 0; i < kInboxColumnCount; ++i) {
        m_titles[i] = std::string(kInboxColumnNames[i]);
    }
}

void MessageList::SortByColumn(InboxColumn column, std::span<const std::uint32_t> sizes,
                               bool parsed) {
    m_descending = !m_descending;
    ResetTitles();
    const auto index = static_cast<std::size_t>(column);
    m_titles[index] = TextFormat(m_descending ? "%s -" : "%s +", kInboxColumnNames[index].data());

    auto listed_size = [sizes](std::uint32_t number) -> std::uint32_t {
        return number >= 1 && number <= sizes.size() ? sizes[number - 1] : 0;
    };
    const bool by_number =
        column == InboxColumn::Number || (column == InboxColumn::Subject && !parsed);
    // The sort keys, made once per row rather than once per comparison.
    struct Keyed {
        Row row;
        std::uint64_t number_key = 0;
        std::string text_key;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(m_rows.size());
    for (const Row& row : m_rows) {
        Keyed k{row, 0, {}};
        if (column == InboxColumn::Size) {
            k.number_key = listed_size(row.number);
        } else if (by_number) {
            k.number_key = row.number;
        } else if (const InboxEntry* entry = Find(row.number)) {
            k.text_key = RowText(*entry, column);
        }
        keyed.push_back(std::move(k));
    }
    const bool by_text = column != InboxColumn::Size && !by_number;
    const bool descending = m_descending;
    std::stable_sort(keyed.begin(), keyed.end(), [&](const Keyed& a, const Keyed& b) {
        const int result = by_text ? CompareTextsIgnoringCase(a.text_key, b.text_key)
                                   : CompareNumbers(a.number_key, b.number_key);
        return descending ? result > 0 : result < 0;
    });
    for (std::size_t i = 0; i < keyed.size(); ++i) {
        m_rows[i] = keyed[i].row;
    }
}

void MessageList::SortNewestFirst() {
    ResetTitles();
    std::stable_sort(m_rows.begin(), m_rows.end(),
                     [](const Row& a, const Row& b) { return a.number > b.number; });
}

}  // namespace tarvox
