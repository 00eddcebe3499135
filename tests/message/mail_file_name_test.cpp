#include "message/mail_file_name.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <tuple>
#include <vector>

#include "support/scoped_time_zone.h"

namespace tarvox {
namespace {

MailNameFields Fields(std::string date, std::string from, std::string to, std::string subject) {
    return MailNameFields{std::move(date), std::move(from), std::move(to), std::move(subject)};
}

struct NameCase {
    const char* what;
    NameFormat format;
    MailNameFields fields;
    std::string expected;
};

TEST(BuildMailFileName, Cases) {
    ScopedTimeZone utc("UTC");
    const std::string date = "Sat, 22 Mar 2003 11:33:30 +0000";
    const std::vector<NameCase> cases = {
        {"default saving format", kDefaultSavedMailFormat,
         Fields(date, "Ann Example <ann@example.com>", "bob@example.org", "Re: hello?"),
         "2003-03-22 11.33.30  ann@example.com  Re. hello_"},
        {"default copy format takes the first To address", kDefaultCopyToSelfFormat,
         Fields(date, "ann@example.com", "\"Bob, B\" <bob@example.org>, carl@example.net", "Hi"),
         "2003-03-22 11.33.30  bob@example.org  Hi"},
        {"trailing dots and blanks go before the separator", 0x6430,
         Fields(date, "ann@example.com", "", "Wait... . "),
         "Wait  ann@example.com  2003-03-22 11.33.30"},
        {"8-bit bytes become blanks", 0x6000, Fields(date, "", "", "Caf\xE9 na\xEFve"),
         "Caf  na ve"},
        {"control bytes become blanks", 0x6000,
         Fields(date, "", "",
                "a\tb\x01"
                "c"),
         "a b c"},
        {"the other replacements", 0x6000, Fields(date, "", "", "a\"b<c>d|e/f\\g?h*i:j"),
         "a'b_c_d_e_f_g_h_i.j"},
        {"unreadable date", 0x2300, Fields("sometime", "", "", ""),
         "2000-01-01  2000-01-01 00.00.00"},
        {"all -none-", 0x0000, Fields(date, "ann@example.com", "bob@example.org", "Subject"), ""},
        {"7 to 15 count as -none-", 0x7F9A, Fields(date, "a@b", "c@d", "Subject"), ""},
        // Only trailing blanks are removed: the blanks after missing first
        // parts stay at the front.
        {"missing first parts leave their blanks", 0x4560, Fields(date, "", "", "S"), "  S"},
        {"a missing part in the middle", 0x3460, Fields(date, "", "", "S"),
         "2003-03-22 11.33.30  S"},
        {"profile name", 0x1200, Fields(date, "", "", ""), "work  2003-03-22"},
        {"only the low 16 bits count", 0x16000, Fields(date, "", "", "S"), "S"},
    };
    for (const NameCase& c : cases) {
        EXPECT_EQ(BuildMailFileName(c.format, "work", c.fields), c.expected) << c.what;
    }
}

TEST(BuildMailFileName, DateAndTimeAreLocal) {
    ScopedTimeZone berlin("Europe/Berlin");
    EXPECT_EQ(BuildMailFileName(kDefaultSavedMailFormat, "",
                                Fields("Sat, 22 Mar 2003 11:33:30 +0100", "a@x", "", "Re: hello?")),
              "2003-03-22 11.33.30  a@x  Re. hello_");
    EXPECT_EQ(BuildMailFileName(0x2000, "", Fields("Sat, 22 Mar 2003 23:30:00 -0500", "", "", "")),
              "2003-03-23");
}

TEST(BuildMailFileName, NameNeverLeavesTheFolder) {
    ScopedTimeZone utc("UTC");
    const std::vector<std::string> subjects = {"../../etc/passwd", "..", "/", "\\..\\x", ". ."};
    for (const std::string& subject : subjects) {
        const std::string name = BuildMailFileName(0x6000, "", Fields("", "", "", subject));
        EXPECT_EQ(name.find('/'), std::string::npos) << subject;
        EXPECT_NE(name, "..") << subject;
        EXPECT_NE(name, ".") << subject;
        const std::optional<std::string> path = BuildMailFilePath("/mail", name, ".tvx");
        ASSERT_TRUE(path.has_value()) << subject;
        EXPECT_EQ(path->rfind('/'), 5u) << *path;
    }
    EXPECT_EQ(BuildMailFileName(0x6000, "", Fields("", "", "", "../../etc/passwd")),
              ".._.._etc_passwd");
    // A "/" in the extension cannot make a path either.
    EXPECT_EQ(BuildMailFilePath("/mail", "x", "/../../y"), "/mail/x_.._.._y");
}

TEST(NameFormat, ZeroMeansTheDefaultOfTheUse) {
    EXPECT_EQ(ResolveNameFormat(0, MailFolderUse::SavedMail), kDefaultSavedMailFormat);
    EXPECT_EQ(ResolveNameFormat(0, MailFolderUse::CopyToSelf), kDefaultCopyToSelfFormat);
    EXPECT_EQ(ResolveNameFormat(0x1200, MailFolderUse::CopyToSelf), 0x1200u);
}

TEST(NameFormat, SelectorsBackToTheFormat) {
    // The options dialog sets four lists from a format and makes the format
    // again from them: selectors 7 to 15 come back as -none-.
    const struct {
        NameFormat format;
        NameFormat again;
    } cases[] = {
        {0x3460, 0x3460}, {0x1234, 0x1234}, {0x6543, 0x6543},
        {0x9F21, 0x0021}, {0x7000, 0x0000}, {0x12345, 0x2345},
    };
    for (const auto& c : cases) {
        std::array<NameSelector, 4> selectors{};
        for (std::size_t place = 0; place < 4; ++place) {
            selectors[place] = NameFormatSelector(c.format, place);
        }
        EXPECT_EQ(MakeNameFormat(selectors), c.again) << std::hex << c.format;
    }
}

TEST(NameFormat, PreviewOfTheSample) {
    ScopedTimeZone utc("UTC");
    const struct {
        NameFormat format;
        const char* profile;
        const char* extension;
        const char* expected;
    } cases[] = {
        {0x1260, "home", ".eml", "home  2003-03-22  The subject.eml"},
        {0x3460, "home", ".tvx", "2003-03-22 11.33.30  sender@example.com  The subject.tvx"},
        {0x3560, "home", ".tvx", "2003-03-22 11.33.30  recipient@example.com  The subject.tvx"},
        {0x6541, "work", "", "The subject  recipient@example.com  sender@example.com  work"},
        // An empty profile name adds only its separator, which goes with the
        // trailing blanks.
        {0x2100, "", ".eml", "2003-03-22.eml"},
        {0, "home", ".tvx", ".tvx"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NameFormatPreview(c.format, c.profile, c.extension), c.expected)
            << std::hex << c.format;
    }
}

TEST(StoreMailSaveSettings, WritesOneUseAndLeavesTheOther) {
    const auto fields = [](const MailSaveSettings& m) {
        return std::make_tuple(m.folder, m.extension, m.format);
    };
    for (const MailFolderUse use : {MailFolderUse::SavedMail, MailFolderUse::CopyToSelf}) {
        const MailFolderUse other =
            use == MailFolderUse::SavedMail ? MailFolderUse::CopyToSelf : MailFolderUse::SavedMail;
        Profile profile;
        const MailSaveSettings before = MailSaveSettingsOf(profile, other);
        // Only the 16 bits of the four selectors are kept.
        StoreMailSaveSettings(profile, use, {"/home/u/kept", ".eml", 0x11650});
        EXPECT_EQ(fields(MailSaveSettingsOf(profile, use)),
                  fields(MailSaveSettings{"/home/u/kept", ".eml", 0x1650}));
        EXPECT_EQ(fields(MailSaveSettingsOf(profile, other)), fields(before));
    }
}

TEST(BuildMailFilePath, CutsTheNameToTheFolderAndFileNameBudgets) {
    const std::string name(300, 'n');
    const std::string folder(200, 'f');
    EXPECT_EQ(BuildMailFilePath(folder, name, ".tvx"), folder + "/" + std::string(54, 'n') + ".tvx");
    // 254 - 253 leaves one character; 254 - 254 leaves none.
    EXPECT_EQ(BuildMailFilePath(std::string(253, 'f'), "abc", ""), std::string(253, 'f') + "/a");
    EXPECT_FALSE(BuildMailFilePath(std::string(254, 'f'), "abc", "").has_value());
    // An empty name: the file is only the extension.
    EXPECT_EQ(BuildMailFilePath("/m", "", ".tvx"), "/m/.tvx");
    // Name and extension fit one file name.
    EXPECT_EQ(BuildMailFilePath("/m", name, ".tvx"), "/m/" + std::string(251, 'n') + ".tvx");
    EXPECT_FALSE(BuildMailFilePath("/m", "n", std::string(256, 'e')).has_value());
}

TEST(DefaultMailFolder, UnderTheRootPerProfile) {
    const std::tuple<const char*, MailFolderUse, const char*> cases[] = {
        {"work", MailFolderUse::SavedMail, "/data/tarvox/work"},
        {"work", MailFolderUse::CopyToSelf, "/data/tarvox/work/copyself"},
        {"", MailFolderUse::SavedMail, "/data/tarvox/default"},
        {"a/../b", MailFolderUse::SavedMail, "/data/tarvox/a_.._b"},
        {"..", MailFolderUse::CopyToSelf, "/data/tarvox/__/copyself"},
        {"a.b.", MailFolderUse::SavedMail, "/data/tarvox/a.b."},
    };
    for (const auto& [profile, use, folder] : cases) {
        EXPECT_EQ(DefaultMailFolder("/data/tarvox", profile, use), folder) << profile;
    }
}

TEST(MailFilePathFor, UsesTheProfileSettingsOfEachUse) {
    ScopedTimeZone utc("UTC");
    Profile profile;
    profile.name = "work";
    const MailNameFields fields =
        Fields("22 Mar 2003 11:33:30 +0000", "ann@example.com", "bob@example.org", "Hi");

    // Empty folders and default formats.
    EXPECT_EQ(MailFilePathFor(profile, MailFolderUse::SavedMail, "/r", fields),
              "/r/work/2003-03-22 11.33.30  ann@example.com  Hi.tvx");
    profile.copyself_fmt = 0;
    profile.copyself_ext = ".eml";
    EXPECT_EQ(MailFilePathFor(profile, MailFolderUse::CopyToSelf, "/r", fields),
              "/r/work/copyself/2003-03-22 11.33.30  bob@example.org  Hi.eml");

    profile.savemail_dir = "/home/u/mail";
    profile.savemail_fmt = 0x6100;
    EXPECT_EQ(MailFilePathFor(profile, MailFolderUse::SavedMail, "/r", fields),
              "/home/u/mail/Hi  work.tvx");
}

}  // namespace
}  // namespace tarvox
