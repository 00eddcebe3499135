// Showing HTML as plain text, one input line at a time, and finding web
// addresses in a selected text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarvox {

// What the filter remembers between the lines of one message, so that a tag
// may span lines. Starts zeroed for each message.
struct HtmlFilterState {
    bool inside_tag = false;        // a "<" was seen and no ">" since
    std::uint32_t break_count = 0;  // line breaks from consecutive block tags
    char last_input = '\0';         // last input character other than CR and LF
    char last_output = '\0';        // last character the filter produced
};

// Appends the plain text of one input line of UTF-8 text to `output`:
// - Each line starts with a blank unless the last output character was a
//   line feed, blank or tab, so that lines are joined by one blank.
// - Markup from "<" to ">" is dropped, also when the "<" was meant as text.
//   A fixed set of block tags ("<p>", "<br>", "</div>", "<h1", ...) gives
//   CR LF, but a third and further consecutive break is suppressed; "<u>" and
//   "</u>" give "_".
// - Outside tags, runs of blanks and tabs collapse to the first one, and a
//   fixed table of named entities (case-sensitive) becomes UTF-8 or ASCII
//   text, and a numeric reference ("&#8364;", "&#x20AC;") the character it
//   names unless that is a control character; other entities stay as they
//   are.
// - The line's own CR and LF never reach the output.
// The output of one line is never longer than the line's length plus one.
void HtmlToText(HtmlFilterState& state, std::string_view line, std::string& output);

// The web addresses in text[selection_start, selection_end) (the bounds are
// ordered and clipped to the text): from each point on, the first of
// "http://", "ftp://", "https://" and "www." (in that order of preference,
// wherever each stands) that occurs starts an address, which runs to a blank,
// tab, CR, LF, '"', '>', ')', ']' or the end, less a final ".". The search
// goes on after each address. Empty when the selection is empty or holds no
// address.
std::vector<std::string> FindLinks(std::string_view text, std::size_t selection_start,
                                   std::size_t selection_end);

}  // namespace tarvox
