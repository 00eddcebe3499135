#include "config/sealed_secrets.h"

#include <sodium.h>

#include "codec/base64.h"

namespace tarvox {

namespace {

// Damaged files must not make the program spend minutes or gigabytes.
constexpr unsigned long long kMaxOps = 16;
constexpr std::size_t kMaxMemory = std::size_t{1} << 30;

bool SodiumReady() {
    static const bool ready = sodium_init() >= 0;
    return ready;
}

const unsigned char* Bytes(std::string_view text) {
    return reinterpret_cast<const unsigned char*>(text.data());
}

}  // namespace

PassphraseKdf NewPassphraseKdf() {
    unsigned char salt[crypto_pwhash_SALTBYTES];
    SodiumReady();
    randombytes_buf(salt, sizeof salt);
    // Stronger than libsodium's interactive limits (2 passes, 64 MiB, about
    // 0.08 s here): 3 passes over 128 MiB, about 0.2 s per guess on the
    // machine the benchmark (bench/passphrase_bench.cpp) ran on.
    return {EncodeBase64(std::string_view(reinterpret_cast<const char*>(salt), sizeof salt)), 3,
            std::size_t{128} << 20};
}

bool IsStrongVerifier(std::string_view verifier) {
    return verifier.starts_with(kStrongVerifierMarker);
}

bool IsSealedPassword(std::string_view stored) {
    return stored.starts_with(kSealedPasswordMarker);
}

std::optional<SealingKey> SealingKey::Derive(std::string_view passphrase, const PassphraseKdf& kdf) {
    const std::string salt = DecodeBase64Text(kdf.salt);
    if (!SodiumReady() || salt.size() != crypto_pwhash_SALTBYTES ||
        kdf.ops < crypto_pwhash_OPSLIMIT_MIN || kdf.ops > kMaxOps ||
        kdf.memory < crypto_pwhash_MEMLIMIT_MIN || kdf.memory > kMaxMemory) {
        return std::nullopt;
    }
    SealingKey key;
    if (crypto_pwhash(key.m_key.data(), key.m_key.size(), passphrase.data(), passphrase.size(),
                      Bytes(salt), kdf.ops, kdf.memory, crypto_pwhash_ALG_ARGON2ID13) != 0) {
        return std::nullopt;
    }
    return key;
}

SealingKey::~SealingKey() {
    sodium_memzero(m_key.data(), m_key.size());
}

std::string SealingKey::Verifier(std::string_view covered) const {
    unsigned char digest[32];
    crypto_generichash(digest, sizeof digest, Bytes(covered), covered.size(), m_key.data(),
                       m_key.size());
    return std::string(kStrongVerifierMarker) +
           EncodeBase64(std::string_view(reinterpret_cast<const char*>(digest), sizeof digest));
}

std::string SealingKey::Seal(std::string_view password, std::string_view context) const {
    std::string sealed(crypto_aead_xchacha20poly1305_ietf_NPUBBYTES + password.size() +
                           crypto_aead_xchacha20poly1305_ietf_ABYTES,
                       '\0');
    auto* out = reinterpret_cast<unsigned char*>(sealed.data());
    randombytes_buf(out, crypto_aead_xchacha20poly1305_ietf_NPUBBYTES);
    unsigned long long length = 0;
    crypto_aead_xchacha20poly1305_ietf_encrypt(
        out + crypto_aead_xchacha20poly1305_ietf_NPUBBYTES, &length, Bytes(password), password.size(),
        Bytes(context), context.size(), nullptr, out, m_key.data());
    return std::string(kSealedPasswordMarker) + EncodeBase64(sealed);
}

std::optional<std::string> SealingKey::Open(std::string_view sealed, std::string_view context) const {
    if (!IsSealedPassword(sealed)) {
        return std::nullopt;
    }
    const std::string bytes = DecodeBase64Text(sealed.substr(kSealedPasswordMarker.size()));
    constexpr std::size_t kOverhead =
        crypto_aead_xchacha20poly1305_ietf_NPUBBYTES + crypto_aead_xchacha20poly1305_ietf_ABYTES;
    if (bytes.size() < kOverhead) {
        return std::nullopt;
    }
    std::string password(bytes.size() - kOverhead, '\0');
    unsigned long long length = 0;
    const auto* nonce = Bytes(bytes);
    if (crypto_aead_xchacha20poly1305_ietf_decrypt(
            reinterpret_cast<unsigned char*>(password.data()), &length, nullptr,
            nonce + crypto_aead_xchacha20poly1305_ietf_NPUBBYTES,
            bytes.size() - crypto_aead_xchacha20poly1305_ietf_NPUBBYTES, Bytes(context),
            context.size(), nonce, m_key.data()) != 0) {
        return std::nullopt;
    }
    password.resize(length);
    return password;
}

}  // namespace tarvox
