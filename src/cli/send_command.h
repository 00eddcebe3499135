// tarvox-cli send: builds a message from the command line and standard input
// and sends it with a profile's SMTP settings, as the composer would.
#pragma once

#include <span>
#include <string_view>

namespace tarvox {

int RunSendCommand(std::span<const std::string_view> args);

}  // namespace tarvox
