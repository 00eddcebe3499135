#include "config/keyring_passwords.h"

#include "codec/text_format.h"

namespace tarvox {

namespace {

constexpr PasswordField kFields[] = {PasswordField::Pop3, PasswordField::Smtp};

std::string& PasswordOf(Profile& profile, PasswordField field) {
    return field == PasswordField::Pop3 ? profile.pass : profile.SMTPpass;
}

const std::string& PasswordOf(const Profile& profile, PasswordField field) {
    return field == PasswordField::Pop3 ? profile.pass : profile.SMTPpass;
}

}  // namespace

std::string KeyringEntryName(const Profile& profile, PasswordField field) {
    const bool pop3 = field == PasswordField::Pop3;
    return profile.name + (pop3 ? ": POP3 " : ": SMTP ") + (pop3 ? profile.user : profile.SMTPuser) +
           "@" + (pop3 ? profile.host : profile.SMTPserver);
}

std::string KeyringPasswords::Fail(const std::string& reason) {
    if (m_unavailable) {
        return {};
    }
    m_unavailable = true;
    return TextFormat(kKeyringUnavailableFormat, reason.c_str());
}

std::string KeyringPasswords::Fetch(ProfileList& profiles) {
    for (Profile& profile : profiles) {
        if (profile.keyring != 1 || m_unavailable) {
            continue;
        }
        for (PasswordField field : kFields) {
            const std::string name = KeyringEntryName(profile, field);
            KeyringReply reply = m_keyring.Read(name);
            if (reply.status == KeyringStatus::Unavailable) {
                return Fail(reply.text);
            }
            if (reply.status == KeyringStatus::Done) {
                PasswordOf(profile, field) = reply.text;
                m_known[name] = std::move(reply.text);
            } else {
                m_known[name].clear();
            }
        }
    }
    return {};
}

bool KeyringPasswords::StoreField(const Profile& profile, PasswordField field,
                                  std::string& notice) {
    const std::string name = KeyringEntryName(profile, field);
    const std::string& secret = PasswordOf(profile, field);
    const auto known = m_known.find(name);
    const bool unchanged = known != m_known.end() ? known->second == secret : secret.empty();
    if (!unchanged) {
        const KeyringReply reply =
            secret.empty() ? m_keyring.Remove(name) : m_keyring.Write(name, secret);
        if (reply.status == KeyringStatus::Unavailable) {
            notice = Fail(reply.text);
            return false;
        }
    }
    m_known[name] = secret;
    m_wanted.insert(name);
    return true;
}

std::string KeyringPasswords::Store(ProfileList& profiles, bool use) {
    std::string notice;
    m_wanted.clear();
    for (Profile& profile : profiles) {
        if (m_unavailable) {
            break;
        }
        if (!use) {
            profile.keyring = 0;
            continue;
        }
        if (StoreField(profile, PasswordField::Pop3, notice) &&
            StoreField(profile, PasswordField::Smtp, notice)) {
            profile.keyring = 1;
        }
    }
    if (m_unavailable) {
        // The file takes every password known in memory. A marked profile
        // without any may still have them in the keyring: it keeps its mark.
        for (Profile& profile : profiles) {
            const bool none_known = profile.pass.empty() && profile.SMTPpass.empty();
            profile.keyring = profile.keyring == 1 && none_known ? 1 : 0;
        }
    }
    return notice;
}

void KeyringPasswords::Forget() {
    if (m_unavailable) {
        return;
    }
    for (auto entry = m_known.begin(); entry != m_known.end();) {
        if (m_wanted.contains(entry->first)) {
            ++entry;
            continue;
        }
        if (!entry->second.empty()) {
            m_keyring.Remove(entry->first);
        }
        entry = m_known.erase(entry);
    }
}

}  // namespace tarvox
