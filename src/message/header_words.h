// RFC 2047 encoded words in header values. Output is always labelled
// "iso-8859-1"; input words whose charset begins with "ISO-8859-" are decoded
// (bytes copied, no mapping), every other encoded word is left as it stands.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tarvox {

// Characters that, read as signed 8-bit values, are below 32 or equal to 127:
// control characters and every byte from 128 up.
std::size_t CountNonAscii(std::string_view text);

// Replaces `text` by one encoded word ("=?iso-8859-1?Q?...?=", or B when more
// than a quarter of the characters are 8-bit) when the result with its
// terminating NUL fits in `capacity`. False, with `text` unchanged, otherwise.
bool EncodeHeaderWord(std::string& text, std::size_t capacity = 512);

// Decodes the ISO-8859 encoded words of `text` in place. False, with `text`
// unchanged, when any encoded word is malformed.
bool DecodeHeaderWords(std::string& text);

}  // namespace tarvox
