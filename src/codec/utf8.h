// UTF-8 (RFC 3629): the engine's text encoding. Helpers to check, cut and build it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tarvox {

inline constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";  // U+FFFD

// Length of the well-formed multi-byte sequence at text[pos] and its code point,
// following the table of RFC 3629 section 4 (no overlong forms, no surrogates,
// nothing above U+10FFFF); 0 when the bytes there are ASCII or not well formed.
std::size_t DecodeUtf8Sequence(std::string_view text, std::size_t pos, std::uint32_t& code_point);

// Whether every byte of `text` belongs to a well-formed sequence.
bool IsUtf8(std::string_view text);

// Whether `text` is well-formed UTF-8 holding at least one multi-byte sequence:
// such bytes are practically never meant as ISO-8859-1 text.
bool IsMultiByteUtf8(std::string_view text);

// Whether `utf8` is well formed with every character in ISO-8859-1 (U+0000..U+00FF).
bool FitsLatin1(std::string_view utf8);

// `text` with each byte that belongs to no well-formed sequence replaced by U+FFFD.
std::string ValidUtf8(std::string_view text);

void AppendUtf8(std::string& out, std::uint32_t code_point);

// The bytes of the character at utf8[pos]: its well-formed sequence, or one
// byte, which counts as a character of its own.
std::size_t CharacterLength(std::string_view utf8, std::size_t pos);

std::size_t CharacterCount(std::string_view utf8);

// The first `count` characters of `utf8` (all of it when it has fewer).
std::string_view CharacterPrefix(std::string_view utf8, std::size_t count);

// The longest prefix of `text` of at most `max_bytes` bytes that does not end
// inside a well-formed multi-byte sequence.
std::string_view Utf8Prefix(std::string_view text, std::size_t max_bytes);

}  // namespace tarvox
