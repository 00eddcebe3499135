// Text in the files the program keeps (settings, address books, drafts): ISO-8859-1
// as always when the text fits it, UTF-8 when it does not. Old files read unchanged.
#pragma once

#include <string>
#include <string_view>

namespace tarvox {

// The bytes that store `utf8`: its ISO-8859-1 form when every character fits and
// that form does not read back as UTF-8 (FromStoredText); else the UTF-8 itself.
std::string ToStoredText(std::string_view utf8);

// The text that `stored` holds: well-formed UTF-8 with a multi-byte sequence is
// taken as UTF-8, anything else as ISO-8859-1.
std::string FromStoredText(std::string_view stored);

}  // namespace tarvox
