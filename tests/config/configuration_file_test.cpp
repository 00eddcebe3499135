#include "config/configuration_file.h"

#include <gtest/gtest.h>

#include <array>
#include <random>
#include <span>
#include <string>

#include "codec/utf8.h"
#include "config/master_passphrase.h"
#include "support/scripted_services.h"
#include "support/temp_dir.h"

namespace tarvox {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kPassphrase = "correct horse";
const fs::path kKnownFile = fs::path(TARVOX_TEST_DATA_DIR) / "config" / "known.ini";

// A configuration with something in every kind of value: what the golden file holds.
Configuration KnownConfiguration() {
    Configuration config;
    config.global = {.last = "Home", .fqdn = "desk.example.org", .mailman = 1, .freq = 30,
                     .newwav = "/usr/share/sounds/new-mail.wav", .gpgpath = "/usr/bin/gpg",
                     .timeout = 45, .preview = 40, .confirmdel = 0,
                     .blockext = std::string(kDefaultBlockList), .gpgfunc = 3,
                     .colwidth = {200, 100, 100, 50, 150},
                     .ibsize = {1, -1, -1, -8, -30, 10, 20, 810, 620}};
    config.profiles.push_back({.name = "Home", .antispam = "friend.example,boss.example",
                               .blacklist = "casino,viagra,lottery winner",
                               .msgid = "AAAAAAAAAAAA,BBBBBBBBBBBB", .host = "pop.example.org",
                               .user = "alice", .pass = "hello", .maildrop = {12, 345678},
                               .SMTPserver = "smtp.example.org", .SMTPname = "Alice Example",
                               .SMTPaddress = "alice@example.org", .SMTPauth = 1});
    config.profiles.push_back({.name = "Work]2", .protopop = TransportSecurity::SslDirect,
                               .port = 995, .mode = MailboxMode::Partial, .maximum = 50});
    return config;
}

// The loaded configuration, or nothing when the load failed.
std::optional<Configuration> Load(const fs::path& path, ScriptedServices& services) {
    Configuration config;
    return LoadConfiguration(path, config, services) ? std::optional(config) : std::nullopt;
}

std::optional<Configuration> LoadText(std::string_view text, ScriptedServices& services) {
    TempDir dir;
    WriteWholeFile(dir / "tarvox.ini", text);
    return Load(dir / "tarvox.ini", services);
}

// Saves and loads again; with the lock on, the passphrase is asked for once, hidden.
Configuration RoundTrip(Configuration& config) {
    TempDir dir;
    EXPECT_TRUE(SaveConfiguration(dir / "tarvox.ini", config));
    ScriptedServices services;
    if (config.global.master == 1) {
        services.QueuePromptText(config.master_passphrase);
    }
    std::optional<Configuration> loaded = Load(dir / "tarvox.ini", services);
    for (const TextPromptRequest& prompt : services.Prompts()) {
        EXPECT_TRUE(prompt.password_mode);
    }
    return loaded.value();
}

std::string LineOf(const std::string& text, std::string_view key) {
    std::size_t start = text.find("\n" + std::string(key));
    if (start == std::string::npos) {
        return "(missing)";
    }
    start += 1 + key.size();
    return text.substr(start, text.find('\n', start) - start);
}

TEST(ConfigurationFile, KnownConfigurationAndTheGoldenFileMatchBothWays) {
    Configuration config = KnownConfiguration();
    EXPECT_EQ(FormatConfiguration(config), ReadWholeFile(kKnownFile));
    ScriptedServices services;
    const Configuration loaded = Load(kKnownFile, services).value();
    config.profiles.back().name = "Work";  // a section name is cut at the first "]"
    EXPECT_EQ(loaded.global, config.global);
    EXPECT_EQ(loaded.profiles, config.profiles);
}

// Random values: one-line printable text, lists of trimmed items, passwords with control
// characters. One text in four holds characters beyond ISO-8859-1 and is stored as UTF-8;
// lengths count the stored bytes.
struct RandomValues {
    std::mt19937 engine;
    int Integer() { return static_cast<int>(engine()); }
    std::string Text(std::size_t max_length, std::string_view avoid = "", std::size_t least = 0,
                     std::uint32_t lowest = 32) {
        const std::size_t length = std::max<std::size_t>(least, engine() % (max_length + 1));
        const bool wide = engine() % 4 == 0;
        std::string text;
        for (std::size_t stored = 0; stored < length;) {
            std::uint32_t c = lowest + engine() % (256 - lowest);
            if (wide && engine() % 3 == 0) {
                c = std::array<std::uint32_t, 3>{0x20ac, 0x65e5, 0x1f600}[engine() % 3];
            }
            std::string utf8;
            AppendUtf8(utf8, c);
            const std::size_t size = wide ? utf8.size() : 1;
            if (c != 127 && avoid.find(static_cast<char>(c)) == std::string_view::npos &&
                stored + size <= length) {
                text += utf8;
                stored += size;
            }
        }
        return text;
    }
    CommaList List(std::size_t max_items) {
        CommaList list;
        for (std::size_t i = 0, items = engine() % (max_items + 1); i < items; ++i) {
            list += (i ? "," : "") + ("x" + Text(40, ",") + "x");
        }
        return list;
    }
};

Profile RandomProfile(RandomValues& r, std::size_t password_length) {
    Profile p;
    for (int* v : {&p.inpoll, &p.alive, &p.nop_int, &p.autosort, &p.parse, &p.use_status,
                   &p.autosave, &p.apop, &p.entermod, &p.filterbits, &p.savemail_fmt,
                   &p.copyself_fmt, &p.port, &p.maximum, &p.SMTPport, &p.SMTPauth,
                   &p.SMTPpopbefore}) {
        *v = r.Integer();
    }
    p.protopop = TransportSecurityFromSetting(r.Integer());
    p.mode = MailboxModeFromSetting(r.Integer());
    p.SMTPproto = TransportSecurityFromSetting(r.Integer());
    for (std::string* s : {&p.host, &p.user, &p.SMTPserver, &p.SMTPuser, &p.SMTPname,
                           &p.SMTPaddress, &p.SMTPreplyto, &p.SMTPautobcc, &p.SMTPsigfile}) {
        *s = r.Text(255);
    }
    for (CommaList* l : {&p.antispam, &p.ispnetworks, &p.blacklist, &p.whitepat, &p.blackpat}) {
        *l = r.List(30);
    }
    p.name = r.Text(200, "]", 1);
    p.msgid = r.List(300);
    // An empty extension reads back as the default ".tvx".
    p.savemail_ext = r.Text(10, "", 1);
    p.copyself_ext = r.Text(10, "", 1);
    p.savemail_dir = r.Text(510);
    p.copyself_dir = r.Text(510);
    p.pop_sslid = r.Text(59);
    p.SMTPsslid = r.Text(59);
    p.pass = r.Text(password_length, "", password_length, 1);
    p.SMTPpass = r.Text(255 - password_length, "", 255 - password_length, 1);
    p.maildrop = {r.Integer(), r.Integer()};
    return p;
}

TEST(ConfigurationFile, RandomSettingsRoundTripWithAndWithoutTheLock) {
    for (unsigned seed = 1; seed <= 20; ++seed) {
        const int master = static_cast<int>(seed % 2);
        SCOPED_TRACE(testing::Message() << "seed " << seed);
        RandomValues r{std::mt19937(seed * 7919)};
        Configuration config;
        GlobalSettings& g = config.global;
        for (int* v : {&g.reprompt, &g.mailman, &g.freq, &g.repoll, &g.checkras, &g.newsound,
                       &g.timeout, &g.allheaders, &g.preview, &g.autoprev, &g.enterprev,
                       &g.confirmdel, &g.confirmclose, &g.htmlfilt, &g.viewer_ro, &g.mvfixedf,
                       &g.replyquote, &g.quotesel, &g.quotemarker, &g.useorigcc, &g.copyself,
                       &g.autoaddress, &g.gpgfunc, &g.encryptself, &g.useautobcc, &g.textcolor}) {
            *v = r.Integer();
        }
        for (std::string* s : {&g.newwav, &g.gpgpath, &g.regfont, &g.fixfont, &g.helpurl}) {
            *s = r.Text(300);
        }
        g.last = r.Text(510);
        g.fqdn = r.Text(100);
        g.master = master;
        g.blockext = r.List(60);
        for (std::span<int> values : {std::span<int>(g.colwidth), std::span<int>(g.mmcolwidth),
                                      std::span<int>(g.ibsize), std::span<int>(g.mvsize),
                                      std::span<int>(g.mmsize), std::span<int>(g.amsize)}) {
            for (int& v : values) {
                v = r.Integer();
            }
        }
        config.master_passphrase = master ? r.Text(60, "", 1) : "";
        for (std::size_t length : {0, 5, 16, 17, 255}) {
            config.profiles.push_back(RandomProfile(r, length));
        }
        Configuration loaded = RoundTrip(config);
        EXPECT_EQ(loaded.global, config.global);
        EXPECT_EQ(loaded.profiles, config.profiles);
        EXPECT_EQ(loaded.master_passphrase, config.master_passphrase);
    }
}

TEST(ConfigurationFile, PasswordsAreLettersFromAToPOrSealedUnderTheLock) {
    // {password length, locked, characters stored}: letter-hex, or the marker and the base64
    // of a 24-byte nonce, the password and a 16-byte tag (within the 511 a value may have).
    const std::tuple<std::size_t, bool, std::size_t> cases[] = {
        {0, false, 0}, {5, false, 10}, {17, false, 34}, {255, false, 510},
        {0, true, 4 + 56}, {5, true, 4 + 60}, {255, true, 4 + 396}};
    Configuration config;
    config.master_passphrase = "sesame seed";
    config.profiles.emplace_back();
    for (const auto& [length, locked, characters] : cases) {
        SCOPED_TRACE(testing::Message() << length << (locked ? " locked" : ""));
        config.global.master = locked ? 1 : 0;
        config.profiles.front().pass = std::string(length, 'p');
        const std::string stored = LineOf(FormatConfiguration(config), "pass=");
        EXPECT_EQ(stored.size(), characters);
        EXPECT_EQ(stored.find_first_not_of(locked ? "$S1ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/="
                                                  : "ABCDEFGHIJKLMNOP"),
                  std::string::npos);
    }
}

// A locked file of the older form (an MD5 verifier, passwords scrambled with the profile key)
// still unlocks, and its first save writes the strong form, which a wrong passphrase, a
// changed setting or a changed password cannot pass.
TEST(ConfigurationFile, AnOlderLockedFileUnlocksAndIsUpgradedBySaving) {
    const std::string old_file =
        "{tarvox}\nmaster=1\nmd5=" +
        ComputeVerifier(GlobalSettings{.master = 1}, "secret phrase") +
        "\n\n[Home]\nhost=pop.example.org\nuser=alice\nantispam=friend.example,,boss.example,\n"
        "SMTPserver=SMTP.example.org\nSMTPname=Alice Example\nSMTPaddress=alice@example.org\n"
        "pass=HCBOKJJPODKJGCDOOBBGOLACAGPBMALM\n\n";
    const auto load = [](const std::string& text, const char* passphrase) {
        ScriptedServices services;
        services.QueuePromptText(passphrase);
        std::optional<Configuration> loaded = LoadText(text, services);
        return loaded;
    };
    std::optional<Configuration> old = load(old_file, "secret phrase");
    ASSERT_TRUE(old);
    EXPECT_EQ(old->profiles.front().pass, "abc");

    const std::string strong = FormatConfiguration(*old);
    EXPECT_TRUE(LineOf(strong, "md5=").starts_with("$argon2id$")) << strong;
    EXPECT_EQ(LineOf(strong, "kdfsalt=").size(), 24u);
    EXPECT_TRUE(LineOf(strong, "pass=").starts_with("$S1$"));
    std::optional<Configuration> again = load(strong, "secret phrase");
    ASSERT_TRUE(again);
    EXPECT_EQ(again->profiles.front().pass, "abc");

    EXPECT_FALSE(load(strong, "secret phrasE"));
    std::string edited = strong;
    edited.replace(edited.find("freq=15"), 7, "freq=16");
    EXPECT_FALSE(load(edited, "secret phrase"));
    // A changed sealed password is refused, not opened into other text: it is dropped.
    std::string tampered = strong;
    const std::size_t byte = tampered.find("pass=$S1$") + 20;
    tampered[byte] = tampered[byte] == 'A' ? 'B' : 'A';
    std::optional<Configuration> opened = load(tampered, "secret phrase");
    ASSERT_TRUE(opened);
    EXPECT_EQ(opened->profiles.front().pass, "");
}

TEST(ConfigurationFile, ReadingFollowsTheSectionRules) {
    const std::tuple<const char*, std::string, std::vector<std::string>> cases[] = {
        {"only the header", "{tarvox}", {}},
        {"only the header and its empty line", "{tarvox}\n\n", {}},
        {"profile at the end without an empty line", "{tarvox}\n\n[A]\nhost=h", {"A"}},
        {"closed profile", "{tarvox}\n\n[A]\nhost=h\n\n", {"A"}},
        {"two section lines in a row", "{tarvox}\n\n[A]\n[B]\nhost=h\n\n", {"B"}},
        {"a header line drops an open profile", "{tarvox}\n\n[A]\n{\n\n[B]\n\n", {"B"}},
        {"empty lines between profiles", "{tarvox}\n\n\n\n[A]\n\n\n[B]\n\n", {"A", "B"}},
        {"profiles without a global section", "[A]\n\n[B]\n\n", {"A", "B"}},
        {"empty section name", "{tarvox}\n\n[]\n\n", {""}},
        {"stray lines outside sections", "junk\n{tarvox}\n\n[A]\n\n", {"A"}},
    };
    for (const auto& [what, text, profile_names] : cases) {
        SCOPED_TRACE(what);
        ScriptedServices services;
        const Configuration config = LoadText(text, services).value();
        std::vector<std::string> names;
        for (const Profile& p : config.profiles) {
            names.push_back(p.name);
        }
        EXPECT_EQ(names, profile_names);
        EXPECT_EQ(config.global, GlobalSettings{});
    }
}

// One line between lines that must still load: a value that does not scan keeps the old one.
TEST(ConfigurationFile, ValuesThatDoNotScanKeepTheirOldValue) {
    enum Section { Global, InProfile };
    const std::tuple<Section, std::string, std::string> cases[] = {
        {Global, "freq=abc", "freq=20"}, {Global, "timeout= 90", "timeout=90"},
        {Global, "preview=-7junk", "preview=-7"}, {Global, "last=", "last=Kept"},
        {Global, "fqdn=" + std::string(511, 'f'), "fqdn="},  // 511 + newline do not fit
        {Global, "fqdn=" + std::string(510, 'f'), "fqdn=" + std::string(510, 'f')},
        {Global, "ibsize=1,2,3", "ibsize=1,2,3,0,0,0,0,0,0"},
        {Global, "mvsize=1,2,3,4,5,6,7,8,9,10", "mvsize=1,2,3,4,5,6,7,8,9"},
        // A damaged tuple keeps the values scanned before the damage.
        {Global, "amsize=4,x,6,7,8,9,10,11,12", "amsize=4,0,0,0,0,0,0,0,0"},
        {Global, "mmcolwidth=5,6", "mmcolwidth=5,6,60"},
        {Global, "colwidth=7,8", "colwidth=7,8,120,60,140"},
        {Global, "Freq=3", "freq=20"}, {Global, "confirmdel =0", "confirmdel=1"},
        {Global, "host=global.example", "host="},  // each key in its own section
        {Global, "unknown_key=1", "last=Kept"}, {Global, "; a comment", "last=Kept"},
        {InProfile, "freq=1", "freq=20"}, {InProfile, "port=", "port=99"},
        {InProfile, "SMTPport=2147483648", "SMTPport=25"},
        {InProfile, "maildrop=5,6", "maildrop=5 0"},
        {InProfile, "savemail_ext=", "savemail_ext=.tvx"}, {InProfile, "frobnicate=yes", "user=u"},
    };
    for (const auto& [section, line, expected] : cases) {
        SCOPED_TRACE(line.substr(0, 40));
        const std::string global = section == Global ? line + "\n" : "";
        const std::string profile = section == InProfile ? line + "\n" : "";
        const std::string file = "{tarvox}\nlast=Kept\nfreq=20\n" + global +
                                 "gpgfunc=3\n\n[P]\nport=99\n" + profile + "user=u\n\n";
        ScriptedServices services;
        Configuration config = LoadText(file, services).value();
        const std::string text = FormatConfiguration(config);
        const std::string key = expected.substr(0, expected.find('=') + 1);
        EXPECT_EQ(key + LineOf(text, key), expected);
        EXPECT_EQ(LineOf(text, "gpgfunc="), "3");
        EXPECT_EQ(LineOf(text, "user="), "u");
        EXPECT_EQ(config.profiles.size(), 1u);
        EXPECT_TRUE(services.Calls().empty());
    }
}

TEST(ConfigurationFile, OnlyAMissingFileGivesDefaultsThatMaySaveOverIt) {
    TempDir dir;
    fs::create_directory(dir / "folder.ini");
    // /proc/self/mem opens, and its first read fails: address 0 is not mapped.
    const std::pair<fs::path, std::string> cases[] = {
        {dir / "absent.ini", ""}, {dir / "folder.ini", "Is a directory"},
        {"/proc/self/mem", "Input/output error"},
    };
    for (const auto& [path, reason] : cases) {
        SCOPED_TRACE(path);
        ScriptedServices services;
        Configuration config = Load(path, services).value();
        EXPECT_EQ(config.global, GlobalSettings{});
        EXPECT_TRUE(config.profiles.empty());
        std::vector<MessageBoxRequest> boxes = services.Boxes();
        ASSERT_EQ(boxes.size(), reason.empty() ? 0u : 1u);
        if (!reason.empty()) {
            EXPECT_EQ(boxes[0].text, "Unable to read settings file " + path.string() + ": " +
                                         reason + ". Changes will not be saved.");
        }
        WriteWholeFile(dir / "other.ini", "kept");
        EXPECT_EQ(SaveConfiguration(dir / "other.ini", config), reason.empty());
    }
}

TEST(ConfigurationFile, LockedFileFailuresEndTheLoadAndLeaveTheFileAlone) {
    // The prompt's answer (nullopt: cancel) after a hand edit of the file; whether the box is
    // "incorrect passphrase" (else "no passphrase"; none after a cancel).
    const std::string right(kPassphrase);
    const std::tuple<const char*, std::optional<std::string>, std::string, std::string, bool>
        cases[] = {
            {"wrong passphrase", "wrong horse", "", "", true},
            {"passphrase differs in case", "Correct Horse", "", "", true},
            {"cancelled prompt", std::nullopt, "", "", false},
            {"freq edited by hand", right, "freq=30", "freq=31", true},
            // No empty line before the first profile: its passwords come before the lock check.
            {"no empty line before the first profile", "", "\n\n[Home]", "\n[Home]", false},
        };
    for (const auto& [what, answer, edit_from, edit_to, wrong] : cases) {
        SCOPED_TRACE(what);
        Configuration config = KnownConfiguration();
        config.global.master = 1;
        config.master_passphrase = kPassphrase;
        TempDir dir;
        std::string text = FormatConfiguration(config);
        if (!edit_from.empty()) {
            ASSERT_NE(text.find(edit_from), std::string::npos);
            text.replace(text.find(edit_from), edit_from.size(), edit_to);
        }
        WriteWholeFile(dir / "tarvox.ini", text);
        ScriptedServices services;
        if (!answer) {
            services.QueuePromptCancel();
        } else if (!answer->empty()) {
            services.QueuePromptText(*answer);
        }
        EXPECT_FALSE(Load(dir / "tarvox.ini", services));
        std::vector<MessageBoxRequest> boxes = services.Boxes();
        ASSERT_EQ(boxes.size(), answer ? 1u : 0u);
        if (answer) {
            EXPECT_EQ(boxes[0].text, wrong ? kIncorrectPassphraseText : kNoPassphraseText);
            EXPECT_EQ(boxes[0].caption, wrong ? kIncorrectPassphraseCaption : "");
            EXPECT_EQ(boxes[0].icon, BoxIcon::Error);
        }
        EXPECT_EQ(ReadWholeFile(dir / "tarvox.ini"), text);
    }
}

TEST(ConfigurationFile, ALockedFileCutAfterItsGlobalSectionStillAsksThePassphrase) {
    Configuration config = KnownConfiguration();
    config.global.master = 1;
    config.master_passphrase = kPassphrase;
    std::string text = FormatConfiguration(config);
    text.resize(text.find("\n\n") + 1);
    for (const std::string_view answer : {std::string_view("wrong horse"), kPassphrase}) {
        ScriptedServices services;
        services.QueuePromptText(answer);
        EXPECT_EQ(LoadText(text, services).has_value(), answer == kPassphrase);
    }
}

TEST(ConfigurationFile, ValuesWithLineBreaksCannotInjectKeys) {
    Configuration config;
    config.global.last = "x\nmaster=1";
    config.profiles.push_back({.name = "P\nhost=evil", .blacklist = "spam\nhost=evil",
                               .user = "bob\r\nhost=evil.example"});
    const Configuration loaded = RoundTrip(config);
    EXPECT_EQ(loaded.global, GlobalSettings{.last = "x"});
    EXPECT_EQ(loaded.profiles,
              (ProfileList{{.name = "P", .blacklist = "spam,host=evil", .user = "bob"}}));
}

TEST(ConfigurationFile, AcceptedFingerprintsAreKeptByTheFile) {
    TempDir dir;
    Configuration config = KnownConfiguration();
    config.global.master = 1;
    config.master_passphrase = "long passphrase";
    const std::string print = "AB:CD:EF:01:23:45:67:89:AB:CD:EF:01:23:45:67:89:AB:CD:EF:01";
    const std::string print256 = print + ":" + print.substr(0, 35);
    RecordAcceptedFingerprint(config.profiles.front(), CertificateField::Pop3, {print, print256});
    RecordAcceptedFingerprint(config.profiles.back(), CertificateField::Smtp, {print, print256});
    ASSERT_TRUE(SaveConfiguration(dir / "tarvox.ini", config));
    ScriptedServices services;
    services.QueuePromptText("long passphrase");
    const Configuration loaded = Load(dir / "tarvox.ini", services).value();
    EXPECT_EQ(loaded.profiles.front().pop_sslid, print);
    EXPECT_EQ(loaded.profiles.front().pop_sslid256, print256);
    EXPECT_EQ(loaded.profiles.back().SMTPsslid, print);
    EXPECT_EQ(loaded.profiles.back().SMTPsslid256, print256);
    EXPECT_EQ(loaded.profiles.front().pass, "hello");
}

}  // namespace
}  // namespace tarvox
