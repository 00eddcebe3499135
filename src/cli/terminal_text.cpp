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
    std::string utf8 = Latin1ToUtf8(latin1);
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        if (utf8[i] == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n') {
            continue;
        }
        out += utf8[i];
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
}

}  // namespace tarvox
