// RFC 2047 encoded words in header values: text out as one "iso-8859-1" word
// when it fits ISO-8859-1, else as "UTF-8" words; words in any charset in, as UTF-8.
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
// most 66 characters, so that a field's first line stays within the 76 of
// RFC 2047 section 2, that never split a character, separated by CR LF and a
// blank (a fold); ill-formed bytes are sent as U+FFFD.
bool EncodeHeaderWord(std::string& text, std::size_t capacity = 512);

// Raw header bytes as text: UTF-8 when they are well formed (RFC 6532),
// else Windows-1252.
std::string RawHeaderText(std::string_view bytes);

// Decodes the encoded words of the header value `text` in place to UTF-8
// (RFC 2047 section 2, any charset DecodeCharset knows, an RFC 2231 section 5
// language tag ignored); the text between words is RawHeaderText, and the
// white space between two adjacent words is dropped (RFC 2047 section 6.2).
// The value ends at a decoded NUL. False when any encoded word is malformed:
// `text` is then its RawHeaderText with every word left as it stands.
bool DecodeHeaderWords(std::string& text);

}  // namespace tarvox
