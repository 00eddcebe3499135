#include "config/shown_profile.h"

#include <utility>

#include "frontend/services.h"

namespace tarvox {

std::optional<ProfilePlace> FindProfilePlace(const ProfileList& profiles, std::string_view name) {
    const Profile* found = FindProfile(profiles, name);
    if (found == nullptr) {
        return std::nullopt;
    }
    int row = 0;
    for (const Profile& profile : profiles) {
        if (&profile == found) {
            break;
        }
        ++row;
    }
    return ProfilePlace{found, row};
}

std::optional<ProfileStored> StoreShownProfile(Configuration& config, Profile shown) {
    if (shown.name.empty()) {
        return std::nullopt;
    }
    config.global.last = shown.name;
    return StoreProfileEdits(config.profiles, std::move(shown));
}

std::optional<ProfileStored> SaveShownProfile(Configuration& config, Profile shown,
                                              FrontendServices& services) {
    if (shown.name.empty()) {
        services.ShowMessage("Enter a name for the profile (left of Save), then click Save",
                             "Profile not named", BoxIcon::Error);
        return std::nullopt;
    }
    return StoreShownProfile(config, std::move(shown));
}

std::optional<ProfileStored> RecordConnectProfile(Configuration& config, Profile shown) {
    config.global.last = shown.name;
    if (shown.autosave != 1) {
        return std::nullopt;
    }
    return StoreShownProfile(config, std::move(shown));
}

}  // namespace tarvox
