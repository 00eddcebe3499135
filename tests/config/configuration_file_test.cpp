#include "config/configuration_file.h"

#include <gtest/gtest.h>

#include <csignal>
#include <random>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>

#include "config/master_passphrase.h"
#include "config/settings_line_reader.h"
#include "support/scripted_services.h"
#include "support/temp_dir.h"

namespace tarvox {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kPassphrase = "correct horse";

// A configuration with something in every kind of value.
Configuration KnownConfiguration() {
    Configuration config;
    GlobalSettings& g = config.global;
    g.last = "Home";
    g.fqdn = "desk.example.org";
    g.mailman = 1;
    g.freq = 30;
    g.newwav = "/usr/share/sounds/new-mail.wav";
    g.gpgpath = "/usr/bin/gpg";
    g.timeout = 45;
    g.preview = 40;
    g.confirmdel = 0;
    g.blockext = std::string(kDefaultBlockList);
    g.gpgfunc = 3;
    g.colwidth = {200, 100, 100, 50, 150};
    g.ibsize = {1, -1, -1, -8, -30, 10, 20, 810, 620};

    Profile home;
    home.name = "Home";
    home.host = "pop.example.org";
    home.user = "alice";
    home.pass = "hello";
    home.antispam = "friend.example,boss.example";
    home.blacklist = "casino,viagra,lottery winner";
    home.msgid = "AAAAAAAAAAAA,BBBBBBBBBBBB";
    home.maildrop = {12, 345678};
    home.SMTPserver = "smtp.example.org";
    home.SMTPname = "Alice Example";
    home.SMTPaddress = "alice@example.org";
    home.SMTPauth = 1;
    config.profiles.push_back(home);

    Profile work;
    work.name = "Work]2";
    work.protopop = 1;
    work.port = 995;
    work.mode = 1;
    work.maximum = 50;
    config.profiles.push_back(work);
    return config;
}

Configuration LoadFrom(const fs::path& path, ScriptedServices& services, bool* ok = nullptr) {
    Configuration config;
    bool loaded = LoadConfiguration(path, config, services);
    if (ok != nullptr) {
        *ok = loaded;
    }
    return config;
}

Configuration LoadText(std::string_view text, ScriptedServices& services, bool* ok = nullptr) {
    TempDir dir;
    WriteWholeFile(dir / "tarvox.ini", text);
    return LoadFrom(dir / "tarvox.ini", services, ok);
}

TEST(ConfigurationFile, KnownConfigurationMatchesTheGoldenFile) {
    Configuration config = KnownConfiguration();
    EXPECT_EQ(FormatConfiguration(config),
              ReadWholeFile(fs::path(TARVOX_TEST_DATA_DIR) / "config" / "known.ini"));
}

TEST(ConfigurationFile, GoldenFileLoadsIntoTheKnownConfiguration) {
    ScriptedServices services;
    bool ok = false;
    Configuration loaded =
        LoadFrom(fs::path(TARVOX_TEST_DATA_DIR) / "config" / "known.ini", services, &ok);
    ASSERT_TRUE(ok);
    Configuration expected = KnownConfiguration();
    expected.profiles.back().name = "Work";  // a section name is cut at the first "]"
    EXPECT_EQ(loaded.global, expected.global);
    EXPECT_EQ(loaded.profiles, expected.profiles);
}

// ---- Round trips of random records ----

class RandomSettings {
public:
    explicit RandomSettings(unsigned seed) : m_random(seed) {}

    int Integer() { return static_cast<int>(m_random()); }

    // Printable ISO-8859-1 text that the file can hold: no line breaks.
    std::string Text(std::size_t max_length, std::string_view avoid = "") {
        std::size_t length = m_random() % (max_length + 1);
        std::string text;
        while (text.size() < length) {
            char c = static_cast<char>(32 + m_random() % 224);
            if (c == 127 || avoid.find(c) != std::string_view::npos) {
                continue;
            }
            text.push_back(c);
        }
        return text;
    }

    std::string NonEmptyText(std::size_t max_length, std::string_view avoid = "") {
        std::string text;
        while (text.empty()) {
            text = Text(max_length, avoid);
        }
        return text;
    }

    // Items without commas, and without blanks at their ends, which a line
    // end would trim.
    CommaList List(std::size_t max_items) {
        std::size_t items = m_random() % (max_items + 1);
        CommaList list;
        for (std::size_t i = 0; i < items; ++i) {
            std::string item = NonEmptyText(40, ",");
            while (!item.empty() && item.back() == ' ') {
                item.pop_back();
            }
            while (!item.empty() && item.front() == ' ') {
                item.erase(0, 1);
            }
            if (item.empty()) {
                item = "x";
            }
            list += (i ? "," : "") + item;
        }
        return list;
    }

    std::string Password(std::size_t length) {
        std::string password;
        while (password.size() < length) {
            password.push_back(static_cast<char>(1 + m_random() % 255));
        }
        return password;
    }

    template <std::size_t N>
    void Fill(std::array<int, N>& values) {
        for (int& v : values) {
            v = Integer();
        }
    }

private:
    std::mt19937 m_random;
};

GlobalSettings RandomGlobals(RandomSettings& r, int master) {
    GlobalSettings g;
    g.last = r.Text(510);
    g.fqdn = r.Text(100);
    g.master = master;
    g.reprompt = r.Integer();
    g.mailman = r.Integer();
    g.freq = r.Integer();
    g.repoll = r.Integer();
    g.checkras = r.Integer();
    g.newsound = r.Integer();
    g.newwav = r.Text(300);
    g.gpgpath = r.Text(300);
    g.regfont = r.Text(80);
    g.fixfont = r.Text(80);
    g.timeout = r.Integer();
    g.allheaders = r.Integer();
    g.preview = r.Integer();
    g.autoprev = r.Integer();
    g.enterprev = r.Integer();
    g.confirmdel = r.Integer();
    g.confirmclose = r.Integer();
    g.htmlfilt = r.Integer();
    g.viewer_ro = r.Integer();
    g.blockext = r.List(60);
    g.mvfixedf = r.Integer();
    g.replyquote = r.Integer();
    g.quotesel = r.Integer();
    g.quotemarker = r.Integer();
    g.useorigcc = r.Integer();
    g.copyself = r.Integer();
    g.autoaddress = r.Integer();
    g.gpgfunc = r.Integer();
    g.encryptself = r.Integer();
    g.useautobcc = r.Integer();
    g.textcolor = r.Integer();
    r.Fill(g.colwidth);
    r.Fill(g.mmcolwidth);
    r.Fill(g.ibsize);
    r.Fill(g.mvsize);
    r.Fill(g.mmsize);
    r.Fill(g.amsize);
    return g;
}

Profile RandomProfile(RandomSettings& r, std::size_t password_length) {
    Profile p;
    p.name = r.NonEmptyText(200, "]");
    p.inpoll = r.Integer();
    p.alive = r.Integer();
    p.nop_int = r.Integer();
    p.autosort = r.Integer();
    p.parse = r.Integer();
    p.use_status = r.Integer();
    p.autosave = r.Integer();
    p.apop = r.Integer();
    p.entermod = r.Integer();
    p.filterbits = r.Integer();
    p.antispam = r.List(30);
    p.ispnetworks = r.List(30);
    p.blacklist = r.List(30);
    p.whitepat = r.List(30);
    p.blackpat = r.List(30);
    p.msgid = r.List(300);
    p.savemail_fmt = r.Integer();
    p.copyself_fmt = r.Integer();
    // An empty extension reads back as the default ".tvx".
    p.savemail_ext = r.NonEmptyText(10);
    p.copyself_ext = r.NonEmptyText(10);
    p.savemail_dir = r.Text(510);
    p.copyself_dir = r.Text(510);
    p.protopop = r.Integer();
    p.host = r.Text(255);
    p.pop_sslid = r.Text(59);
    p.port = r.Integer();
    p.user = r.Text(255);
    p.pass = r.Password(password_length);
    p.mode = r.Integer();
    p.maximum = r.Integer();
    r.Fill(p.maildrop);
    p.SMTPproto = r.Integer();
    p.SMTPserver = r.Text(255);
    p.SMTPuser = r.Text(255);
    p.SMTPpass = r.Password(255 - password_length);
    p.SMTPsslid = r.Text(59);
    p.SMTPport = r.Integer();
    p.SMTPname = r.Text(255);
    p.SMTPaddress = r.Text(255);
    p.SMTPreplyto = r.Text(255);
    p.SMTPautobcc = r.Text(255);
    p.SMTPsigfile = r.Text(255);
    p.SMTPauth = r.Integer();
    p.SMTPpopbefore = r.Integer();
    return p;
}

TEST(ConfigurationFile, RandomSettingsRoundTripWithAndWithoutTheLock) {
    const std::size_t password_lengths[] = {0, 5, 16, 17, 255};
    for (int master : {0, 1}) {
        for (unsigned seed = 1; seed <= 10; ++seed) {
            RandomSettings random(seed * 7919 + static_cast<unsigned>(master));
            Configuration config;
            config.global = RandomGlobals(random, master);
            config.master_passphrase = master ? random.NonEmptyText(60) : "";
            for (std::size_t length : password_lengths) {
                config.profiles.push_back(RandomProfile(random, length));
            }
            TempDir dir;
            ASSERT_TRUE(SaveConfiguration(dir / "tarvox.ini", config));

            ScriptedServices services;
            if (master) {
                services.QueuePromptText(config.master_passphrase);
            }
            bool ok = false;
            Configuration loaded = LoadFrom(dir / "tarvox.ini", services, &ok);
            ASSERT_TRUE(ok) << "seed " << seed;
            EXPECT_EQ(loaded.global, config.global) << "seed " << seed;
            ASSERT_EQ(loaded.profiles.size(), config.profiles.size());
            auto it = loaded.profiles.begin();
            for (const Profile& original : config.profiles) {
                EXPECT_EQ(*it, original) << "seed " << seed << " profile " << original.name;
                ++it;
            }
            EXPECT_EQ(loaded.master_passphrase, config.master_passphrase);
            services.ExpectScriptUsedUp();
        }
    }
}

// ---- Stored passwords ----

std::string LineOf(const std::string& text, std::string_view key) {
    std::size_t start = text.find("\n" + std::string(key));
    if (start == std::string::npos) {
        return "(missing)";
    }
    start += 1 + key.size();
    return text.substr(start, text.find('\n', start) - start);
}

TEST(ConfigurationFile, PasswordsAreStoredAsLettersFromAToP) {
    struct Case {
        std::size_t length;
        bool locked;
        std::size_t letters;
    };
    const Case cases[] = {
        {0, false, 0}, {5, false, 10}, {16, false, 32}, {17, false, 34}, {255, false, 510},
        {0, true, 32}, {5, true, 32},  {16, true, 32},  {17, true, 34},  {255, true, 510},
    };
    for (const Case& c : cases) {
        Configuration config;
        config.global.master = c.locked ? 1 : 0;
        config.master_passphrase = c.locked ? "sesame seed" : "";
        Profile profile;
        profile.name = "P";
        profile.pass = std::string(c.length, 'p');
        config.profiles.push_back(profile);
        std::string text = FormatConfiguration(config);
        std::string stored = LineOf(text, "pass=");
        EXPECT_EQ(stored.size(), c.letters) << c.length << (c.locked ? " locked" : "");
        EXPECT_EQ(stored.find_first_not_of("ABCDEFGHIJKLMNOP"), std::string::npos);
        EXPECT_EQ(LineOf(text, "md5=").size(), c.locked ? 32u : 0u);
    }
}

TEST(ConfigurationFile, LockedPasswordIsScrambledWithTheProfileKey) {
    Configuration config;
    config.global.master = 1;
    config.master_passphrase = "secret phrase";
    Profile profile;
    profile.name = "Home";
    // Typed with empty items and a trailing comma: the key is made from the
    // list as it reads back.
    profile.antispam = "friend.example,,boss.example,";
    profile.host = "pop.example.org";
    profile.user = "alice";
    profile.pass = "abc";
    profile.SMTPserver = "SMTP.example.org";
    profile.SMTPname = "Alice Example";
    profile.SMTPaddress = "alice@example.org";
    config.profiles.push_back(profile);
    EXPECT_EQ(LineOf(FormatConfiguration(config), "pass="), "HCBOKJJPODKJGCDOOBBGOLACAGPBMALM");

    config.global.master = 0;
    config.profiles.front().pass = "hello";
    EXPECT_EQ(LineOf(FormatConfiguration(config), "pass="), "GNGLHDHEHI");
}

TEST(ConfigurationFile, WhitelistTypedWithTrailingCommaStillDecodesAfterRestart) {
    Configuration config;
    config.global.master = 1;
    config.master_passphrase = "long enough";
    Profile profile;
    profile.name = "Mail";
    profile.antispam = "a.example, b.example , ,";
    profile.pass = "pop password";
    profile.SMTPpass = "smtp password";
    config.profiles.push_back(profile);
    TempDir dir;
    ASSERT_TRUE(SaveConfiguration(dir / "tarvox.ini", config));
    ScriptedServices services;
    services.QueuePromptText("long enough");
    bool ok = false;
    Configuration loaded = LoadFrom(dir / "tarvox.ini", services, &ok);
    ASSERT_TRUE(ok);
    ASSERT_EQ(loaded.profiles.size(), 1u);
    EXPECT_EQ(loaded.profiles.front().antispam, "a.example, b.example");
    EXPECT_EQ(loaded.profiles.front().pass, "pop password");
    EXPECT_EQ(loaded.profiles.front().SMTPpass, "smtp password");
}

// ---- Reading rules ----

TEST(ConfigurationFile, ReadingFollowsTheSectionRules) {
    struct Case {
        const char* what;
        std::string text;
        std::vector<std::string> profile_names;
    };
    const Case cases[] = {
        {"only the header", "{tarvox}", {}},
        {"only the header and its empty line", "{tarvox}\n\n", {}},
        {"profile at the end without an empty line", "{tarvox}\n\n[A]\nhost=h", {"A"}},
        {"closed profile", "{tarvox}\n\n[A]\nhost=h\n\n", {"A"}},
        {"two section lines in a row", "{tarvox}\n\n[A]\n[B]\nhost=h\n\n", {"B"}},
        {"a header line drops an open profile", "{tarvox}\n\n[A]\n{\n\n[B]\n\n", {"B"}},
        {"empty lines between profiles", "{tarvox}\n\n\n\n[A]\n\n\n[B]\n\n", {"A", "B"}},
        {"profiles without a global section", "[A]\n\n[B]\n\n", {"A", "B"}},
        {"section name cut at the bracket", "{tarvox}\n\n[Work]2]\n\n", {"Work"}},
        {"empty section name", "{tarvox}\n\n[]\n\n", {""}},
        {"CR LF line ends", "{tarvox}\r\n\r\n[A]\r\nhost=h\r\n\r\n", {"A"}},
        {"stray lines outside sections", "junk\n{tarvox}\n\n[A]\n\n", {"A"}},
    };
    for (const Case& c : cases) {
        ScriptedServices services;
        bool ok = false;
        Configuration config = LoadText(c.text, services, &ok);
        EXPECT_TRUE(ok) << c.what;
        std::vector<std::string> names;
        for (const Profile& p : config.profiles) {
            names.push_back(p.name);
        }
        EXPECT_EQ(names, c.profile_names) << c.what;
        EXPECT_EQ(config.global, GlobalSettings{}) << c.what;
    }
}

TEST(ConfigurationFile, ValuesThatDoNotScanKeepTheirOldValue) {
    const std::string text =
        "{tarvox}\n"
        "freq=abc\n"
        "timeout= 90\n"
        "preview=-7junk\n"
        "last=\n"
        "fqdn=" + std::string(511, 'f') + "\n"
        "gpgpath=" + std::string(510, 'g') + "\n"
        "ibsize=1,2,3\n"
        "mvsize=1,2,3,4,5,6,7,8,9,10\n"
        "mmcolwidth=5,6\n"
        "colwidth=7,8\n"
        "Freq=3\n"
        "confirmdel =0\n"
        "host=global.example\n"
        "\n"
        "[P]\n"
        "port=\n"
        "SMTPport=2147483648\n"
        "maildrop=5,6\n"
        "savemail_ext=\n"
        "copyself_ext=.eml\n"
        "freq=1\n"
        "\n";
    ScriptedServices services;
    Configuration config = LoadText(text, services);
    const GlobalSettings& g = config.global;
    EXPECT_EQ(g.freq, 15);
    EXPECT_EQ(g.timeout, 90);
    EXPECT_EQ(g.preview, -7);
    EXPECT_EQ(g.last, "");
    EXPECT_EQ(g.fqdn, "");                      // 511 characters + newline do not fit
    EXPECT_EQ(g.gpgpath, std::string(510, 'g'));  // 510 do
    EXPECT_EQ(g.ibsize, (WindowPlacement{1, 2, 3, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(g.mvsize, (WindowPlacement{1, 2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(g.mmcolwidth, (std::array<int, 3>{5, 6, 60}));
    EXPECT_EQ(g.colwidth, (std::array<int, 5>{7, 8, 120, 60, 140}));
    EXPECT_EQ(g.confirmdel, 1);
    ASSERT_EQ(config.profiles.size(), 1u);
    const Profile& p = config.profiles.front();
    EXPECT_EQ(p.port, 110);
    EXPECT_EQ(p.SMTPport, 25);
    EXPECT_EQ(p.maildrop, (std::array<int, 2>{5, 0}));
    EXPECT_EQ(p.savemail_ext, ".tvx");
    EXPECT_EQ(p.copyself_ext, ".eml");
    EXPECT_EQ(p.host, "");  // global and profile keys stay in their own sections
}

TEST(ConfigurationFile, HandWrittenLegacyFileLoads) {
    const std::string text =
        "{tarvox}\r\n"
        "last=Old\r\n"
        "unknown_key=1\r\n"
        "; a comment\r\n"
        "blockext=.EXE,.COM,  \r\n"
        "blockext=.BAT,\r\n"
        "\r\n"
        "[Old]\r\n"
        "host=pop.old.example\r\n"
        "pass=GNGLHDHEHI\r\n"
        "mailman=1\r\n"
        "whitepat=YQ==,\r\n"
        "frobnicate=yes\r\n"
        "\r\n"
        "[Unfinished]\r\n"
        "host=never.example\r\n";
    ScriptedServices services;
    bool ok = false;
    Configuration config = LoadText(text, services, &ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(config.global.last, "Old");
    EXPECT_EQ(config.global.mailman, 0);
    EXPECT_EQ(config.global.blockext, ".EXE,.COM,.BAT");
    ASSERT_EQ(config.profiles.size(), 2u);
    EXPECT_EQ(config.profiles.front().host, "pop.old.example");
    EXPECT_EQ(config.profiles.front().pass, "hello");
    EXPECT_EQ(config.profiles.front().whitepat, "YQ==");
    EXPECT_TRUE(services.Calls().empty());
}

TEST(ConfigurationFile, OnlyAMissingFileGivesDefaultsThatMaySaveOverIt) {
    TempDir dir;
    fs::create_directory(dir / "folder.ini");
    // /proc/self/mem opens, and its first read fails: address 0 is not mapped.
    const std::pair<fs::path, std::string> cases[] = {
        {dir / "absent.ini", ""},
        {dir / "folder.ini", "Is a directory"},
        {"/proc/self/mem", "Input/output error"},
    };
    for (const auto& [path, reason] : cases) {
        ScriptedServices services;
        bool ok = false;
        Configuration config = LoadFrom(path, services, &ok);
        EXPECT_TRUE(ok);
        EXPECT_EQ(config.global, GlobalSettings{});
        EXPECT_TRUE(config.profiles.empty());
        std::vector<MessageBoxRequest> boxes = services.Boxes();
        ASSERT_EQ(boxes.size(), reason.empty() ? 0u : 1u) << path;
        if (!reason.empty()) {
            EXPECT_EQ(boxes[0].text, "Unable to read settings file " + path.string() + ": " +
                                         reason + ". Changes will not be saved.");
        }
        WriteWholeFile(dir / "other.ini", "kept");
        EXPECT_EQ(SaveConfiguration(dir / "other.ini", config), reason.empty()) << path;
    }
}

TEST(ConfigurationFile, LoadedDefaultsFillTheBlockListAndClearTheTextColour) {
    GlobalSettings settings;
    settings.textcolor = 5;
    ApplyLoadedDefaults(settings);
    EXPECT_EQ(settings.blockext, kDefaultBlockList);
    EXPECT_EQ(settings.textcolor, 0);
    settings.blockext = ".X";
    ApplyLoadedDefaults(settings);
    EXPECT_EQ(settings.blockext, ".X");
}

// ---- The lock ----

struct LockedFile {
    TempDir dir;
    fs::path path;
    std::string original;
};

void MakeLockedFile(LockedFile& file, std::string_view passphrase) {
    Configuration config = KnownConfiguration();
    config.global.master = 1;
    config.master_passphrase = passphrase;
    file.path = file.dir / "tarvox.ini";
    ASSERT_TRUE(SaveConfiguration(file.path, config));
    file.original = ReadWholeFile(file.path);
}

TEST(ConfigurationFile, LockedFileFailuresEndTheLoadAndLeaveTheFileAlone) {
    struct Case {
        const char* what;
        bool cancel;
        std::string answer;
        std::string edit_from, edit_to;  // a hand edit of the file before loading
        std::string box_text, box_caption;
    };
    const Case cases[] = {
        {"wrong passphrase", false, "wrong horse", "", "", std::string(kIncorrectPassphraseText),
         std::string(kIncorrectPassphraseCaption)},
        {"passphrase differs in case", false, "Correct Horse", "", "",
         std::string(kIncorrectPassphraseText), std::string(kIncorrectPassphraseCaption)},
        {"cancelled prompt", true, "", "", "", "", ""},
        {"freq edited by hand", false, std::string(kPassphrase), "freq=30", "freq=31",
         std::string(kIncorrectPassphraseText), std::string(kIncorrectPassphraseCaption)},
        {"no empty line before the first profile", false, "", "useautobcc=1\n", "",
         std::string(kNoPassphraseText), ""},
    };
    for (const Case& c : cases) {
        LockedFile file;
        MakeLockedFile(file, kPassphrase);
        if (!c.edit_from.empty()) {
            std::string text = file.original;
            std::size_t at = text.find(c.edit_from);
            ASSERT_NE(at, std::string::npos) << c.what;
            text.replace(at, c.edit_from.size(), c.edit_to);
            if (c.edit_from == "useautobcc=1\n") {
                // Remove the empty line that ends the global section as well.
                text.erase(text.find("\n\n[") + 1, 1);
            }
            WriteWholeFile(file.path, text);
            file.original = text;
        }
        ScriptedServices services;
        if (c.cancel) {
            services.QueuePromptCancel();
        } else if (!c.answer.empty()) {
            services.QueuePromptText(c.answer);
        }
        bool ok = true;
        LoadFrom(file.path, services, &ok);
        EXPECT_FALSE(ok) << c.what;
        std::vector<MessageBoxRequest> boxes = services.Boxes();
        if (c.box_text.empty()) {
            EXPECT_TRUE(boxes.empty()) << c.what;
        } else {
            ASSERT_EQ(boxes.size(), 1u) << c.what;
            EXPECT_EQ(boxes[0].text, c.box_text);
            EXPECT_EQ(boxes[0].caption, c.box_caption);
            EXPECT_EQ(boxes[0].icon, BoxIcon::Error);
        }
        EXPECT_EQ(ReadWholeFile(file.path), file.original) << c.what;
    }
}

TEST(ConfigurationFile, RightPassphraseUnlocksTheProfilesOnce) {
    LockedFile file;
    MakeLockedFile(file, kPassphrase);
    ScriptedServices services;
    services.QueuePromptText(kPassphrase);
    bool ok = false;
    Configuration config = LoadFrom(file.path, services, &ok);
    ASSERT_TRUE(ok);
    ASSERT_EQ(services.Prompts().size(), 1u);
    const TextPromptRequest prompt = services.Prompts()[0];
    EXPECT_EQ(prompt.title, kPassphrasePromptTitle);
    EXPECT_EQ(prompt.prompt, kPassphrasePromptText);
    EXPECT_TRUE(prompt.password_mode);
    EXPECT_EQ(config.master_passphrase, kPassphrase);
    EXPECT_EQ(config.profiles.front().pass, "hello");
    EXPECT_EQ(config.profiles.back().pass, "");
}

// ---- Damaged files ----

TEST(ConfigurationFile, DamagedFilesNeitherCrashNorLoseDefaults) {
    std::mt19937 random(42);
    std::string noise(200000, '\0');
    for (char& c : noise) {
        c = static_cast<char>(random());
    }
    std::string known = ReadWholeFile(fs::path(TARVOX_TEST_DATA_DIR) / "config" / "known.ini");
    const std::pair<const char*, std::string> cases[] = {
        {"random bytes", noise},
        {"random bytes after the header", "{tarvox}\n" + noise},
        {"truncated inside a profile", known.substr(0, known.size() * 2 / 3)},
        {"truncated inside a line", known.substr(0, known.find("colwidth=") + 12)},
        {"NUL bytes", "{tarvox}\nfreq=\0" "9\nlast=a\0b\n\n[A\0]\n\n"},
    };
    for (const auto& [what, text] : cases) {
        ScriptedServices services;
        bool ok = false;
        Configuration config = LoadText(text, services, &ok);
        // Random bytes may happen to switch the lock on; then the load ends.
        if (config.global.master != 1) {
            EXPECT_TRUE(ok) << what;
        }
    }
    ScriptedServices services;
    Configuration config =
        LoadText(known.substr(0, known.find("colwidth=") + 12), services);
    EXPECT_EQ(config.global.colwidth, (std::array<int, 5>{200, 120, 120, 60, 140}));
}

TEST(ConfigurationFile, HundredMegabyteLineIsReadInPieces) {
    TempDir dir;
    {
        std::ofstream out(dir / "tarvox.ini", std::ios::binary);
        out << "{tarvox}\nblockext=.A,";
        std::string chunk(1 << 20, 'b');
        for (int i = 0; i < 100; ++i) {
            out << chunk;
        }
        out << "\nfreq=20\n\n[P]\nhost=h\n\n";
    }
    ScriptedServices services;
    bool ok = false;
    Configuration config = LoadFrom(dir / "tarvox.ini", services, &ok);
    ASSERT_TRUE(ok);
    // Only the first piece starts with the key; the list holds that piece.
    EXPECT_EQ(config.global.blockext.size(), kSettingsLinePieceLimit - std::string("blockext=").size());
    EXPECT_EQ(config.global.freq, 20);
    ASSERT_EQ(config.profiles.size(), 1u);
    EXPECT_EQ(config.profiles.front().host, "h");
}

TEST(ConfigurationFile, TenThousandItemListRoundTrips) {
    Configuration config;
    Profile profile;
    profile.name = "Flags";
    for (int i = 0; i < 10000; ++i) {
        profile.msgid += (i ? "," : "") + std::to_string(100000000000 + i);
    }
    config.profiles.push_back(profile);
    TempDir dir;
    ASSERT_TRUE(SaveConfiguration(dir / "tarvox.ini", config));
    ScriptedServices services;
    Configuration loaded = LoadFrom(dir / "tarvox.ini", services);
    ASSERT_EQ(loaded.profiles.size(), 1u);
    EXPECT_EQ(loaded.profiles.front().msgid, profile.msgid);
}

// ---- Saving ----

TEST(ConfigurationFile, SavingReplacesTheFileWholeWithOwnerOnlyAccess) {
    TempDir dir;
    fs::path path = dir / "tarvox.ini";
    WriteWholeFile(path, "old content");
    ::chmod(path.c_str(), 0644);
    Configuration config = KnownConfiguration();
    ASSERT_TRUE(SaveConfiguration(path, config));
    EXPECT_EQ(ReadWholeFile(path), FormatConfiguration(config));
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

TEST(ConfigurationFile, SavingCreatesTheMissingSettingsFolder) {
    TempDir dir;
    fs::path path = dir / "config" / "tarvox" / "tarvox.ini";
    Configuration config;
    ASSERT_TRUE(SaveConfiguration(path, config));
    EXPECT_TRUE(fs::is_regular_file(path));
}

TEST(ConfigurationFile, FailedSaveLeavesTheOldFileUntouched) {
    TempDir dir;
    fs::path path = dir / "tarvox.ini";
    WriteWholeFile(path, "{tarvox}\nlast=Kept\n\n");
    Configuration config = KnownConfiguration();

    // A disk that fills up part-way: the file size limit makes the write fail.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old_limit{};
    ::getrlimit(RLIMIT_FSIZE, &old_limit);
    rlimit small = old_limit;
    small.rlim_cur = 100;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    bool saved = SaveConfiguration(path, config);
    ::setrlimit(RLIMIT_FSIZE, &old_limit);

    EXPECT_FALSE(saved);
    EXPECT_EQ(ReadWholeFile(path), "{tarvox}\nlast=Kept\n\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);

    // A target that cannot be replaced (a folder stands there).
    fs::create_directory(dir / "blocked.ini");
    EXPECT_FALSE(SaveConfiguration(dir / "blocked.ini", config));
    EXPECT_TRUE(fs::is_directory(dir / "blocked.ini"));
}

TEST(ConfigurationFile, ValuesWithLineBreaksCannotInjectKeys) {
    Configuration config;
    config.global.last = "x\nmaster=1";
    Profile profile;
    profile.name = "P\nhost=evil";
    profile.user = "bob\r\nhost=evil.example";
    profile.blacklist = "spam\nhost=evil";
    config.profiles.push_back(profile);
    TempDir dir;
    ASSERT_TRUE(SaveConfiguration(dir / "tarvox.ini", config));
    ScriptedServices services;
    bool ok = false;
    Configuration loaded = LoadFrom(dir / "tarvox.ini", services, &ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(loaded.global.master, 0);
    EXPECT_EQ(loaded.global.last, "x");
    ASSERT_EQ(loaded.profiles.size(), 1u);
    EXPECT_EQ(loaded.profiles.front().name, "P");
    EXPECT_EQ(loaded.profiles.front().user, "bob");
    EXPECT_EQ(loaded.profiles.front().host, "");
    EXPECT_EQ(loaded.profiles.front().blacklist, "spam,host=evil");
}

TEST(ConfigurationFile, AcceptedFingerprintIsRecordedAndWrittenAtOnce) {
    TempDir dir;
    Configuration config = KnownConfiguration();
    config.global.master = 1;
    config.master_passphrase = "long passphrase";
    const std::string print = "AB:CD:EF:01:23:45:67:89:AB:CD:EF:01:23:45:67:89:AB:CD:EF:01";
    RecordAcceptedFingerprint(dir / "tarvox.ini", config, config.profiles.front(),
                              &Profile::pop_sslid, print);
    RecordAcceptedFingerprint(dir / "tarvox.ini", config, config.profiles.back(),
                              &Profile::SMTPsslid, print);
    ScriptedServices services;
    services.QueuePromptText("long passphrase");
    bool ok = false;
    Configuration loaded = LoadFrom(dir / "tarvox.ini", services, &ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(loaded.profiles.front().pop_sslid, print);
    EXPECT_EQ(loaded.profiles.back().SMTPsslid, print);
    EXPECT_EQ(loaded.profiles.front().pass, "hello");
}

}  // namespace
}  // namespace tarvox
