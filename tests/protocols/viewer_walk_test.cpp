#include "protocols/viewer_walk.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "protocols/message_list.h"

namespace tarvox {
namespace {

TEST(ViewerWalk, NextAndPreviousOverTheListOrTheSelection) {
    // selected rows, rows no longer listed, and how each viewer closes: (N)ext, (P)revious or (C)lose,
    // "d" when it deleted its message, then the message shown next (0: the walk ends)
    const struct {
        std::vector<std::uint32_t> selected, unlisted;
        const char* closes;
    } cases[] = {
        {{3}, {}, "N2 P3 P4 C0"},           // one row walks the whole list
        {{1}, {}, "N0"},                    // Next after the last row
        {{5}, {}, "P5 P5"},                 // Previous at the first row shows it again
        {{3}, {}, "Nd2 N1"},                // Next after a delete: the row moved up
        {{3}, {}, "Pd4"},                   // Previous after a delete
        {{4, 2, 1}, {}, "N2 P4 N2 N1 N0"},  // several rows walk the selection
        {{4, 2}, {}, "P4"},                 // Previous at the first selected
        {{4, 2}, {}, "Pd0"},                // ... unless it was deleted
        {{5, 3, 1}, {3}, "N1 P5"},          // rows no longer listed are skipped
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.closes);
        MessageList list;
        InboxEntry entry;
        for (entry.number = 1; entry.number <= 5; ++entry.number) {
            list.Add(entry);
        }
        list.SortNewestFirst();  // rows 5 4 3 2 1
        for (std::uint32_t number : c.unlisted) {
            list.Remove(number);
        }
        ViewerWalk walk(c.selected);
        EXPECT_EQ(walk.whole_list(), c.selected.size() == 1);
        std::istringstream closes(c.closes);
        for (std::string close; closes >> close;) {
            const std::size_t row = walk.Open(list).value();  // marks it read
            EXPECT_EQ(list.Find(walk.current())->flags, kFlagRead);
            const bool deleted = close[1] == 'd';
            if (deleted) {
                list.Remove(walk.current());
                EXPECT_FALSE(walk.Open(list)) << "no longer listed";
            }
            const ViewerStep step = close[0] == 'N' ? ViewerStep::Next
                                    : close[0] == 'P' ? ViewerStep::Previous : ViewerStep::Close;
            const auto next = static_cast<std::uint32_t>(std::stoul(close.substr(deleted ? 2 : 1)));
            EXPECT_EQ(walk.Advance(step, row, deleted, list), next != 0) << close;
            if (next != 0) {
                EXPECT_EQ(walk.current(), next) << close;
            }
        }
    }
}

}  // namespace
}  // namespace tarvox
