#include "compose/text_characters.h"

#include <cstdint>

#include "codec/utf8.h"

namespace tarvox {

std::size_t CharacterLength(std::string_view utf8, std::size_t pos) {
    std::uint32_t code_point = 0;
    const std::size_t length = DecodeUtf8Sequence(utf8, pos, code_point);
    return length == 0 ? 1 : length;
}

std::size_t CharacterCount(std::string_view utf8) {
    std::size_t count = 0;
    for (std::size_t pos = 0; pos < utf8.size(); pos += CharacterLength(utf8, pos)) {
        ++count;
    }
    return count;
}

std::string_view CharacterPrefix(std::string_view utf8, std::size_t count) {
    std::size_t end = 0;
    for (std::size_t taken = 0; taken < count && end < utf8.size(); ++taken) {
        end += CharacterLength(utf8, end);
    }
    return utf8.substr(0, end);
}

}  // namespace tarvox
