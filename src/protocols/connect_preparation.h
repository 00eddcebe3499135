// The checks and prompts before Connect or Poll opens a mailbox: the port and
// host must be usable, a user name or password missing from the profile is
// asked for (and kept in the working profile only, never stored), and Connect
// refuses partial mode without a maximum.
#pragma once

#include <string>

#include "config/profile.h"
#include "protocols/open_mailbox.h"

namespace tarvox {

class FrontendServices;

// Asks for a credential that is not stored ("Enter username (this will not
// be stored in profile)", or the password form with masked input) under
// `title`. False when the prompt was cancelled; `value` is then unchanged.
bool PromptCredential(FrontendServices& services, const char* title, bool password,
                      std::string& value);

// Runs the checks on `working` and fills in prompted credentials. False when
// a check failed (its message was shown) or a prompt was cancelled: the
// request ends there. For Connect, a mode other than partial sets `maximum`
// to 0.
bool PrepareConnect(Profile& working, OpenMode mode, FrontendServices& services);

}  // namespace tarvox
