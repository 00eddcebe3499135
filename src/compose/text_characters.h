// Counting and cutting UTF-8 text by characters, for the limits of the editor
// and of quoting, which count characters rather than bytes.
#pragma once

#include <cstddef>
#include <string_view>

namespace tarvox {

// The bytes of the character at utf8[pos]: its well-formed sequence (RFC 3629),
// or one byte, which counts as a character of its own.
std::size_t CharacterLength(std::string_view utf8, std::size_t pos);

std::size_t CharacterCount(std::string_view utf8);

// The first `count` characters of `utf8` (all of it when it has fewer).
std::string_view CharacterPrefix(std::string_view utf8, std::size_t count);

}  // namespace tarvox
