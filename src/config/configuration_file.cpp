#include "config/configuration_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "codec/text_format.h"
#include "config/atomic_file.h"
#include "config/comma_list.h"
#include "config/master_passphrase.h"
#include "config/settings_line_reader.h"
#include "config/settings_text.h"
#include "config/stored_password.h"

namespace tarvox {

namespace {

enum class ValueKind { Integer, Code, Text, Password, List, Tuple };

// One key of a section: its text (with the "="), how its value is written and
// scanned, and where it lives in the record. The tables below give the keys
// in the order they are written; reading tries them in the same order.
template <class Record>
struct SettingKey {
    std::string_view key;
    ValueKind kind;
    int Record::*integer = nullptr;
    std::string Record::*text = nullptr;
    std::span<int> (*tuple)(Record&) = nullptr;
    char separator = ',';
    // A tuple counts as read when at least this many values were scanned.
    std::size_t values_needed = 0;
    // An enum field, stored as its integer.
    int (*get_code)(const Record&) = nullptr;
    void (*set_code)(Record&, int) = nullptr;
};

template <class Record>
SettingKey<Record> Int(std::string_view key, int Record::*field) {
    return {key, ValueKind::Integer, field};
}

template <class Record, auto Field, auto FromSetting>
SettingKey<Record> Code(std::string_view key) {
    SettingKey<Record> setting{key, ValueKind::Code};
    setting.get_code = [](const Record& record) { return static_cast<int>(record.*Field); };
    setting.set_code = [](Record& record, int value) { record.*Field = FromSetting(value); };
    return setting;
}

template <class Record>
SettingKey<Record> Text(std::string_view key, std::string Record::*field) {
    return {key, ValueKind::Text, nullptr, field};
}

template <class Record>
SettingKey<Record> Password(std::string_view key, std::string Record::*field) {
    return {key, ValueKind::Password, nullptr, field};
}

template <class Record>
SettingKey<Record> List(std::string_view key, std::string Record::*field) {
    return {key, ValueKind::List, nullptr, field};
}

template <class Record, auto Field>
std::span<int> TupleOf(Record& record) {
    return std::span<int>(record.*Field);
}

template <class Record, auto Field>
SettingKey<Record> Tuple(std::string_view key, char separator, std::size_t values_needed) {
    return {key,       ValueKind::Tuple, nullptr, nullptr, &TupleOf<Record, Field>,
            separator, values_needed};
}

using G = GlobalSettings;
using P = Profile;

const std::vector<SettingKey<G>>& GlobalKeys() {
    static const std::vector<SettingKey<G>> keys = {
        Text("last=", &G::last),
        Text("fqdn=", &G::fqdn),
        Int("master=", &G::master),
        Int("reprompt=", &G::reprompt),
        Text("md5=", &G::md5),
        Text("kdfsalt=", &G::kdfsalt),
        Int("kdfops=", &G::kdfops),
        Int("kdfmem=", &G::kdfmem),
        Int("keyring=", &G::keyring),
        Int("mailman=", &G::mailman),
        Int("freq=", &G::freq),
        Int("repoll=", &G::repoll),
        Int("checkras=", &G::checkras),
        Int("newsound=", &G::newsound),
        Text("newwav=", &G::newwav),
        Text("gpgpath=", &G::gpgpath),
        Text("regfont=", &G::regfont),
        Text("fixfont=", &G::fixfont),
        Int("timeout=", &G::timeout),
        Int("allheaders=", &G::allheaders),
        Int("preview=", &G::preview),
        Int("autoprev=", &G::autoprev),
        Int("enterprev=", &G::enterprev),
        Int("confirmdel=", &G::confirmdel),
        Int("confirmclose=", &G::confirmclose),
        Int("htmlfilt=", &G::htmlfilt),
        Int("viewer_ro=", &G::viewer_ro),
        List("blockext=", &G::blockext),
        Int("mvfixedf=", &G::mvfixedf),
        Int("replyquote=", &G::replyquote),
        Int("quotesel=", &G::quotesel),
        Int("quotemarker=", &G::quotemarker),
        Int("useorigcc=", &G::useorigcc),
        Int("copyself=", &G::copyself),
        Int("autoaddress=", &G::autoaddress),
        Int("gpgfunc=", &G::gpgfunc),
        Int("encryptself=", &G::encryptself),
        Int("useautobcc=", &G::useautobcc),
        Int("textcolor=", &G::textcolor),
        Text("helpurl=", &G::helpurl),
        // Column widths count as read from the first value on; the other
        // tuples only when complete. Values scanned before a mismatch stay set.
        Tuple<G, &G::colwidth>("colwidth=", ',', 1),
        Tuple<G, &G::mmcolwidth>("mmcolwidth=", ',', 3),
        Tuple<G, &G::ibsize>("ibsize=", ',', 9),
        Tuple<G, &G::mvsize>("mvsize=", ',', 9),
        Tuple<G, &G::mmsize>("mmsize=", ',', 9),
        Tuple<G, &G::amsize>("amsize=", ',', 9),
    };
    return keys;
}

const std::vector<SettingKey<P>>& ProfileKeys() {
    static const std::vector<SettingKey<P>> keys = {
        Int("savemail_fmt=", &P::savemail_fmt),
        Int("copyself_fmt=", &P::copyself_fmt),
        Text("savemail_ext=", &P::savemail_ext),
        Text("copyself_ext=", &P::copyself_ext),
        Text("savemail_dir=", &P::savemail_dir),
        Text("copyself_dir=", &P::copyself_dir),
        Int("inpoll=", &P::inpoll),
        Int("autosave=", &P::autosave),
        Text("host=", &P::host),
        Text("pop_sslid=", &P::pop_sslid),
        Text("pop_sslid256=", &P::pop_sslid256),
        Code<P, &P::protopop, &TransportSecurityFromSetting>("protopop="),
        Int("port=", &P::port),
        Int("alive=", &P::alive),
        Int("nop_int=", &P::nop_int),
        Int("autosort=", &P::autosort),
        Text("user=", &P::user),
        Password("pass=", &P::pass),
        Int("keyring=", &P::keyring),
        Int("apop=", &P::apop),
        Int("entermod=", &P::entermod),
        List("blacklist=", &P::blacklist),
        List("antispam=", &P::antispam),
        List("ispnetworks=", &P::ispnetworks),
        List("whitepat=", &P::whitepat),
        List("blackpat=", &P::blackpat),
        List("msgid=", &P::msgid),
        Int("filterbits=", &P::filterbits),
        Code<P, &P::mode, &MailboxModeFromSetting>("mode="),
        Int("parse=", &P::parse),
        Int("use_status=", &P::use_status),
        Int("maximum=", &P::maximum),
        Tuple<P, &P::maildrop>("maildrop=", ' ', 1),
        Text("SMTPserver=", &P::SMTPserver),
        Text("SMTPuser=", &P::SMTPuser),
        Password("SMTPpass=", &P::SMTPpass),
        Text("SMTPsslid=", &P::SMTPsslid),
        Text("SMTPsslid256=", &P::SMTPsslid256),
        Code<P, &P::SMTPproto, &TransportSecurityFromSetting>("SMTPproto="),
        Int("SMTPport=", &P::SMTPport),
        Text("SMTPname=", &P::SMTPname),
        Text("SMTPaddress=", &P::SMTPaddress),
        Text("SMTPreplyto=", &P::SMTPreplyto),
        Text("SMTPautobcc=", &P::SMTPautobcc),
        Text("SMTPsigfile=", &P::SMTPsigfile),
        Int("SMTPauth=", &P::SMTPauth),
        Int("SMTPpopbefore=", &P::SMTPpopbefore),
    };
    return keys;
}

// ---- Writing ----

// What a sealed password is bound to: its profile and its field.
std::string SealingContext(std::string_view profile_name, std::string_view field) {
    return std::string(profile_name) + "\n" + std::string(field);
}

// How a password goes into the file: its field's key ("pass=") and the clear text.
using PasswordEncoder = std::function<std::string(std::string_view key, const std::string& password)>;

template <class Record>
void WriteSection(std::string& out, const std::vector<SettingKey<Record>>& keys,
                  const Record& record, const PasswordEncoder& encode_password) {
    Record& mutable_record = const_cast<Record&>(record);
    for (const SettingKey<Record>& key : keys) {
        switch (key.kind) {
            case ValueKind::Integer:
                out += key.key;
                out += std::to_string(record.*key.integer);
                out += '\n';
                break;
            case ValueKind::Code:
                out += key.key;
                out += std::to_string(key.get_code(record));
                out += '\n';
                break;
            case ValueKind::Text:
                out += key.key;
                out += StoredValue(record.*key.text);
                out += '\n';
                break;
            case ValueKind::Password:
                out += key.key;
                out += encode_password(key.key, record.*key.text);
                out += '\n';
                break;
            case ValueKind::List:
                WriteCommaList(out, key.key, record.*key.text);
                break;
            case ValueKind::Tuple: {
                out += key.key;
                std::span<int> values = key.tuple(mutable_record);
                for (std::size_t i = 0; i < values.size(); ++i) {
                    if (i > 0) {
                        out += key.separator;
                    }
                    out += std::to_string(values[i]);
                }
                out += '\n';
                break;
            }
        }
    }
}

// ---- Reading ----

// Tries the keys in order; the first that matches takes the line. The first
// character rules out nearly every key before a whole comparison.
template <class Record>
void MatchLine(const std::vector<SettingKey<Record>>& keys, Record& record, std::string_view line) {
    if (line.empty()) {
        return;
    }
    for (const SettingKey<Record>& key : keys) {
        if (key.key.front() != line.front() || !line.starts_with(key.key)) {
            continue;
        }
        std::string_view rest = line.substr(key.key.size());
        switch (key.kind) {
            case ValueKind::Integer:
            case ValueKind::Code: {
                int value = 0;
                if (ScanIntegers(rest, ',', std::span<int>(&value, 1)) == 1) {
                    if (key.kind == ValueKind::Code) {
                        key.set_code(record, value);
                    } else {
                        record.*key.integer = value;
                    }
                    return;
                }
                break;
            }
            case ValueKind::Tuple:
                if (ScanIntegers(rest, key.separator, key.tuple(record)) >= key.values_needed) {
                    return;
                }
                break;
            case ValueKind::Text:
            case ValueKind::Password:
                if (rest.size() < kSettingsValueLineLimit) {
                    if (rest.ends_with('\n')) {
                        rest.remove_suffix(1);
                    }
                    if (!rest.empty()) {
                        record.*key.text = ValueText(rest);
                    }
                    return;
                }
                break;
            case ValueKind::List:
                if (ReadCommaListLine(record.*key.text, key.key, line)) {
                    return;
                }
                break;
        }
    }
}

// A profile section ends at its empty line: the passwords are decoded and the
// profile joins the list.
bool CloseProfile(Profile& working, Configuration& config, FrontendServices& services) {
    ProfileKey key{};
    const ProfileKey* password_key = nullptr;
    if (config.global.master == 1) {
        if (config.master_passphrase.empty()) {
            services.ShowMessage(kNoPassphraseText, "", BoxIcon::Error);
            return false;
        }
        key = ComputeProfileKey(working, config.master_passphrase);
        password_key = &key;
    }
    for (auto [field, name] : {std::pair{&Profile::pass, "pass="}, {&Profile::SMTPpass, "SMTPpass="}}) {
        std::string& stored = working.*field;
        if (stored.empty()) {
            continue;  // none, or kept in the desktop keyring
        }
        if (IsSealedPassword(stored)) {
            // A sealed password that does not open (changed, moved, or the
            // file has no strong key) is dropped: it is asked for when needed.
            std::optional<std::string> opened;
            if (config.sealing_key) {
                opened = OpenStoredPassword(stored, *config.sealing_key,
                                            SealingContext(working.name, name));
            }
            stored = opened.value_or("");
        } else {
            stored = DecodeStoredPassword(stored, password_key);
        }
    }
    AppendProfile(config.profiles, working);
    return true;
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

bool ReadConfiguration(SettingsLineReader& reader, Configuration& config,
                       FrontendServices& services) {
    bool in_global = false;
    bool in_profile = false;
    bool passphrase_checked = false;
    // The lock is checked once, where the global section ends: at its empty
    // line or, in a file cut short there, at the end of the file.
    const auto check_passphrase = [&] {
        if (!in_global || config.global.master != 1 || passphrase_checked) {
            return true;
        }
        passphrase_checked = true;
        if (!CheckPassphraseAtStartup(services, config.global, config.master_passphrase,
                                      config.sealing_key)) {
            return false;
        }
        config.sealing_passphrase = config.master_passphrase;
        return true;
    };
    Profile working;
    std::string line;
    while (reader.Next(line)) {
        if (line.empty()) {
            continue;  // a piece that starts with NUL matches nothing
        }
        switch (line[0]) {
            case '[':
                // A profile still open here was never closed and is dropped.
                in_profile = true;
                in_global = false;
                ResetProfile(working);
                ReadSectionName(line, working.name);
                break;
            case '{':
                in_global = true;
                in_profile = false;
                break;
            case '\n':
                if (in_profile) {
                    in_profile = false;
                    if (!CloseProfile(working, config, services)) {
                        return false;
                    }
                } else if (!check_passphrase()) {
                    return false;
                }
                break;
            default:
                if (in_profile) {
                    MatchLine(ProfileKeys(), working, line);
                } else if (in_global) {
                    MatchLine(GlobalKeys(), config.global, line);
                }
                break;
        }
    }
    if (!check_passphrase()) {
        return false;
    }
    // A profile cut off by a read error is left out; one that merely reaches
    // the end of the file without its empty line is complete and kept.
    if (in_profile && reader.read_error() == 0) {
        return CloseProfile(working, config, services);
    }
    return true;
}

void ReportUnreadable(const std::filesystem::path& path, const char* reason, Configuration& config,
                      FrontendServices& services) {
    config.file_unreadable = true;
    services.ShowMessage(TextFormat(kUnreadableSettingsFormat, path.c_str(), reason), "Warning",
                         BoxIcon::Warning);
}

// Opens the file for stdio reading. Only a missing file is left unreported;
// a FIFO or device is refused without waiting for a writer.
std::FILE* OpenSettingsFile(const std::filesystem::path& path, Configuration& config,
                            FrontendServices& services) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        if (errno != ENOENT) {
            ReportUnreadable(path, std::strerror(errno), config, services);
        }
        return nullptr;
    }
    struct stat info {};
    const char* refusal = nullptr;
    if (::fstat(fd, &info) != 0) {
        refusal = std::strerror(errno);
    } else if (S_ISDIR(info.st_mode)) {
        refusal = std::strerror(EISDIR);
    } else if (!S_ISREG(info.st_mode)) {
        refusal = "not a regular file";
    }
    std::FILE* file = nullptr;
    if (refusal == nullptr && ::fcntl(fd, F_SETFL, 0) == 0) {
        file = ::fdopen(fd, "rb");
    }
    if (file == nullptr) {
        ReportUnreadable(path, refusal != nullptr ? refusal : std::strerror(errno), config,
                         services);
        ::close(fd);
    }
    return file;
}

}  // namespace

bool LoadConfiguration(const std::filesystem::path& path, Configuration& config,
                       FrontendServices& services) {
    std::unique_ptr<std::FILE, FileCloser> file(OpenSettingsFile(path, config, services));
    if (!file) {
        return true;
    }
    SettingsLineReader reader(file.get());
    if (!ReadConfiguration(reader, config, services)) {
        return false;
    }
    if (reader.read_error() != 0) {
        ReportUnreadable(path, std::strerror(reader.read_error()), config, services);
    }
    return true;
}

bool LoadConfigurationText(std::string_view text, Configuration& config,
                           FrontendServices& services) {
    SettingsLineReader reader(text);
    return ReadConfiguration(reader, config, services);
}

// With the lock on, the strong key of the current passphrase, made (with a
// new salt) when there is none yet: a file read in an older form is upgraded
// by its first save. Null when the lock is off, or when the derivation fails
// (then the older form is written, which still protects the file).
const SealingKey* StrongKey(Configuration& config) {
    GlobalSettings& g = config.global;
    if (g.master != 1) {
        g.kdfsalt.clear();
        g.kdfops = g.kdfmem = 0;
        return nullptr;
    }
    if (!config.sealing_key || config.sealing_passphrase != config.master_passphrase) {
        const PassphraseKdf kdf = NewPassphraseKdf();
        config.sealing_key = SealingKey::Derive(config.master_passphrase, kdf);
        config.sealing_passphrase = config.master_passphrase;
        g.kdfsalt = config.sealing_key ? kdf.salt : std::string();
        g.kdfops = config.sealing_key ? static_cast<int>(kdf.ops) : 0;
        g.kdfmem = config.sealing_key ? static_cast<int>(kdf.memory) : 0;
    }
    return config.sealing_key ? &*config.sealing_key : nullptr;
}

std::string FormatConfiguration(Configuration& config) {
    const bool locked = config.global.master == 1;
    const SealingKey* strong = StrongKey(config);
    config.global.md5 = strong != nullptr ? strong->Verifier(VerifiedSettingsText(config.global))
                        : locked          ? ComputeVerifier(config.global, config.master_passphrase)
                                          : std::string();

    std::string out = "{tarvox}\n";
    WriteSection(out, GlobalKeys(), config.global, PasswordEncoder());
    out += '\n';
    for (const Profile& profile : config.profiles) {
        ProfileKey key{};
        if (locked && strong == nullptr) {
            key = ComputeProfileKey(profile, config.master_passphrase);
        }
        const PasswordEncoder encode = [&](std::string_view name, const std::string& password) {
            if (profile.keyring == 1) {
                return std::string();  // the desktop keyring holds it
            }
            if (strong != nullptr) {
                return SealStoredPassword(password, *strong, SealingContext(profile.name, name));
            }
            return EncodeStoredPassword(password, locked ? &key : nullptr);
        };
        out += SectionLine(profile.name);
        WriteSection(out, ProfileKeys(), profile, encode);
        out += '\n';
    }
    return out;
}

bool SaveConfiguration(const std::filesystem::path& path, Configuration& config) {
    if (config.file_unreadable) {
        return false;
    }
    return WriteFileAtomically(path, FormatConfiguration(config));
}

void RecordAcceptedFingerprint(Profile& stored, CertificateField field,
                               const CertificateFingerprints& fingerprints) {
    const bool pop3 = field == CertificateField::Pop3;
    (pop3 ? stored.pop_sslid : stored.SMTPsslid) = fingerprints.sha1;
    (pop3 ? stored.pop_sslid256 : stored.SMTPsslid256) = fingerprints.sha256;
}

}  // namespace tarvox
