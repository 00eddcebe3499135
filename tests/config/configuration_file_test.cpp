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
const fs::path kKnownFile = fs::path(TARVOX_TEST_DATA_DIR) / "config" / "known.ini";

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
    work.protopop = TransportSecurity::SslDirect;
    work.port = 995;
    work.mode = MailboxMode::Partial;
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

// Saves and loads again, answering the passphrase prompt when the lock is on.
Configuration RoundTrip(Configuration& config) {
    TempDir dir;
    EXPECT_TRUE(SaveConfiguration(dir / "tarvox.ini", config));
    ScriptedServices services;
    if (config.global.master == 1) {
        services.QueuePromptText(config.master_passphrase);
    }
    bool ok = false;
    Configuration loaded = LoadFrom(dir / "tarvox.ini", services, &ok);
    EXPECT_TRUE(ok);
    services.ExpectScriptUsedUp();
    return loaded;
}

TEST(ConfigurationFile, KnownConfigurationAndTheGoldenFileMatchBothWays) {
    Configuration config = KnownConfiguration();
    EXPECT_EQ(FormatConfiguration(config), ReadWholeFile(kKnownFile));
    ScriptedServices services;
    bool ok = false;
    Configuration loaded = LoadFrom(kKnownFile, services, &ok);
    ASSERT_TRUE(ok);
    config.profiles.back().name = "Work";  // a section name is cut at the first "]"
    EXPECT_EQ(loaded.global, config.global);
    EXPECT_EQ(loaded.profiles, config.profiles);
}

// Random values of every field: printable ISO-8859-1 text without line breaks,
// lists of items without commas or blanks at their ends, passwords of any byte.
class RandomSettings {
public:
    explicit RandomSettings(unsigned seed) : m_random(seed) {}
    int Integer() { return static_cast<int>(m_random()); }
    std::string Text(std::size_t max_length, std::string_view avoid = "", bool empty = true) {
        std::size_t length = m_random() % (max_length + 1);
        std::string text;
        while (text.size() < length || (!empty && text.empty())) {
            char c = static_cast<char>(32 + m_random() % 224);
            if (c != 127 && avoid.find(c) == std::string_view::npos) {
                text.push_back(c);
            }
        }
        return text;
    }
    CommaList List(std::size_t max_items) {
        std::size_t items = m_random() % (max_items + 1);
        CommaList list;
        for (std::size_t i = 0; i < items; ++i) {
            list += (i ? "," : "") + ("x" + Text(40, ",") + "x");
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
    for (int* v : {&g.reprompt, &g.mailman, &g.freq, &g.repoll, &g.checkras, &g.newsound,
                   &g.timeout, &g.allheaders, &g.preview, &g.autoprev, &g.enterprev,
                   &g.confirmdel, &g.confirmclose, &g.htmlfilt, &g.viewer_ro, &g.mvfixedf,
                   &g.replyquote, &g.quotesel, &g.quotemarker, &g.useorigcc, &g.copyself,
                   &g.autoaddress, &g.gpgfunc, &g.encryptself, &g.useautobcc, &g.textcolor}) {
        *v = r.Integer();
    }
    for (std::string* s : {&g.newwav, &g.gpgpath, &g.regfont, &g.fixfont}) {
        *s = r.Text(300);
    }
    g.last = r.Text(510);
    g.fqdn = r.Text(100);
    g.master = master;
    g.blockext = r.List(60);
    r.Fill(g.colwidth);
    r.Fill(g.mmcolwidth);
    for (WindowPlacement* w : {&g.ibsize, &g.mvsize, &g.mmsize, &g.amsize}) {
        r.Fill(*w);
    }
    return g;
}

Profile RandomProfile(RandomSettings& r, std::size_t password_length) {
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
    p.name = r.Text(200, "]", false);
    p.msgid = r.List(300);
    // An empty extension reads back as the default ".tvx".
    p.savemail_ext = r.Text(10, "", false);
    p.copyself_ext = r.Text(10, "", false);
    p.savemail_dir = r.Text(510);
    p.copyself_dir = r.Text(510);
    p.pop_sslid = r.Text(59);
    p.SMTPsslid = r.Text(59);
    p.pass = r.Password(password_length);
    p.SMTPpass = r.Password(255 - password_length);
    r.Fill(p.maildrop);
    return p;
}

TEST(ConfigurationFile, RandomSettingsRoundTripWithAndWithoutTheLock) {
    for (int master : {0, 1}) {
        for (unsigned seed = 1; seed <= 10; ++seed) {
            SCOPED_TRACE(testing::Message() << "seed " << seed << " master " << master);
            RandomSettings random(seed * 7919 + static_cast<unsigned>(master));
            Configuration config;
            config.global = RandomGlobals(random, master);
            config.master_passphrase = master ? random.Text(60, "", false) : "";
            for (std::size_t length : {0, 5, 16, 17, 255}) {
                config.profiles.push_back(RandomProfile(random, length));
            }
            Configuration loaded = RoundTrip(config);
            EXPECT_EQ(loaded.global, config.global);
            EXPECT_EQ(loaded.profiles, config.profiles);
            EXPECT_EQ(loaded.master_passphrase, config.master_passphrase);
        }
    }
}

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
        SCOPED_TRACE(testing::Message() << c.length << (c.locked ? " locked" : ""));
        Configuration config;
        config.global.master = c.locked ? 1 : 0;
        config.master_passphrase = c.locked ? "sesame seed" : "";
        Profile profile;
        profile.pass = std::string(c.length, 'p');
        config.profiles.push_back(profile);
        std::string text = FormatConfiguration(config);
        std::string stored = LineOf(text, "pass=");
        EXPECT_EQ(stored.size(), c.letters);
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
    Configuration loaded = RoundTrip(config);
    ASSERT_EQ(loaded.profiles.size(), 1u);
    EXPECT_EQ(loaded.profiles.front().antispam, "friend.example,boss.example");
    EXPECT_EQ(loaded.profiles.front().pass, "abc");

    config.global.master = 0;
    config.profiles.front().pass = "hello";
    EXPECT_EQ(LineOf(FormatConfiguration(config), "pass="), "GNGLHDHEHI");
}

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
        SCOPED_TRACE(c.what);
        ScriptedServices services;
        bool ok = false;
        Configuration config = LoadText(c.text, services, &ok);
        EXPECT_TRUE(ok);
        std::vector<std::string> names;
        for (const Profile& p : config.profiles) {
            names.push_back(p.name);
        }
        EXPECT_EQ(names, c.profile_names);
        EXPECT_EQ(config.global, GlobalSettings{});
    }
}

TEST(ConfigurationFile, ValuesThatDoNotScanKeepTheirOldValue) {
    const std::string text = "{tarvox}\nfreq=abc\ntimeout= 90\npreview=-7junk\nlast=\n"
                             "fqdn=" + std::string(511, 'f') + "\n"
                             "gpgpath=" + std::string(510, 'g') + "\n"
                             "ibsize=1,2,3\nmvsize=1,2,3,4,5,6,7,8,9,10\n"
                             "amsize=4,x,6,7,8,9,10,11,12\nmmcolwidth=5,6\ncolwidth=7,8\n"
                             "Freq=3\nconfirmdel =0\nhost=global.example\n\n"
                             "[P]\nport=\nSMTPport=2147483648\nmaildrop=5,6\nsavemail_ext=\n"
                             "copyself_ext=.eml\nfreq=1\n\n";
    ScriptedServices services;
    Configuration config = LoadText(text, services);
    const GlobalSettings& g = config.global;
    EXPECT_EQ(g.freq, 15);
    EXPECT_EQ(g.timeout, 90);
    EXPECT_EQ(g.preview, -7);
    EXPECT_EQ(g.fqdn, "");                        // 511 characters + newline do not fit
    EXPECT_EQ(g.gpgpath, std::string(510, 'g'));  // 510 do
    EXPECT_EQ(g.ibsize, (WindowPlacement{1, 2, 3, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(g.mvsize, (WindowPlacement{1, 2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(g.amsize, (WindowPlacement{4, 0, 0, 0, 0, 0, 0, 0, 0}));  // damaged tuple
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
        "{tarvox}\r\nlast=Old\r\nunknown_key=1\r\n; a comment\r\nblockext=.EXE,.COM,  \r\n"
        "blockext=.BAT,\r\n\r\n[Old]\r\nhost=pop.old.example\r\npass=GNGLHDHEHI\r\nmailman=1\r\n"
        "whitepat=YQ==,\r\nfrobnicate=yes\r\n\r\n[Unfinished]\r\nhost=never.example\r\n";
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
        SCOPED_TRACE(path);
        ScriptedServices services;
        bool ok = false;
        Configuration config = LoadFrom(path, services, &ok);
        EXPECT_TRUE(ok);
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
    struct Case {
        const char* what;
        bool cancel;
        std::string answer;
        std::string edit_from, edit_to;  // a hand edit of the file before loading
        bool wrong;                      // the "incorrect passphrase" box, else "no passphrase"
    };
    const Case cases[] = {
        {"wrong passphrase", false, "wrong horse", "", "", true},
        {"passphrase differs in case", false, "Correct Horse", "", "", true},
        {"cancelled prompt", true, "", "", "", false},
        {"freq edited by hand", false, std::string(kPassphrase), "freq=30", "freq=31", true},
        // No empty line before the first profile: its passwords come before the lock check.
        {"no empty line before the first profile", false, "", "\n\n[Home]", "\n[Home]", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Configuration config = KnownConfiguration();
        config.global.master = 1;
        config.master_passphrase = kPassphrase;
        TempDir dir;
        const fs::path path = dir / "tarvox.ini";
        std::string text = FormatConfiguration(config);
        if (!c.edit_from.empty()) {
            std::size_t at = text.find(c.edit_from);
            ASSERT_NE(at, std::string::npos);
            text.replace(at, c.edit_from.size(), c.edit_to);
        }
        WriteWholeFile(path, text);
        ScriptedServices services;
        if (c.cancel) {
            services.QueuePromptCancel();
        } else if (!c.answer.empty()) {
            services.QueuePromptText(c.answer);
        }
        bool ok = true;
        LoadFrom(path, services, &ok);
        EXPECT_FALSE(ok);
        std::vector<MessageBoxRequest> boxes = services.Boxes();
        if (c.cancel) {
            EXPECT_TRUE(boxes.empty());
        } else {
            ASSERT_EQ(boxes.size(), 1u);
            EXPECT_EQ(boxes[0].text, c.wrong ? kIncorrectPassphraseText : kNoPassphraseText);
            EXPECT_EQ(boxes[0].caption, c.wrong ? kIncorrectPassphraseCaption : "");
            EXPECT_EQ(boxes[0].icon, BoxIcon::Error);
        }
        EXPECT_EQ(ReadWholeFile(path), text);
    }
}

TEST(ConfigurationFile, RightPassphraseIsAskedForOnceHidden) {
    Configuration config = KnownConfiguration();
    config.global.master = 1;
    config.master_passphrase = kPassphrase;
    TempDir dir;
    ASSERT_TRUE(SaveConfiguration(dir / "tarvox.ini", config));
    ScriptedServices services;
    services.QueuePromptText(kPassphrase);
    bool ok = false;
    Configuration loaded = LoadFrom(dir / "tarvox.ini", services, &ok);
    ASSERT_TRUE(ok);
    ASSERT_EQ(services.Prompts().size(), 1u);
    const TextPromptRequest prompt = services.Prompts()[0];
    EXPECT_EQ(prompt.title, kPassphrasePromptTitle);
    EXPECT_EQ(prompt.prompt, kPassphrasePromptText);
    EXPECT_TRUE(prompt.password_mode);
    EXPECT_EQ(loaded.profiles.front().pass, "hello");
}

TEST(ConfigurationFile, DamagedFilesNeitherCrashNorLoseDefaults) {
    std::mt19937 random(42);
    std::string noise(200000, '\0');
    for (char& c : noise) {
        c = static_cast<char>(random());
    }
    const std::string known = ReadWholeFile(kKnownFile);
    const std::string cut_in_line = known.substr(0, known.find("colwidth=") + 12);
    static constexpr char kWithNul[] = "{tarvox}\nfreq=\0" "9\nlast=a\0b\n\n[A\0]\n\n";
    const std::pair<const char*, std::string> cases[] = {
        {"random bytes", noise},
        {"random bytes after the header", "{tarvox}\n" + noise},
        {"truncated inside a profile", known.substr(0, known.size() * 2 / 3)},
        {"truncated inside a line", cut_in_line},
        {"NUL bytes", std::string(kWithNul, sizeof kWithNul - 1)},
    };
    for (const auto& [what, text] : cases) {
        ScriptedServices services;
        bool ok = false;
        Configuration config = LoadText(text, services, &ok);
        // Random bytes may happen to switch the lock on; then the load ends.
        EXPECT_TRUE(ok || config.global.master == 1) << what;
    }
    ScriptedServices services;
    EXPECT_EQ(LoadText(cut_in_line, services).global.colwidth,
              (std::array<int, 5>{200, 120, 120, 60, 140}));
}

TEST(ConfigurationFile, HugeLinesAndListsAreHandled) {
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
    Configuration config = LoadFrom(dir / "tarvox.ini", services);
    // A 100 MB line is read in pieces; only the first starts with the key.
    EXPECT_EQ(config.global.blockext.size(), kSettingsLinePieceLimit - std::string("blockext=").size());
    EXPECT_EQ(config.global.freq, 20);
    ASSERT_EQ(config.profiles.size(), 1u);
    EXPECT_EQ(config.profiles.front().host, "h");

    Configuration flags;
    flags.profiles.emplace_back();
    for (int i = 0; i < 10000; ++i) {
        flags.profiles.front().msgid += (i ? "," : "") + std::to_string(100000000000 + i);
    }
    EXPECT_EQ(RoundTrip(flags).profiles, flags.profiles);
}

TEST(ConfigurationFile, SavingReplacesTheFileWholeWithOwnerOnlyAccessOrNotAtAll) {
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

    // A disk that fills up part-way: the file size limit makes the write fail.
    WriteWholeFile(path, "{tarvox}\nlast=Kept\n\n");
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old_limit{};
    ::getrlimit(RLIMIT_FSIZE, &old_limit);
    rlimit small = old_limit;
    small.rlim_cur = 100;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    bool saved = SaveConfiguration(path, config);
    ::setrlimit(RLIMIT_FSIZE, &old_limit);
    std::signal(SIGXFSZ, SIG_DFL);
    EXPECT_FALSE(saved);
    EXPECT_EQ(ReadWholeFile(path), "{tarvox}\nlast=Kept\n\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);

    // A target that cannot be replaced (a folder stands there).
    fs::create_directory(dir / "blocked.ini");
    EXPECT_FALSE(SaveConfiguration(dir / "blocked.ini", config));
    EXPECT_TRUE(fs::is_directory(dir / "blocked.ini"));
    // A missing settings folder is made.
    EXPECT_TRUE(SaveConfiguration(dir / "config" / "tarvox" / "tarvox.ini", config));
    EXPECT_TRUE(fs::is_regular_file(dir / "config" / "tarvox" / "tarvox.ini"));
}

TEST(ConfigurationFile, ValuesWithLineBreaksCannotInjectKeys) {
    Configuration config;
    config.global.last = "x\nmaster=1";
    Profile profile;
    profile.name = "P\nhost=evil";
    profile.user = "bob\r\nhost=evil.example";
    profile.blacklist = "spam\nhost=evil";
    config.profiles.push_back(profile);
    Configuration loaded = RoundTrip(config);
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
