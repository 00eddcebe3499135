// Comma lists in the settings file. A list is written as lines "key=items",
// as many whole items on a line as fit in 70 stored bytes after the first, so a
// long list becomes several lines with the same key; reading joins them back.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "config/global_settings.h"

namespace tarvox {

inline constexpr std::size_t kCommaListLineLimit = 70;

// The non-empty items of a list, in order (runs of commas count as one).
std::vector<std::string_view> SplitCommaList(std::string_view list);

// The items joined with "," between them, as a dialog's rows become a list.
CommaList JoinCommaList(std::span<const std::string> items);

// Appends the lines of `list` under `key` (which includes the "="). An empty
// list gives the single line "key=\n". An item longer than the limit stands
// whole on a line of its own. CR and LF separate items like commas.
void WriteCommaList(std::string& out, std::string_view key, std::string_view list);

// Joins one line read from the file into `list` when the line starts with
// `key` and is longer than it: the rest of the line loses its trailing
// newlines, then its trailing blanks and commas, and is appended after a ","
// (or becomes the list when the list is empty). Returns whether it matched.
bool ReadCommaListLine(CommaList& list, std::string_view key, std::string_view line);

// The list as it reads back after being written and read once: empty items
// gone, trailing blanks and commas of each line gone.
CommaList ReadBackCommaList(std::string_view list);

}  // namespace tarvox
