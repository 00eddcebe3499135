// Text of the program (ISO-8859-1, CR LF) written to standard output.
#pragma once

#include <string_view>

namespace tarvox {

// As UTF-8 with LF line ends and control characters made visible for the
// terminal (Latin1ToTerminal), or with `bytes` exactly as the program holds it.
void PrintTerminalText(std::string_view latin1, bool bytes);

}  // namespace tarvox
