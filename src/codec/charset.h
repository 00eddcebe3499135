// Text in any charset that the C library's iconv knows, made UTF-8: how mail
// bodies and header words (RFC 2045 section 5, RFC 2047 section 2) reach the viewer.
#pragma once

#include <string>
#include <string_view>

namespace tarvox {

// Undeclared 8-bit text is read as Windows-1252, a superset of ISO-8859-1 for
// printable text; the five bytes it leaves undefined become U+FFFD.
std::string Windows1252ToUtf8(std::string_view bytes);

enum class CharsetKnown { Yes, No };

struct DecodedText {
    std::string utf8;
    CharsetKnown known = CharsetKnown::Yes;  // No: an unknown charset, read as Windows-1252
};

// Decodes `bytes` declared as `charset` (a MIME charset name, quotes and letter
// case as they come). An empty name and "US-ASCII" holding 8-bit bytes read as
// Windows-1252; "ISO-8859-1" maps byte for byte. Invalid or cut sequences become
// U+FFFD; nothing is dropped and nothing fails.
DecodedText DecodeCharset(std::string_view bytes, std::string_view charset);

// The same, appended to `out`.
CharsetKnown AppendDecodedCharset(std::string_view bytes, std::string_view charset,
                                  std::string& out);

}  // namespace tarvox
