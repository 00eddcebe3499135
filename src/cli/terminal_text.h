// Text of the program (UTF-8, CR LF) and raw messages written to standard output.
#pragma once

#include <string_view>

namespace tarvox {

// As the terminal shows it (Utf8ToTerminal: LF line ends, control characters
// made visible), or with `bytes` as the ISO-8859-1 bytes of the text with its
// CR LF line ends, "?" for each character that does not fit.
void PrintTerminalText(std::string_view utf8, bool bytes);

// A message exactly as it arrived.
void PrintRawMessage(std::string_view message);

}  // namespace tarvox
