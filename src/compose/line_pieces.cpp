#include "compose/line_pieces.h"

#include "codec/utf8.h"

namespace tarvox {

std::string TextModeLines(std::string_view text) {
    std::string lines;
    lines.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) {
            lines += text[i];
        }
    }
    return lines;
}

std::optional<std::string_view> LinePieceReader::Next() {
    while (m_at < m_text.size()) {
        const std::size_t line_feed = m_text.find('\n', m_at);
        const std::size_t line_length =
            line_feed == std::string_view::npos ? m_text.size() - m_at : line_feed - m_at + 1;
        // A cut never falls inside a UTF-8 character.
        const std::size_t length =
            Utf8Prefix(m_text.substr(m_at, line_length), kLinePieceLimit).size();
        const std::string_view piece = m_text.substr(m_at, length);
        m_at += length;
        const bool previous_was_cut = m_cut;
        m_cut = !piece.ends_with('\n');
        if (piece == "\n" && previous_was_cut) {
            continue;
        }
        return piece;
    }
    return std::nullopt;
}

}  // namespace tarvox
