// Text of the program (UTF-8, CR LF) and raw messages written to standard output.
#pragma once

#include <string_view>

namespace tarvox {

// As the terminal shows it (Utf8ToTerminal: LF line ends, control characters
// made visible), or with `bytes` as the ISO-8859-1 bytes of the text with its
// CR LF line ends, "?" for each character that does not fit.
void PrintTerminalText(std::string_view utf8, bool bytes);

// A message as it arrived: its bytes read as Windows-1252 (undeclared 8-bit
// text) in terminal form, or with `bytes` exactly as they arrived.
void PrintRawMessage(std::string_view message, bool bytes);

}  // namespace tarvox
