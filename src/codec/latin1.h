// Conversion between ISO-8859-1 and the program's UTF-8 text, and the form of
// that text for a terminal. The Qt front end has its own single conversion point.
#pragma once

#include <string>
#include <string_view>

namespace tarvox {

std::string Latin1ToUtf8(std::string_view latin1);
void AppendLatin1ToUtf8(std::string_view latin1, std::string& utf8);

// UTF-8 text for a terminal, so that text from a server or a message cannot
// drive it: CR LF line ends as LF, every control character but TAB and LF
// shown in the notation of `cat -v` ("^[" for ESC, "^M" for a CR of its own,
// "^?" for DEL, "M-^[" for the C1 control U+009B), and each byte that belongs
// to no well-formed sequence as U+FFFD.
std::string Utf8ToTerminal(std::string_view utf8);

// Characters above U+00FF become "?"; malformed UTF-8 sequences are taken byte
// by byte as ISO-8859-1 (so text that was already ISO-8859-1 passes unchanged).
std::string Utf8ToLatin1(std::string_view utf8);

}  // namespace tarvox
