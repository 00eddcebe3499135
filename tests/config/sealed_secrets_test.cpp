#include "config/sealed_secrets.h"

#include <gtest/gtest.h>

namespace tarvox {
namespace {

// The smallest parameters libsodium takes, so the tests stay quick.
PassphraseKdf QuickKdf() {
    PassphraseKdf kdf = NewPassphraseKdf();
    kdf.ops = 1;
    kdf.memory = 8192;
    return kdf;
}

TEST(SealingKey, DamagedParametersDeriveNothing) {
    const PassphraseKdf good = QuickKdf();
    struct Case {
        const char* what;
        PassphraseKdf kdf;
        bool derives;
    } const cases[] = {
        {"as made", good, true},
        {"salt cut short", {good.salt.substr(0, 12), good.ops, good.memory}, false},
        {"salt not base64", {"!!!!!!!!!!!!!!!!!!!!!!!!", good.ops, good.memory}, false},
        {"no passes", {good.salt, 0, good.memory}, false},
        {"a negative number read as huge", {good.salt, static_cast<unsigned long long>(-1), good.memory}, false},
        {"memory beyond a gigabyte", {good.salt, good.ops, (std::size_t{1} << 30) + 1}, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SealingKey::Derive("passphrase", c.kdf).has_value(), c.derives) << c.what;
    }
}

TEST(SealingKey, APasswordOpensOnlyWithItsKeyAndContext) {
    const PassphraseKdf kdf = QuickKdf();
    const std::optional<SealingKey> key = SealingKey::Derive("passphrase", kdf);
    const std::optional<SealingKey> other = SealingKey::Derive("passphrasE", kdf);
    ASSERT_TRUE(key && other);
    const std::string sealed = key->Seal("hunter2", "Home\npass=");
    EXPECT_NE(key->Seal("hunter2", "Home\npass="), sealed);  // a nonce of its own each time
    EXPECT_EQ(key->Open(sealed, "Home\npass="), "hunter2");
    EXPECT_EQ(key->Open(sealed, "Home\nSMTPpass="), std::nullopt);
    EXPECT_EQ(key->Open(sealed, "Work\npass="), std::nullopt);
    EXPECT_EQ(other->Open(sealed, "Home\npass="), std::nullopt);
    EXPECT_EQ(key->Open(sealed.substr(0, sealed.size() - 4), "Home\npass="), std::nullopt);
    EXPECT_EQ(key->Open("$S1$", "Home\npass="), std::nullopt);
    EXPECT_NE(key->Verifier("settings"), other->Verifier("settings"));
    EXPECT_NE(key->Verifier("settings"), key->Verifier("settingz"));
}

}  // namespace
}  // namespace tarvox
