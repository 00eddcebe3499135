// The master passphrase's strong form, used for every file written from now
// on: the passphrase becomes a key through Argon2id (libsodium's
// crypto_pwhash, with a random salt kept in the file), the file keeps only a
// verifier derived from that key, and each stored password is sealed with
// XChaCha20-Poly1305 under a nonce of its own, bound to its profile and field
// so that it cannot be moved or changed unnoticed. Guessing the passphrase
// from a stolen file costs one Argon2id run per guess.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tarvox {

// Markers the older forms cannot produce: their verifier is 32 hex digits and
// their passwords are letters A to P.
inline constexpr std::string_view kStrongVerifierMarker = "$argon2id$";
inline constexpr std::string_view kSealedPasswordMarker = "$S1$";

// The key derivation's parameters as the file keeps them.
struct PassphraseKdf {
    std::string salt;  // base64 of 16 random bytes
    unsigned long long ops = 0;
    std::size_t memory = 0;  // bytes
};

// A fresh salt with libsodium's interactive limits or stronger.
PassphraseKdf NewPassphraseKdf();

bool IsStrongVerifier(std::string_view verifier);
bool IsSealedPassword(std::string_view stored);

class SealingKey {
public:
    // Nothing when the parameters are damaged or out of the sane range, or
    // the derivation fails (not enough memory).
    static std::optional<SealingKey> Derive(std::string_view passphrase, const PassphraseKdf& kdf);
    ~SealingKey();
    SealingKey(const SealingKey&) = default;
    SealingKey& operator=(const SealingKey&) = default;

    // What the file keeps to recognise the passphrase and the settings it
    // covers: the marker and a BLAKE2b of `covered` keyed with the key, base64.
    std::string Verifier(std::string_view covered) const;
    // `context` names the profile and field the password belongs to.
    std::string Seal(std::string_view password, std::string_view context) const;
    // Nothing when `sealed` is damaged, changed, or belongs elsewhere.
    std::optional<std::string> Open(std::string_view sealed, std::string_view context) const;

private:
    SealingKey() = default;
    std::array<std::uint8_t, 32> m_key{};
};

}  // namespace tarvox
