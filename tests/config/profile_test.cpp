#include "config/profile.h"

#include <gtest/gtest.h>

#include "config/shown_profile.h"
#include "support/scripted_services.h"

namespace tarvox {
namespace {

Profile Filled(std::string_view name, int marker) {
    Profile p;
    p.name = name;
    std::string m = std::to_string(marker);
    p.inpoll = p.alive = p.nop_int = p.autosort = p.parse = p.use_status = p.autosave = p.apop =
        p.entermod = p.filterbits = marker;
    p.antispam = p.ispnetworks = p.blacklist = p.whitepat = p.blackpat = p.msgid = "list" + m;
    p.savemail_fmt = p.copyself_fmt = p.port = p.maximum = marker;
    p.protopop = p.SMTPproto = TransportSecurityFromSetting(marker);
    p.mode = MailboxModeFromSetting(marker);
    p.savemail_ext = p.copyself_ext = p.savemail_dir = p.copyself_dir = "save" + m;
    p.host = p.pop_sslid = p.user = p.pass = "pop" + m;
    p.maildrop = {marker, marker};
    p.SMTPport = p.SMTPauth = p.SMTPpopbefore = marker;
    p.SMTPserver = p.SMTPuser = p.SMTPpass = p.SMTPsslid = p.SMTPname = p.SMTPaddress =
        p.SMTPreplyto = p.SMTPautobcc = p.SMTPsigfile = "smtp" + m;
    return p;
}

TEST(Profile, FindIgnoresAsciiCaseOnly) {
    ProfileList list;
    AppendProfile(list, Filled("Home", 1));
    AppendProfile(list, Filled("Büro", 2));
    AppendProfile(list, Filled("home", 3));
    const std::pair<std::string, int> cases[] = {
        {"HOME", 1}, {"home", 1}, {"büro", 2}, {"BüRO", 2}, {"BÜRO", 0}, {"Hom", 0}, {"", 0}};
    for (const auto& [name, marker] : cases) {
        Profile* found = FindProfile(list, name);
        EXPECT_EQ(found ? found->inpoll : 0, marker) << name;
        Profile working = Filled(name, 9);
        EXPECT_EQ(StoredProfileOr(list, working).inpoll, marker != 0 ? marker : 9) << name;
    }
}

TEST(Profile, RemoveUnlinksOnlyThatProfile) {
    ProfileList list;
    Profile& first = AppendProfile(list, Filled("A", 1));
    Profile& second = AppendProfile(list, Filled("B", 2));
    AppendProfile(list, Filled("C", 3));
    EXPECT_TRUE(RemoveProfile(list, &first));
    EXPECT_EQ(&list.front(), &second);
    Profile stranger;
    EXPECT_FALSE(RemoveProfile(list, &stranger));
    EXPECT_EQ(list.size(), 2u);
}

TEST(Profile, MergeKeepsWhatTheOptionsWindowDoesNotEdit) {
    Profile existing = Filled("Home", 1);
    Profile edited = Filled("HOME", 2);
    MergeProfileEdits(existing, edited);

    Profile expected = edited;
    expected.name = "Home";
    expected.savemail_fmt = expected.copyself_fmt = 1;
    expected.savemail_ext = expected.copyself_ext = expected.savemail_dir =
        expected.copyself_dir = "save1";
    expected.pop_sslid = "pop1";
    expected.SMTPsslid = "smtp1";
    expected.msgid = expected.ispnetworks = "list1";
    expected.maildrop = {1, 1};
    EXPECT_EQ(existing, expected);
}

TEST(ShownProfile, FindsTheRowOfANameInAnyCase) {
    const ProfileList profiles = {Profile{.name = "Work"}, Profile{.name = "home"}};
    EXPECT_EQ(FindProfilePlace(profiles, "HOME")->profile, &profiles.back());
    EXPECT_EQ(FindProfilePlace(profiles, "HOME")->row, 1);
    EXPECT_FALSE(FindProfilePlace(profiles, "spare"));
}

TEST(ShownProfile, SaveAndConnectStoreANamedProfileAndMakeItTheLastUsed) {
    constexpr ProfileStored kMerged = ProfileStored::Merged, kAppended = ProfileStored::Appended;
    constexpr std::optional<ProfileStored> kNone;
    const std::tuple<bool, const char*, int, std::optional<ProfileStored>, const char*> cases[] = {
        // Save (else Connect), name, autosave, stored, last used
        {true, "work", 0, kMerged, "work"}, {true, "New", 0, kAppended, "New"}, {true, "", 1, kNone, "old"},
        {false, "New", 1, kAppended, "New"}, {false, "New", 0, kNone, "New"}, {false, "", 1, kNone, ""},
    };
    for (const auto& [save, name, autosave, stored, last] : cases) {
        Configuration config{.global = {.last = "old"}, .profiles = {Profile{.name = "Work", .host = "old"}}};
        const Profile shown{.name = name, .autosave = autosave, .host = "new"};
        ScriptedServices services;
        EXPECT_EQ(save ? SaveShownProfile(config, shown, services) : RecordConnectProfile(config, shown), stored);
        EXPECT_EQ(config.global.last, last) << name;
        EXPECT_EQ(config.profiles.size(), stored == kAppended ? 2u : 1u);
        EXPECT_EQ(config.profiles.front().host, stored == kMerged ? "new" : "old");
        EXPECT_EQ(services.Boxes().size(), save && !stored ? 1u : 0u);
    }
}

}  // namespace
}  // namespace tarvox
