#include "config/keyring_passwords.h"

#include <gtest/gtest.h>

#include "config/configuration_file.h"
#include "support/memory_keyring.h"
#include "support/scripted_services.h"

namespace tarvox {
namespace {

Profile Account(std::string name, std::string pass, std::string smtp_pass = "") {
    return {.name = std::move(name), .host = "pop.example.org", .user = "ann", .pass = std::move(pass),
            .SMTPserver = "smtp.example.org", .SMTPuser = "ann", .SMTPpass = std::move(smtp_pass)};
}

// Saves as the program does: the keyring first, then the file, then the
// entries no profile names any more. Returns the file text.
std::string Save(KeyringPasswords& keyring, Configuration& config, std::string* notice = nullptr) {
    const std::string said = keyring.Store(config.profiles, config.global.keyring == 1);
    if (notice != nullptr) {
        *notice = said;
    }
    std::string text = FormatConfiguration(config);
    keyring.Forget();
    return text;
}

Configuration Read(const std::string& text) {
    Configuration config;
    ScriptedServices services;
    EXPECT_TRUE(LoadConfigurationText(text, config, services));
    return config;
}

TEST(KeyringPasswords, PasswordsLeaveTheFileAndComeBack) {
    for (const bool locked : {false, true}) {
        SCOPED_TRACE(locked ? "with the master passphrase" : "without it");
        MemoryKeyring store;
        KeyringPasswords keyring(store);
        Configuration config;
        config.global.keyring = 1;
        config.global.master = locked ? 1 : 0;
        config.master_passphrase = "long passphrase";
        config.profiles = {Account("Home", "pop secret", "smtp secret"), Account("Empty", "")};
        const std::string text = Save(keyring, config);

        EXPECT_EQ(store.entries, (std::map<std::string, std::string>{
                                     {"Home: POP3 ann@pop.example.org", "pop secret"},
                                     {"Home: SMTP ann@smtp.example.org", "smtp secret"}}));
        // Both profiles are marked, with their password fields empty.
        const std::size_t first = text.find("\npass=\nkeyring=1\n");
        ASSERT_NE(first, std::string::npos) << text;
        EXPECT_NE(text.find("\npass=\nkeyring=1\n", first + 1), std::string::npos);
        EXPECT_EQ(text.find("pass=$"), std::string::npos) << "nothing sealed in the file";
        EXPECT_NE(text.find("SMTPpass=\n"), std::string::npos);

        KeyringPasswords next_run(store);
        ScriptedServices services;
        if (locked) {
            services.QueuePromptText("long passphrase");
        }
        Configuration read;
        ASSERT_TRUE(LoadConfigurationText(text, read, services));
        EXPECT_EQ(next_run.Fetch(read.profiles), "");
        EXPECT_EQ(read.profiles.front().pass, "pop secret");
        EXPECT_EQ(read.profiles.front().SMTPpass, "smtp secret");
        // Saving again unchanged asks nothing of the keyring.
        const int changes = store.changes;
        Save(next_run, read);
        EXPECT_EQ(store.changes, changes);
        EXPECT_EQ(read.profiles.back().pass, "");
    }
}

TEST(KeyringPasswords, ChangedRenamedAndTurnedOff) {
    MemoryKeyring store;
    KeyringPasswords keyring(store);
    Configuration config;
    config.global.keyring = 1;
    config.profiles = {Account("Home", "one")};
    Save(keyring, config);

    config.profiles.front().pass = "two";
    config.profiles.front().name = "House";
    Save(keyring, config);
    EXPECT_EQ(store.entries, (std::map<std::string, std::string>{
                                 {"House: POP3 ann@pop.example.org", "two"}}));

    config.global.keyring = 0;
    const std::string text = Save(keyring, config);
    EXPECT_TRUE(store.entries.empty());
    const Configuration read = Read(text);
    EXPECT_EQ(read.profiles.front().pass, "two");
    EXPECT_EQ(read.profiles.front().keyring, 0);
}

TEST(KeyringPasswords, AnUnavailableKeyringIsToldOnceAndLosesNothing) {
    MemoryKeyring store;
    store.entries = {{"Kept: POP3 ann@pop.example.org", "in the keyring"}};
    KeyringPasswords keyring(store);
    Configuration config;
    config.global.keyring = 1;
    config.profiles = {Account("Kept", ""), Account("Typed", "typed now")};
    config.profiles.front().keyring = 1;
    config.profiles.back().keyring = 1;
    store.unavailable = "The keyring is locked";

    EXPECT_NE(keyring.Fetch(config.profiles).find("cannot be used: The keyring is locked"),
              std::string::npos);
    std::string notice;
    const std::string text = Save(keyring, config, &notice);
    EXPECT_EQ(notice, "") << "told once per run";
    // The profile whose password could not be read keeps its mark and its
    // entry; the one with a password in memory puts it in the file.
    const Configuration read = Read(text);
    EXPECT_EQ(read.profiles.front().keyring, 1);
    EXPECT_EQ(read.profiles.back().keyring, 0);
    EXPECT_EQ(read.profiles.back().pass, "typed now");
    EXPECT_EQ(store.entries.size(), 1U);

    // A keyring that fails while saving: everything goes to the file.
    MemoryKeyring failing;
    KeyringPasswords later(failing);
    Configuration fresh;
    fresh.global.keyring = 1;
    fresh.profiles = {Account("A", "a"), Account("B", "b")};
    failing.unavailable = "no service";
    EXPECT_NE(later.Store(fresh.profiles, true).find("no service"), std::string::npos);
    EXPECT_EQ(fresh.profiles.front().keyring + fresh.profiles.back().keyring, 0);
}

TEST(KeyringPasswords, AFileValueStaysWhenTheKeyringHasNone) {
    MemoryKeyring store;
    KeyringPasswords keyring(store);
    ProfileList profiles = {Account("Hand edited", "from the file")};
    profiles.front().keyring = 1;
    EXPECT_EQ(keyring.Fetch(profiles), "");
    EXPECT_EQ(profiles.front().pass, "from the file");
}

}  // namespace
}  // namespace tarvox
