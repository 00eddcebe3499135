#include "cli/terminal_text.h"

#include <cstdio>
#include <string>

#include "codec/latin1.h"

namespace tarvox {

namespace {

void Write(std::string_view bytes) {
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
}

}  // namespace

void PrintTerminalText(std::string_view utf8, bool bytes) {
    Write(bytes ? Utf8ToLatin1(utf8) : Utf8ToTerminal(utf8));
}

void PrintRawMessage(std::string_view message) { Write(message); }

}  // namespace tarvox
