#include "message/dot_stuffing.h"

namespace tarvox {

std::string_view UnstuffLine(std::string_view line) {
    if (line.starts_with('.') && line != ".\r\n" && line != ".") {
        line.remove_prefix(1);
    }
    return line;
}

std::string UnstuffText(std::string_view text) {
    std::string plain;
    plain.reserve(text.size());
    while (!text.empty()) {
        const std::size_t end = text.find("\r\n");
        const std::size_t length = end == std::string_view::npos ? text.size() : end + 2;
        plain += UnstuffLine(text.substr(0, length));
        text.remove_prefix(length);
    }
    return plain;
}

}  // namespace tarvox
