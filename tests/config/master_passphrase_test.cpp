#include "config/master_passphrase.h"

#include <gtest/gtest.h>

#include "codec/md5.h"
#include "support/scripted_services.h"

namespace tarvox {
namespace {

TEST(MasterPassphrase, VerifierHashesLastTheNineValuesAndThePassphrase) {
    GlobalSettings settings;
    settings.last = "Home";
    // "Home" 0 15 60 0 20 0 1 0 0 "secret phrase", digits run together.
    EXPECT_EQ(ComputeVerifier(settings, "secret phrase"), "94481275ae050a7f5db099473b1b0616");
    // Values enter as unsigned 32-bit decimals: -1 is 4294967295.
    settings.freq = -1;
    EXPECT_EQ(ComputeVerifier(settings, "secret phrase"), "fc72c952669d8d0482130a2d8f215e29");
}

TEST(MasterPassphrase, VerifierChangesWithEachHashedSetting) {
    const GlobalSettings base;
    const std::string reference = ComputeVerifier(base, "pass phrase");
    int GlobalSettings::*hashed[] = {&GlobalSettings::mailman,    &GlobalSettings::freq,
                                     &GlobalSettings::timeout,    &GlobalSettings::repoll,
                                     &GlobalSettings::preview,    &GlobalSettings::allheaders,
                                     &GlobalSettings::replyquote, &GlobalSettings::textcolor,
                                     &GlobalSettings::enterprev};
    for (int GlobalSettings::*field : hashed) {
        GlobalSettings changed = base;
        changed.*field += 1000;
        EXPECT_NE(ComputeVerifier(changed, "pass phrase"), reference);
    }
    GlobalSettings unhashed = base;
    unhashed.confirmdel = 0;
    unhashed.fqdn = "elsewhere";
    EXPECT_EQ(ComputeVerifier(unhashed, "pass phrase"), reference);
}

TEST(MasterPassphrase, ProfileKeyUsesTheReadBackFormOfEachText) {
    Profile profile;
    profile.name = "Home";
    profile.antispam = "friend.example,,boss.example, ,";
    profile.host = "pop.example.org";
    profile.user = "alice";
    profile.SMTPserver = "SMTP.example.org";
    profile.SMTPname = "Alice Example";
    profile.SMTPaddress = "alice@example.org";
    ProfileKey key = ComputeProfileKey(profile, "secret phrase");
    EXPECT_EQ(DigestToHex(key), "036ff48ccf944c27c9fdd1e7ead4a29d");

    Profile bracketed = profile;
    bracketed.name = "Home]tail";
    EXPECT_EQ(ComputeProfileKey(bracketed, "secret phrase"), key);
    Profile other_port = profile;
    other_port.port = 995;
    EXPECT_NE(ComputeProfileKey(other_port, "secret phrase"), key);
    // Settings outside the key do not change it.
    Profile other_reply = profile;
    other_reply.SMTPreplyto = "x@example.org";
    other_reply.pass = "different";
    EXPECT_EQ(ComputeProfileKey(other_reply, "secret phrase"), key);
}

TEST(MasterPassphrase, RepromptAsksOnlyWhenLockedHiddenAndEnabled) {
    struct Case {
        int master, reprompt;
        bool visible;
        bool asks;
        std::string answer;  // empty: cancel
        bool result;
        bool denied_box;
    };
    const Case cases[] = {
        {0, 1, false, false, "", true, false},
        {1, 0, false, false, "", true, false},
        {1, 1, true, false, "", true, false},
        {1, 1, false, true, "open sesame", true, false},
        {1, 1, false, true, "Open Sesame", false, true},
        {1, 1, false, true, "", false, false},
    };
    for (const Case& c : cases) {
        GlobalSettings settings;
        settings.master = c.master;
        settings.reprompt = c.reprompt;
        ScriptedServices services;
        if (c.asks) {
            if (c.answer.empty()) {
                services.QueuePromptCancel();
            } else {
                services.QueuePromptText(c.answer);
            }
        }
        EXPECT_EQ(RepromptPassphrase(services, settings, "open sesame", c.visible), c.result);
        EXPECT_EQ(services.Prompts().size(), c.asks ? 1u : 0u);
        ASSERT_EQ(services.Boxes().size(), c.denied_box ? 1u : 0u);
        if (c.denied_box) {
            EXPECT_EQ(services.Boxes()[0].text, kIncorrectPassphraseText);
            EXPECT_EQ(services.Boxes()[0].caption, kIncorrectPassphraseCaption);
        }
    }
}

TEST(MasterPassphrase, SettingThePassphraseNeedsSixCharacters) {
    struct Case {
        bool enable;
        std::string known, typed;
        bool accepted;
        int master;
        std::string passphrase_after;
    };
    const Case cases[] = {
        {true, "", "12345", false, 0, ""},
        {true, "", "", false, 0, ""},
        {true, "", "123456", true, 1, "123456"},
        {true, "already known", "", true, 1, "already known"},
        {true, "already known", "short", false, 0, "already known"},
        {true, "already known", "replacement", true, 1, "replacement"},
        {false, "already known", "whatever", true, 0, "already known"},
    };
    for (const Case& c : cases) {
        GlobalSettings settings;
        settings.master = 1 - c.master;
        std::string passphrase = c.known;
        ScriptedServices services;
        EXPECT_EQ(ApplyPassphraseSetting(services, settings, passphrase, c.enable, c.typed),
                  c.accepted);
        EXPECT_EQ(settings.master, c.master);
        EXPECT_EQ(passphrase, c.passphrase_after);
        if (c.accepted) {
            EXPECT_TRUE(services.Boxes().empty());
        } else {
            ASSERT_EQ(services.Boxes().size(), 1u);
            EXPECT_EQ(services.Boxes()[0].text, kPassphraseTooShortText);
            EXPECT_EQ(services.Boxes()[0].caption, "");
            EXPECT_EQ(services.Boxes()[0].icon, BoxIcon::Error);
        }
    }
}

}  // namespace
}  // namespace tarvox
