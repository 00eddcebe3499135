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

// Replaces the UTF-8 `text` by RFC 2047 encoded words when the result with its
// terminating NUL fits in `capacity`; false, with `text` unchanged, otherwise.
// Text that fits ISO-8859-1 becomes one word "=?iso-8859-1?Q?...?=" of its
// ISO-8859-1 bytes (B when more than a quarter of them are 8-bit), however
// long. Other text becomes "=?UTF-8?Q?...?=" words (B by the same rule) of at
// most 75 characters that never split a character, separated by CR LF and a
// blank (a fold); ill-formed bytes are sent as U+FFFD.
bool EncodeHeaderWord(std::string& text, std::size_t capacity = 512);

// Decodes the ISO-8859 encoded words of `text` in place. False, with `text`
// unchanged, when any encoded word is malformed.
bool DecodeHeaderWords(std::string& text);

}  // namespace tarvox
