// Reading a text file line by line the way a 512-byte line buffer reads it.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tarvox {

// A line buffer of 512 bytes gives at most this many characters at a time.
inline constexpr std::size_t kLinePieceLimit = 511;

// The text with every CR LF turned into LF, as a file opened in text mode
// reads on the system the file was written on.
std::string TextModeLines(std::string_view text);

// Pieces of at most kLinePieceLimit bytes, never cut inside a UTF-8 character, each ending at its
// line feed when the line feed is within reach; a longer line comes as several pieces. The line
// feed that ends a line already cut into pieces is not given as a piece of its own: it would read
// as an extra empty line.
class LinePieceReader {
public:
    explicit LinePieceReader(std::string_view text) : m_text(text) {}

    std::optional<std::string_view> Next();

private:
    std::string_view m_text;
    std::size_t m_at = 0;
    bool m_cut = false;  // the last piece ended without its line feed
};

}  // namespace tarvox
