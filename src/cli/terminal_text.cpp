#include "cli/terminal_text.h"

#include <cstdio>
#include <string>

#include "codec/latin1.h"

namespace tarvox {

void PrintTerminalText(std::string_view latin1, bool bytes) {
    if (bytes) {
        std::fwrite(latin1.data(), 1, latin1.size(), stdout);
        return;
    }
    const std::string shown = Latin1ToTerminal(latin1);
    std::fwrite(shown.data(), 1, shown.size(), stdout);
}

}  // namespace tarvox
