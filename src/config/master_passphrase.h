// The optional master passphrase: a verifier in the settings file, a key per
// profile that scrambles the stored passwords, and the prompts that ask for it.
// The passphrase itself is never stored.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "config/global_settings.h"
#include "config/profile.h"
#include "config/sealed_secrets.h"
#include "frontend/services.h"

namespace tarvox {

using ProfileKey = std::array<std::uint8_t, 16>;

inline constexpr std::string_view kPassphrasePromptTitle = "Tarvox authentication";
inline constexpr std::string_view kPassphrasePromptText =
    "Enter master passphrase to gain entry to Tarvox (this unlocks all profiles)";
inline constexpr std::string_view kIncorrectPassphraseText = "Incorrect passphrase. Access denied.";
inline constexpr std::string_view kIncorrectPassphraseCaption = "Access denied";
inline constexpr std::string_view kNoPassphraseText =
    "Unable to decode profiles; no master passphrase";
inline constexpr std::string_view kPassphraseTooShortText =
    "Master passphrase must contain 6 or more characters";

// MD5, as 32 lowercase hex digits, over `last` and nine global values (each
// as unsigned decimal) followed by the passphrase. `last` is taken in the form
// in which it reads back from the file, so saving and loading agree. Texts and
// the passphrase are hashed in their stored form (ISO-8859-1 when they fit).
std::string ComputeVerifier(const GlobalSettings& settings, std::string_view passphrase);

// `last` and the nine values as ComputeVerifier hashes them, without the
// passphrase: what the strong verifier covers too, so that a hand edit of them
// is noticed in either form.
std::string VerifiedSettingsText(const GlobalSettings& settings);

// MD5 over the profile's name, apop, whitelist terms, host, port, user, SMTP
// server, SMTP port, sender name and address, then the passphrase; every text
// in the form in which it reads back from the file, hashed in stored form.
ProfileKey ComputeProfileKey(const Profile& profile, std::string_view passphrase);

// XORs the bytes with the key. Up to 16 bytes are first padded with zeros to
// 16, so the result is never shorter than 16 bytes. The same call scrambles and
// unscrambles.
std::string ApplyProfileKey(std::string_view bytes, const ProfileKey& key);

// The check made while loading a locked file: asks for the passphrase and
// compares its verifier with `md5` (in the strong form, after deriving the
// key, which lands in `sealing_key`). Cancel ends silently; a wrong passphrase
// is told once ("Access denied") with no second try. On success the
// passphrase is stored in `master_passphrase`.
bool CheckPassphraseAtStartup(FrontendServices& services, const GlobalSettings& settings,
                              std::string& master_passphrase,
                              std::optional<SealingKey>& sealing_key);

// Mailman's second asking before it shows the hidden main window. Asks only
// when the lock and the re-prompt are on and the main window is hidden.
bool RepromptPassphrase(FrontendServices& services, const GlobalSettings& settings,
                        std::string_view master_passphrase, bool main_window_visible);

// The lock settings' "&Apply": with `enable`, a passphrase of 1 to 5
// characters, or an empty one while none is known, is refused (the lock goes
// off and the function returns false so that the window unchecks its box);
// otherwise the lock goes on and a non-empty `typed` replaces the passphrase.
// Without `enable` the lock goes off.
bool ApplyPassphraseSetting(FrontendServices& services, GlobalSettings& settings,
                            std::string& master_passphrase, bool enable, std::string_view typed);

}  // namespace tarvox
