// printf-style formatting into a std::string, for the program's fixed message
// texts ("Connecting to server %s on port %u . . .").
#pragma once

#include <string>

namespace tarvox {

[[gnu::format(printf, 1, 2)]] std::string TextFormat(const char* format, ...);

}  // namespace tarvox
