#include "config/profile.h"

#include <algorithm>
#include <utility>

#include "codec/ascii.h"

namespace tarvox {

void ResetProfile(Profile& profile) {
    profile = Profile{};
}

void CopyProfile(Profile& destination, const Profile& source) {
    destination = source;
}

Profile& AppendProfile(ProfileList& list, Profile profile) {
    return list.emplace_back(std::move(profile));
}

bool RemoveProfile(ProfileList& list, const Profile* profile) {
    auto it = std::find_if(list.begin(), list.end(),
                           [profile](const Profile& p) { return &p == profile; });
    if (it == list.end()) {
        return false;
    }
    list.erase(it);
    return true;
}

Profile* FindProfile(ProfileList& list, std::string_view name) {
    for (Profile& profile : list) {
        if (EqualsIgnoreAsciiCase(profile.name, name)) {
            return &profile;
        }
    }
    return nullptr;
}

const Profile* FindProfile(const ProfileList& list, std::string_view name) {
    return FindProfile(const_cast<ProfileList&>(list), name);
}

Profile& StoredProfileOr(ProfileList& list, Profile& working) {
    Profile* stored = FindProfile(list, working.name);
    return stored != nullptr ? *stored : working;
}

void MergeProfileEdits(Profile& existing, const Profile& edited) {
    Profile merged = edited;
    merged.name = std::move(existing.name);
    merged.savemail_fmt = existing.savemail_fmt;
    merged.copyself_fmt = existing.copyself_fmt;
    merged.savemail_ext = std::move(existing.savemail_ext);
    merged.copyself_ext = std::move(existing.copyself_ext);
    merged.savemail_dir = std::move(existing.savemail_dir);
    merged.copyself_dir = std::move(existing.copyself_dir);
    merged.pop_sslid = std::move(existing.pop_sslid);
    merged.pop_sslid256 = std::move(existing.pop_sslid256);
    merged.SMTPsslid = std::move(existing.SMTPsslid);
    merged.SMTPsslid256 = std::move(existing.SMTPsslid256);
    merged.msgid = std::move(existing.msgid);
    merged.ispnetworks = std::move(existing.ispnetworks);
    merged.maildrop = existing.maildrop;
    existing = std::move(merged);
}

ProfileStored StoreProfileEdits(ProfileList& list, Profile edited) {
    if (Profile* existing = FindProfile(list, edited.name)) {
        MergeProfileEdits(*existing, edited);
        return ProfileStored::Merged;
    }
    AppendProfile(list, std::move(edited));
    return ProfileStored::Appended;
}

}  // namespace tarvox
