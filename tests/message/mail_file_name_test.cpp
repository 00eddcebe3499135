#include "message/mail_file_name.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <tuple>

#include "support/scoped_time_zone.h"

namespace tarvox {
namespace {

constexpr const char* kDate = "Sat, 22 Mar 2003 11:33:30 +0000";

TEST(BuildMailFileName, Cases) {
    ScopedTimeZone utc("UTC");
    const std::tuple<NameFormat, MailNameFields, std::string> cases[] = {
        {kDefaultSavedMailFormat, {kDate, "Ann Example <ann@example.com>", "b@x", "Re: hello?"},
         "2003-03-22 11.33.30  ann@example.com  Re. hello_"},
        // The first To address.
        {kDefaultCopyToSelfFormat, {kDate, "a@x", "\"Bob, B\" <bob@example.org>, c@x", "Hi"},
         "2003-03-22 11.33.30  bob@example.org  Hi"},
        // Trailing dots and blanks go before the separator.
        {0x6430, {kDate, "ann@example.com", "", "Wait... . "},
         "Wait  ann@example.com  2003-03-22 11.33.30"},
        {0x6000, {kDate, "", "", "Café naïve a\tb\x01" "c\xC2\x85\xE9"}, "Café naïve a b c  "},
        {0x6000, {kDate, "", "", "a\"b<c>d|e/f\\g?h*i:j"}, "a'b_c_d_e_f_g_h_i.j"},
        {0x6000, {kDate, "", "", "../../etc/passwd"}, ".._.._etc_passwd"},
        {0x6000, {kDate, "", "", ".."}, ""},
        {0x2300, {"sometime", "", "", ""}, "2000-01-01  2000-01-01 00.00.00"},  // unreadable date
        {0x0000, {kDate, "a@b", "c@d", "Subject"}, ""},
        {0x7F9A, {kDate, "a@b", "c@d", "Subject"}, ""},  // 7 to 15 count as -none-
        // Only trailing blanks are removed: the blanks after missing first parts stay.
        {0x4560, {kDate, "", "", "S"}, "  S"},
        {0x3460, {kDate, "", "", "S"}, "2003-03-22 11.33.30  S"},
        {0x1200, {kDate, "", "", ""}, "work  2003-03-22"},
        {0x16000, {kDate, "", "", "S"}, "S"},  // only the low 16 bits count
    };
    for (const auto& [format, fields, expected] : cases) {
        EXPECT_EQ(BuildMailFileName(format, "work", fields), expected) << format;
    }
}

TEST(NameFormat, SelectorsBackToTheFormatAndThePreview) {
    const std::pair<NameFormat, NameFormat> cases[] = {  // selectors 7 to 15 give -none-
        {0x3460, 0x3460}, {0x1234, 0x1234}, {0x6543, 0x6543},
        {0x9F21, 0x0021}, {0x7000, 0x0000}, {0x12345, 0x2345},
    };
    for (const auto& [format, again] : cases) {
        std::array<NameSelector, 4> selectors{};
        for (std::size_t place = 0; place < 4; ++place) {
            selectors[place] = NameFormatSelector(format, place);
        }
        EXPECT_EQ(MakeNameFormat(selectors), again) << std::hex << format;
    }
    ScopedTimeZone utc("UTC");
    EXPECT_EQ(NameFormatPreview(0x6541, "work", ""),
              "The subject  recipient@example.com  sender@example.com  work");
    EXPECT_EQ(NameFormatPreview(0x2100, "", ".eml"), "2003-03-22.eml");
    EXPECT_EQ(NameFormatPreview(0, "home", ".tvx"), ".tvx");
}

TEST(StoreMailSaveSettings, WritesOneUseAndLeavesTheOther) {
    const auto fields = [](const MailSaveSettings& m) {
        return std::tie(m.folder, m.extension, m.format);
    };
    using enum MailFolderUse;
    for (const auto& [use, other] : {std::pair{SavedMail, CopyToSelf}, {CopyToSelf, SavedMail}}) {
        Profile profile;
        const MailSaveSettings before = MailSaveSettingsOf(profile, other);
        StoreMailSaveSettings(profile, use, {"/home/u/kept", ".eml", 0x11650});  // 16 bits kept
        EXPECT_EQ(fields(MailSaveSettingsOf(profile, use)),
                  fields(MailSaveSettings{"/home/u/kept", ".eml", 0x1650}));
        EXPECT_EQ(fields(MailSaveSettingsOf(profile, other)), fields(before));
    }
}

TEST(BuildMailFilePath, CutsTheNameToTheFolderAndFileNameBudgets) {
    const std::string name(300, 'n');
    const std::string folder(200, 'f');
    EXPECT_EQ(BuildMailFilePath(folder, name, ".tvx"), folder + "/" + name.substr(246) + ".tvx");
    EXPECT_EQ(BuildMailFilePath(std::string(253, 'f'), "abc", ""), std::string(253, 'f') + "/a");
    EXPECT_FALSE(BuildMailFilePath(std::string(254, 'f'), "abc", "").has_value());
    EXPECT_EQ(BuildMailFilePath("/m", "", ".tvx"), "/m/.tvx");
    EXPECT_EQ(BuildMailFilePath("/m", name, ".tvx"), "/m/" + std::string(251, 'n') + ".tvx");
    EXPECT_FALSE(BuildMailFilePath("/m", "n", std::string(256, 'e')).has_value());
    EXPECT_EQ(BuildMailFilePath("/mail", "x", "/../../y"), "/mail/x_.._.._y");
}

TEST(DefaultMailFolder, UnderTheRootPerProfile) {
    const std::tuple<const char*, MailFolderUse, const char*> cases[] = {
        {"work", MailFolderUse::SavedMail, "/r/work"}, {"", MailFolderUse::SavedMail, "/r/default"},
        {"work", MailFolderUse::CopyToSelf, "/r/work/copyself"},
        {"a/../b", MailFolderUse::SavedMail, "/r/a_.._b"},
        {"a.b.", MailFolderUse::SavedMail, "/r/a.b."},
        {"..", MailFolderUse::CopyToSelf, "/r/__/copyself"},
    };
    for (const auto& [profile, use, folder] : cases) {
        EXPECT_EQ(DefaultMailFolder("/r", profile, use), folder) << profile;
    }
}

TEST(MailFilePathFor, UsesTheProfileSettingsOfEachUse) {
    ScopedTimeZone utc("UTC");
    Profile profile{.name = "work", .savemail_fmt = 0, .copyself_fmt = 0, .copyself_ext = ".eml"};
    const MailNameFields fields{kDate, "ann@example.com", "bob@example.org", "Hi"};
    // An empty folder and copy self's default format; saved mail's is in the save mail test.
    EXPECT_EQ(MailFilePathFor(profile, MailFolderUse::CopyToSelf, "/r", fields),
              "/r/work/copyself/2003-03-22 11.33.30  bob@example.org  Hi.eml");
    profile.savemail_dir = "/home/u/mail";
    profile.savemail_fmt = 0x6100;
    EXPECT_EQ(MailFilePathFor(profile, MailFolderUse::SavedMail, "/r", fields),
              "/home/u/mail/Hi  work.tvx");
}

}  // namespace
}  // namespace tarvox
