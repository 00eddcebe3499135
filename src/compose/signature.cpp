#include "compose/signature.h"

#include "codec/stored_text.h"
#include "compose/line_pieces.h"
#include "config/file_io.h"

namespace tarvox {

std::optional<std::string> SignatureBlock(const std::string& path) {
    if (path.empty()) {
        return std::nullopt;
    }
    const std::optional<std::string> content = ReadFileBytes(path);
    if (!content) {
        return std::nullopt;
    }
    const std::string lines = TextModeLines(FromStoredText(*content));
    std::string block(kSignatureSeparator);
    LinePieceReader reader(lines);
    while (std::optional<std::string_view> line = reader.Next()) {
        const std::size_t end = line->find_last_not_of("\r\n");
        block += line->substr(0, end == std::string_view::npos ? 0 : end + 1);
        block += "\r\n";
    }
    return block;
}

bool InsertSignature(std::string& body, const std::string& path) {
    const std::optional<std::string> block = SignatureBlock(path);
    if (!block) {
        return false;
    }
    body += *block;
    return true;
}

}  // namespace tarvox
