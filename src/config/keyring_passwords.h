// Profile passwords kept in the desktop keyring instead of the settings
// file. A profile whose passwords are there carries `keyring=1` and empty
// password fields in the file, so an older reader simply asks for them. Each
// password is an entry named after the profile, the protocol, the user and
// the host.
//
// When the keyring cannot be used the user is told once per run, and the
// passwords saved during that run go to the file as before; a profile whose
// passwords could not be read keeps its mark, so that nothing is lost.
#pragma once

#include <map>
#include <set>
#include <string>
#include <string_view>

#include "config/keyring.h"
#include "config/profile.h"

namespace tarvox {

// Said once per run (caption "Desktop keyring", warning icon); %s is the
// keyring's own reason.
inline constexpr const char* kKeyringUnavailableFormat =
    "The desktop keyring cannot be used: %s\n\nPasswords kept in it will be asked for when "
    "needed, and passwords saved during this run are kept in the settings file.";

enum class PasswordField { Pop3, Smtp };

// "NAME: POP3 user@host" or "NAME: SMTP user@server".
std::string KeyringEntryName(const Profile& profile, PasswordField field);

class KeyringPasswords {
public:
    explicit KeyringPasswords(Keyring& keyring) : m_keyring(keyring) {}

    // After the settings are read: fills in the passwords of the profiles
    // marked as keeping them in the keyring. Returns the text to show when
    // the keyring failed for the first time in this run, else empty.
    std::string Fetch(ProfileList& profiles);

    // Before the settings file is written. With `use` on, every profile's
    // passwords go to the keyring (only those that changed are written) and
    // the profile is marked; with it off, the marks are cleared and the file
    // takes the passwords. Returns what Fetch returns.
    std::string Store(ProfileList& profiles, bool use);

    // After the file was written: removes the entries that no profile names
    // any more (a profile deleted or renamed, the keyring turned off).
    void Forget();

private:
    std::string Fail(const std::string& reason);
    // Returns false when the keyring failed.
    bool StoreField(const Profile& profile, PasswordField field, std::string& notice);

    Keyring& m_keyring;
    bool m_unavailable = false;
    std::map<std::string, std::string> m_known;  // what each entry holds, as far as known
    std::set<std::string> m_wanted;              // the entries the last Store kept
};

}  // namespace tarvox
