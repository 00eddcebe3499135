// The profile the options window shows when it opens or loses the one shown.
#pragma once

#include <string_view>

#include "config/profile.h"

namespace tarvox {

// The profile named on the command line (when a name is given), else the one
// last used, else the first; nothing for an empty list, and the window then
// shows a reset record. Names match as FindProfile matches them.
const Profile* OpeningProfile(const ProfileList& profiles, std::string_view command_name,
                              std::string_view last);

}  // namespace tarvox
