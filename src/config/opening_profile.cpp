#include "config/opening_profile.h"

namespace tarvox {

const Profile* OpeningProfile(const ProfileList& profiles, std::string_view command_name,
                              std::string_view last) {
    if (!command_name.empty()) {
        if (const Profile* named = FindProfile(profiles, command_name)) {
            return named;
        }
    }
    if (const Profile* used = FindProfile(profiles, last)) {
        return used;
    }
    return profiles.empty() ? nullptr : &profiles.front();
}

}  // namespace tarvox
