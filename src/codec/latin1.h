// Conversion between the program's ISO-8859-1 text and UTF-8, for terminals and
// command-line arguments. The Qt front end has its own single conversion point.
#pragma once

#include <string>
#include <string_view>

namespace tarvox {

std::string Latin1ToUtf8(std::string_view latin1);

// Text for a terminal, so that text from a server or a message cannot drive
// it: as Latin1ToUtf8, with CR LF line ends as LF, and every control
// character but TAB and LF shown in the notation of `cat -v`: "^[" for ESC,
// "^M" for a CR of its own, "^?" for DEL, "M-^[" for the C1 control 0x9B.
std::string Latin1ToTerminal(std::string_view latin1);

// Characters above U+00FF become "?"; malformed UTF-8 sequences are taken byte
// by byte as ISO-8859-1 (so text that was already ISO-8859-1 passes unchanged).
std::string Utf8ToLatin1(std::string_view utf8);

}  // namespace tarvox
