#include "config/master_passphrase.h"

#include <gtest/gtest.h>

#include <optional>
#include <tuple>

#include "codec/md5.h"
#include "support/scripted_services.h"

namespace tarvox {
namespace {

TEST(MasterPassphrase, VerifierHashesLastTheNineValuesAndThePassphrase) {
    GlobalSettings settings;
    settings.last = "Home";
    // "Home" 0 15 60 0 20 0 1 0 0 "secret phrase", digits run together.
    EXPECT_EQ(ComputeVerifier(settings, "secret phrase"), "94481275ae050a7f5db099473b1b0616");
    // In this order; values enter as unsigned 32-bit decimals: -1 is 4294967295.
    int n = 0;
    for (int* field : {&settings.mailman, &settings.freq, &settings.timeout, &settings.repoll,
                       &settings.preview, &settings.allheaders, &settings.replyquote,
                       &settings.textcolor, &settings.enterprev}) {
        *field = ++n;
    }
    EXPECT_EQ(ComputeVerifier(settings, "secret phrase"), "cc9a3caf9eafc1b04db43d447a762875");
    settings = GlobalSettings();
    settings.last = "Home";
    settings.freq = -1;
    EXPECT_EQ(ComputeVerifier(settings, "secret phrase"), "fc72c952669d8d0482130a2d8f215e29");
    // Other settings do not enter.
    settings.confirmdel = 0;
    settings.fqdn = "elsewhere";
    EXPECT_EQ(ComputeVerifier(settings, "secret phrase"), "fc72c952669d8d0482130a2d8f215e29");
}

TEST(MasterPassphrase, ProfileKeyUsesTheReadBackFormOfEachText) {
    const Profile profile{.name = "Home", .antispam = "friend.example,,boss.example, ,",
                          .host = "pop.example.org", .user = "alice",
                          .SMTPserver = "SMTP.example.org", .SMTPname = "Alice Example",
                          .SMTPaddress = "alice@example.org"};
    ProfileKey key = ComputeProfileKey(profile, "secret phrase");
    EXPECT_EQ(DigestToHex(key), "036ff48ccf944c27c9fdd1e7ead4a29d");

    Profile bracketed = profile;
    bracketed.name = "Home]tail";
    EXPECT_EQ(ComputeProfileKey(bracketed, "secret phrase"), key);
    // Settings outside the key do not change it.
    Profile other_reply = profile;
    other_reply.SMTPreplyto = "x@example.org";
    other_reply.pass = "different";
    EXPECT_EQ(ComputeProfileKey(other_reply, "secret phrase"), key);
    // Texts and passphrase are hashed as their ISO-8859-1 bytes when they fit.
    Profile latin1 = profile;
    latin1.name = "Jörg";
    EXPECT_EQ(DigestToHex(ComputeProfileKey(latin1, "sécret")), "f84ba959e4a8a3317bc7b5be4aa5e0e1");
}

TEST(MasterPassphrase, RepromptAsksOnlyWhenLockedHiddenAndEnabled) {
    // {master, reprompt, window visible, the answer (nullopt: not asked, "": cancel), result}
    const std::tuple<int, int, bool, std::optional<std::string>, bool> cases[] = {
        {0, 1, false, std::nullopt, true},  {1, 0, false, std::nullopt, true},
        {1, 1, true, std::nullopt, true},   {1, 1, false, "open sesame", true},
        {1, 1, false, "Open Sesame", false}, {1, 1, false, "", false},
    };
    for (const auto& [master, reprompt, visible, answer, result] : cases) {
        GlobalSettings settings;
        settings.master = master;
        settings.reprompt = reprompt;
        ScriptedServices services;
        if (answer) {
            answer->empty() ? services.QueuePromptCancel() : services.QueuePromptText(*answer);
        }
        EXPECT_EQ(RepromptPassphrase(services, settings, "open sesame", visible), result);
        services.ExpectScriptUsedUp();
        // A wrong answer, not a cancel, is told.
        const bool denied = answer && !answer->empty() && !result;
        ASSERT_EQ(services.Boxes().size(), denied ? 1u : 0u);
        if (denied) {
            EXPECT_EQ(services.Boxes()[0].text, kIncorrectPassphraseText);
            EXPECT_EQ(services.Boxes()[0].caption, kIncorrectPassphraseCaption);
        }
    }
}

TEST(MasterPassphrase, SettingThePassphraseNeedsSixCharacters) {
    // {lock enabled, passphrase known before, typed, accepted, master after, passphrase after}
    const std::tuple<bool, std::string, std::string, bool, int, std::string> cases[] = {
        {true, "", "12345", false, 0, ""}, {true, "", "", false, 0, ""},
        {true, "", "123456", true, 1, "123456"}, {true, "old", "", true, 1, "old"},
        {true, "old", "short", false, 0, "old"}, {true, "old", "replaced", true, 1, "replaced"},
        {false, "old", "whatever", true, 0, "old"},
        {true, "", "日本語漢字", false, 0, ""}, {true, "", "日本語漢字!", true, 1, "日本語漢字!"},
    };
    for (const auto& [enable, known, typed, accepted, master, passphrase_after] : cases) {
        GlobalSettings settings;
        settings.master = 1 - master;
        std::string passphrase = known;
        ScriptedServices services;
        EXPECT_EQ(ApplyPassphraseSetting(services, settings, passphrase, enable, typed), accepted);
        EXPECT_EQ(settings.master, master);
        EXPECT_EQ(passphrase, passphrase_after);
        ASSERT_EQ(services.Boxes().size(), accepted ? 0u : 1u);
        if (!accepted) {
            EXPECT_EQ(services.Boxes()[0].text, kPassphraseTooShortText);
            EXPECT_EQ(services.Boxes()[0].icon, BoxIcon::Error);
        }
    }
}

}  // namespace
}  // namespace tarvox
