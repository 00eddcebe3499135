// The desktop keyring (the freedesktop Secret Service: GNOME Keyring,
// KWallet) as the settings see it: named secrets that can be read, written
// and removed. The Qt adapter lives in src/keyring; tests give their own.
#pragma once

#include <string>

namespace tarvox {

enum class KeyringStatus {
    Done,
    NotFound,     // no secret under that name
    Unavailable,  // no keyring service, locked, or the user refused access
};

struct KeyringReply {
    KeyringStatus status = KeyringStatus::Done;
    std::string text;  // the secret read, or why the keyring could not be used
};

class Keyring {
public:
    virtual ~Keyring() = default;
    virtual KeyringReply Read(const std::string& name) = 0;
    virtual KeyringReply Write(const std::string& name, const std::string& secret) = 0;
    virtual KeyringReply Remove(const std::string& name) = 0;
};

}  // namespace tarvox
