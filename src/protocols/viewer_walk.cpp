#include "protocols/viewer_walk.h"

#include <utility>

#include "junk/stored_flags.h"
#include "protocols/message_list.h"

namespace tarvox {

ViewerWalk::ViewerWalk(std::vector<std::uint32_t> selected)
    : m_selected(std::move(selected)), m_current(m_selected.empty() ? 0 : m_selected.front()) {}

std::optional<std::size_t> ViewerWalk::Open(MessageList& list) const {
    InboxEntry* entry = list.Find(m_current);
    const std::optional<std::size_t> row = list.RowOf(m_current);
    if (entry == nullptr || !row) {
        return std::nullopt;
    }
    entry->flags |= kFlagRead;
    return row;
}

bool ViewerWalk::Advance(ViewerStep step, std::size_t shown_row, bool deleted,
                         const MessageList& list) {
    if (step != ViewerStep::Next && step != ViewerStep::Previous) {
        return false;
    }
    return whole_list() ? AdvanceOverList(step, shown_row, deleted, list)
                        : AdvanceOverSelection(step, list);
}

bool ViewerWalk::AdvanceOverList(ViewerStep step, std::size_t shown_row, bool deleted,
                                 const MessageList& list) {
    std::size_t next = shown_row;
    if (step == ViewerStep::Next) {
        next = deleted ? shown_row : shown_row + 1;
    } else if (shown_row > 0) {
        next = shown_row - 1;
    }
    if (next >= list.RowCount()) {
        return false;
    }
    m_current = list.RowAt(next).number;
    return true;
}

bool ViewerWalk::AdvanceOverSelection(ViewerStep step, const MessageList& list) {
    const std::ptrdiff_t delta = step == ViewerStep::Next ? 1 : -1;
    const auto count = static_cast<std::ptrdiff_t>(m_selected.size());
    std::ptrdiff_t next = static_cast<std::ptrdiff_t>(m_index) + delta;
    while (next >= 0 && next < count && list.Find(m_selected[next]) == nullptr) {
        next += delta;
    }
    if (next >= 0 && next < count) {
        m_index = static_cast<std::size_t>(next);
        m_current = m_selected[m_index];
        return true;
    }
    // At the first selected row Previous shows it again, while it is listed.
    return step == ViewerStep::Previous && list.Find(m_current) != nullptr;
}

}  // namespace tarvox
