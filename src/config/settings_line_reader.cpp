#include "config/settings_line_reader.h"

#include <cerrno>

namespace tarvox {

int SettingsLineReader::Get() {
    if (m_file != nullptr) {
        errno = 0;
        const int c = std::getc(m_file);
        if (c == EOF && std::ferror(m_file) && m_read_error == 0) {
            m_read_error = errno != 0 ? errno : EIO;
        }
        return c;
    }
    if (m_position >= m_text.size()) {
        return EOF;
    }
    return static_cast<unsigned char>(m_text[m_position++]);
}

int SettingsLineReader::Peek() {
    if (m_file != nullptr) {
        const int c = Get();
        if (c != EOF) {
            std::ungetc(c, m_file);
        }
        return c;
    }
    return m_position < m_text.size() ? static_cast<unsigned char>(m_text[m_position]) : EOF;
}

bool SettingsLineReader::Next(std::string& piece) {
    piece.clear();
    std::size_t consumed = 0;
    bool saw_nul = false;
    while (consumed < kSettingsLinePieceLimit) {
        int c = Get();
        if (c == EOF) {
            break;
        }
        // Text mode: CR LF is one newline.
        if (c == '\r' && Peek() == '\n') {
            c = Get();
        }
        ++consumed;
        if (c == '\0') {
            saw_nul = true;
        }
        if (!saw_nul) {
            piece.push_back(static_cast<char>(c));
        }
        if (c == '\n') {
            break;
        }
    }
    return consumed > 0 && m_read_error == 0;
}

}  // namespace tarvox
