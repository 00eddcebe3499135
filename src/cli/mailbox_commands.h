// tarvox-cli list: opens a profile's mailbox as Connect does, loads the inbox
// and prints the mailbox listing, then leaves the mailbox as it was.
#pragma once

#include <span>
#include <string_view>

namespace tarvox {

int RunListCommand(std::span<const std::string_view> args);

}  // namespace tarvox
