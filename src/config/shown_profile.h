// The profile the options window shows: where it stands in the profile list,
// and how Save and Connect store it.
#pragma once

#include <optional>
#include <string_view>

#include "config/configuration_file.h"
#include "config/profile.h"

namespace tarvox {

class FrontendServices;

// A stored profile and its row in the list (the profile box's index).
struct ProfilePlace {
    const Profile* profile = nullptr;
    int row = 0;
};

// The place of the profile named `name`, as FindProfile finds it; nothing
// when no profile matches.
std::optional<ProfilePlace> FindProfilePlace(const ProfileList& profiles, std::string_view name);

// The shown profile's edits stored as the list's profile of its name
// (StoreProfileEdits), which also becomes the last used. A profile without a
// name is not stored: nothing.
std::optional<ProfileStored> StoreShownProfile(Configuration& config, Profile shown);

// Save: as StoreShownProfile, but a profile without a name is refused with a
// box that asks for one.
std::optional<ProfileStored> SaveShownProfile(Configuration& config, Profile shown,
                                              FrontendServices& services);

// Connect: the profile becomes the last used and, when its autosave is on,
// is stored as StoreShownProfile stores it. `shown` is the profile as the
// pages hold it, so credentials that were only prompted for never reach the
// list.
std::optional<ProfileStored> RecordConnectProfile(Configuration& config, Profile shown);

}  // namespace tarvox
