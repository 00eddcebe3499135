// Base64 (RFC 2045 / RFC 4648 standard alphabet, "=" padding).
#pragma once

#include <string>
#include <string_view>

namespace tarvox {

// The 6-bit value of a character of the alphabet, or -1 for any other
// character ("=" included).
int Base64Value(char c);

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
