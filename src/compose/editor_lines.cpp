#include "compose/editor_lines.h"

namespace tarvox {

std::vector<std::string> EditorLinesFromText(std::string_view text) {
    std::vector<std::string> lines;
    while (!text.empty()) {
        const std::size_t end = text.find("\r\n");
        const std::size_t length = end == std::string_view::npos ? text.size() : end + 2;
        lines.emplace_back(text.substr(0, length));
        text.remove_prefix(length);
    }
    return lines;
}

}  // namespace tarvox
