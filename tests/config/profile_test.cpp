#include "config/profile.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace tarvox
