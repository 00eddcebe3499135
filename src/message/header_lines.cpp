#include "message/header_lines.h"

namespace tarvox {

HeaderLines::HeaderLines(std::string_view message)
    : m_message(message.substr(0, message.find('\0'))) {}

bool HeaderLines::Next(HeaderLine& line) {
    if (m_position >= m_message.size()) {
        return false;
    }
    m_line_start = m_position;
    const std::size_t cr = m_message.find('\r', m_position);
    if (cr == std::string_view::npos) {
        return false;
    }
    line.too_long = cr - m_position >= kMaxHeaderLine;
    line.text = line.too_long ? std::string_view() : m_message.substr(m_position, cr - m_position);
    if (!line.too_long && (line.text.empty() || line.text == "." || line.text == " ")) {
        return false;
    }
    // Mostly the CR found ends the line; a lone CR leaves the search to go on.
    const std::size_t line_end = cr + 1 < m_message.size() && m_message[cr + 1] == '\n'
                                     ? cr
                                     : m_message.find("\r\n", cr + 1);
    if (line_end == std::string_view::npos) {
        return false;
    }
    m_position = line_end + 2;
    return true;
}

}  // namespace tarvox
