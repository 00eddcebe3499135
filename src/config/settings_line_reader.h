// Reads tarvox.ini the way a text-mode fgets into a 10240-byte buffer does:
// CR LF becomes LF, and a line longer than 10,239 characters arrives as several
// pieces, each treated as a line of its own (only the last ends in LF). Memory
// stays bounded whatever the file holds.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

namespace tarvox {

inline constexpr std::size_t kSettingsLinePieceLimit = 10239;

class SettingsLineReader {
public:
    // Reads from an open file; the reader does not close it.
    explicit SettingsLineReader(std::FILE* file) : m_file(file) {}
    // Reads from text held in memory, which must outlive the reader.
    explicit SettingsLineReader(std::string_view text) : m_text(text) {}

    // The next piece, ending in "\n" unless the limit or the end of input cut
    // it. A NUL byte ends the piece's text as it ends a C string (the rest of
    // the piece is still consumed). False at end of input, and after a read
    // error.
    bool Next(std::string& piece);

    // The errno of a read error of the file, 0 when there was none.
    int read_error() const { return m_read_error; }

private:
    int Get();
    int Peek();

    std::FILE* m_file = nullptr;
    std::string_view m_text;
    std::size_t m_position = 0;
    int m_read_error = 0;
};

}  // namespace tarvox
