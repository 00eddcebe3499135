// Base64 (RFC 2045 / RFC 4648 standard alphabet, "=" padding).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tarvox {

// The 6-bit value of a character of the alphabet, or -1 for any other
// character ("=" included).
int Base64Value(char c);

// Decodes the whole groups of four alphabet characters at the start of
// `text`, three bytes each, into `out`, and stops before the first group that
// is cut short by the end of `text` or holds any other character ("=", a line
// break, ...), or after `max_groups` groups. Returns the number of groups
// decoded; `out` must have room for three bytes per group. The lenient
// decoders use it for the bulk of their data and handle what it stops at.
std::size_t DecodeBase64Groups(std::string_view text, char* out, std::size_t max_groups);

// The standard encoding on one line, no line breaks.
std::string EncodeBase64(std::string_view bytes);

// Strict decoder for short texts (settings values, header words, pattern
// items, single body lines). The input length must be a non-zero multiple of
// four; each group of four gives three bytes less one for each "=" among its
// third and fourth characters, and every character that contributes to an
// output byte must be in the alphabet. Any violation returns an empty string
// (a valid input always yields at least one byte). An embedded NUL ends the
// input, as it ends a C string.
std::string DecodeBase64Text(std::string_view text);

}  // namespace tarvox
