// Walks the physical lines of a message's header block, as every reader of
// the header block sees them: the block ends at an empty line, a line that is
// only "." or " ", a line without CR LF, or a NUL byte.
#pragma once

#include <cstddef>
#include <string_view>

namespace tarvox {

// Header lines are read into a 512-byte buffer: a line of this many
// characters or more is read as an empty line (it matches nothing and closes
// the open header, but does not end the block).
inline constexpr std::size_t kMaxHeaderLine = 511;

// One physical line, without its CR LF; empty when it was too long.
struct HeaderLine {
    std::string_view text;
    bool too_long = false;
};

class HeaderLines {
public:
    // `message` is CR LF lines from the start of the message; it is a C
    // string, so a NUL byte ends it.
    explicit HeaderLines(std::string_view message);

    // Reads the next line into `line`; false at the end of the block.
    bool Next(HeaderLine& line);

    // The start of the last line looked at: after the walk, the line that
    // ended the block, where the body starts.
    std::size_t LineStart() const { return m_line_start; }

private:
    std::string_view m_message;
    std::size_t m_position = 0;
    std::size_t m_line_start = 0;
};

}  // namespace tarvox
