// tarvox-cli commands about the settings file.
#pragma once

#include <span>
#include <string_view>

namespace tarvox {

// tarvox-cli profiles [--settings FILE]: lists the profiles of the settings
// file, asking for the master passphrase when the file is locked.
int RunProfilesCommand(std::span<const std::string_view> args);

// tarvox-cli self-check: writes a locked settings file with a demo profile in
// a temporary folder, reads it back and checks that everything came back.
int RunSelfCheckCommand(std::span<const std::string_view> args);

// tarvox-cli demo-settings FILE --pop3-port N --smtp-port N: writes a new,
// unlocked settings file whose profile "Demo" reads the demo mailbox of
// scripts/start.sh on this machine. An existing file is never overwritten.
int RunDemoSettingsCommand(std::span<const std::string_view> args);

}  // namespace tarvox
