// Passwords in the settings file: letter-hex over the stored form of the
// password (ISO-8859-1 when it fits, else UTF-8), with the
// profile key's scrambling layer in between when the master passphrase lock is
// on. Stored values must stay under 512 characters, so passwords are limited
// to 255 bytes.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "config/master_passphrase.h"
#include "config/sealed_secrets.h"

namespace tarvox {

inline constexpr std::size_t kMaxPasswordLength = 255;

// `key` is null when the lock is off.
std::string EncodeStoredPassword(std::string_view password, const ProfileKey* key);

// The inverse. With the lock on, the zero padding of short passwords ends the
// clear text at its own length.
std::string DecodeStoredPassword(std::string_view letters, const ProfileKey* key);

// The strong form with the lock on: the same stored form, sealed under `key`
// for `context` (the profile and field).
std::string SealStoredPassword(std::string_view password, const SealingKey& key,
                               std::string_view context);
// Nothing when the sealed value does not open.
std::optional<std::string> OpenStoredPassword(std::string_view sealed, const SealingKey& key,
                                              std::string_view context);

}  // namespace tarvox
