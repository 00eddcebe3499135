// tarvox-cli poll: polls the mailboxes as Mailman does and prints one line a
// profile, for status bars and scripts. The settings file is never written.
#pragma once

#include <span>
#include <string_view>

namespace tarvox {

// Exit status: 0 when some profile has new mail, 1 when none has, 2 on a
// usage or settings error.
int RunPollCommand(std::span<const std::string_view> args);

}  // namespace tarvox
