// The View/Preview walk: which message the inbox shows next as the viewer
// closes with Next or Previous. From one selected row the walk goes over the
// whole list and moves the selection along; from several it goes over the
// selected rows only, skipping those no longer listed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace tarvox {

class MessageList;

// How a viewer of the inbox closed; the values are its dialog results.
enum class ViewerStep : int { Close = 0, Next = 1, Previous = 2 };

class ViewerWalk {
public:
    // `selected`: the selected message numbers in row order, not empty.
    explicit ViewerWalk(std::vector<std::uint32_t> selected);

    // The message to show now.
    std::uint32_t current() const { return m_current; }
    // The viewer opens on `current()`, whose entry is marked read. Its row;
    // nothing, and no mark, when it is no longer listed.
    std::optional<std::size_t> Open(MessageList& list) const;
    // Whether the walk goes over the whole list (one row was selected).
    bool whole_list() const { return m_selected.size() == 1; }

    // The viewer of `current()`, shown at `shown_row`, closed with `step`
    // (`deleted`: it deleted its message, whose row has left `list`). False
    // when the walk ends. Next after a delete shows the row that moved up
    // into the place; Previous on the first row shows it again.
    bool Advance(ViewerStep step, std::size_t shown_row, bool deleted, const MessageList& list);

private:
    bool AdvanceOverList(ViewerStep step, std::size_t shown_row, bool deleted,
                         const MessageList& list);
    bool AdvanceOverSelection(ViewerStep step, const MessageList& list);

    std::vector<std::uint32_t> m_selected;
    std::size_t m_index = 0;
    std::uint32_t m_current = 0;
};

}  // namespace tarvox
