// tarvox-cli addressbook: the address books of tarvox.dat from a terminal.
#pragma once

#include <span>
#include <string_view>

namespace tarvox {

// tarvox-cli addressbook [--data FILE] list | show BOOK | search TEXT |
// import BOOK --comma|--tab FILE | export BOOK --text|--tab FILE
// on the user's tarvox.dat (or FILE). 0 done, 1 failed, 2 usage.
int RunAddressBookCommand(std::span<const std::string_view> args);

}  // namespace tarvox
