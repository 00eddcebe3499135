#include "cli/settings_commands.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "cli/command_profile.h"
#include "config/configuration_file.h"
#include "config/data_paths.h"
#include "frontend/console_services.h"
#include "frontend/fixed_answer_services.h"

namespace tarvox {

namespace {

namespace fs = std::filesystem;

void Print(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
}

const char* ConnectionName(TransportSecurity security, bool smtp) {
    switch (security) {
        case TransportSecurity::Cleartext:
            return "cleartext";
        case TransportSecurity::SslDirect:
            return "TLS";
        case TransportSecurity::StartTls:
            return smtp ? "STARTTLS" : "STLS";
        default:
            return "unknown connection type";
    }
}

void PrintProfiles(const ProfileList& profiles) {
    if (profiles.empty()) {
        Print("(no profiles)\n");
    }
    for (const Profile& p : profiles) {
        std::string text = p.name + "\n";
        text += "  POP3  " + p.host + ":" + std::to_string(p.port) + ", " +
                ConnectionName(p.protopop, false) + ", user " +
                (p.user.empty() ? "(asked)" : p.user) + ", password " +
                (p.pass.empty() ? "asked" : "stored") + "\n";
        text += "  SMTP  " + p.SMTPserver + ":" + std::to_string(p.SMTPport) + ", " +
                ConnectionName(p.SMTPproto, true) + ", sender " + p.SMTPname + " <" +
                p.SMTPaddress + ">\n";
        Print(text);
    }
}

Configuration DemoConfiguration() {
    Configuration config;
    config.global.last = "Demo";
    config.global.master = 1;
    config.master_passphrase = "demo passphrase";
    Profile demo;
    demo.name = "Demo";
    demo.host = "127.0.0.1";
    demo.port = 11110;
    demo.user = "demo";
    demo.pass = "demo password";
    demo.antispam = "friend@example.org,colleague@example.org";
    demo.SMTPserver = "127.0.0.1";
    demo.SMTPport = 11025;
    demo.SMTPname = "Demo User";
    demo.SMTPaddress = "demo@example.org";
    config.profiles.push_back(demo);
    return config;
}

}  // namespace

int RunProfilesCommand(std::span<const std::string_view> args) {
    fs::path settings_file = DefaultSettingsFile();
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--settings" && i + 1 < args.size()) {
            settings_file = fs::path(std::string(args[++i]));
        } else {
            std::fprintf(stderr, "usage: tarvox-cli profiles [--settings FILE]\n");
            return 2;
        }
    }
    Configuration config;
    ConsoleServices services;
    if (!LoadConfiguration(settings_file, config, services)) {
        return 1;
    }
    PrintProfiles(config.profiles);
    return 0;
}

int RunDemoSettingsCommand(std::span<const std::string_view> args) {
    constexpr const char* kUsage =
        "usage: tarvox-cli demo-settings FILE --pop3-port N --smtp-port N\n";
    std::optional<std::string> file;
    std::optional<int> pop3_port;
    std::optional<int> smtp_port;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--pop3-port" && i + 1 < args.size()) {
            pop3_port = ParsePortArgument(args[++i]);
        } else if (args[i] == "--smtp-port" && i + 1 < args.size()) {
            smtp_port = ParsePortArgument(args[++i]);
        } else if (!args[i].starts_with("--") && !file) {
            file = std::string(args[i]);
        } else {
            file.reset();
            break;
        }
    }
    if (!file || !pop3_port || !smtp_port) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    std::error_code error;
    if (fs::exists(*file, error)) {
        std::fprintf(stderr, "tarvox-cli: %s exists already; it is left as it is\n", file->c_str());
        return 1;
    }
    Configuration config;
    config.global.last = "Demo";
    // Mailman in the tray, looking every minute: mail sent to anyone through
    // the demo's SMTP server lands in this mailbox and shows up there.
    config.global.mailman = 1;
    config.global.freq = 1;
    Profile demo;
    demo.name = "Demo";
    demo.host = "127.0.0.1";
    demo.port = *pop3_port;
    demo.user = "alice";
    demo.pass = "wonderland";
    demo.SMTPserver = "127.0.0.1";
    demo.SMTPport = *smtp_port;
    demo.SMTPname = "Alice Demo";
    demo.SMTPaddress = "alice@example.test";
    config.profiles.push_back(demo);
    if (!SaveConfiguration(*file, config)) {
        std::fprintf(stderr, "tarvox-cli: cannot write %s\n", file->c_str());
        return 1;
    }
    return 0;
}

int RunSelfCheckCommand(std::span<const std::string_view> args) {
    if (!args.empty()) {
        std::fprintf(stderr, "usage: tarvox-cli self-check\n");
        return 2;
    }
    std::string folder = (fs::temp_directory_path() / "tarvox-self-check-XXXXXX").string();
    if (::mkdtemp(folder.data()) == nullptr) {
        std::perror("tarvox-cli: cannot make a temporary folder");
        return 1;
    }
    fs::path settings_file = fs::path(folder) / kSettingsFileName;
    Configuration written = DemoConfiguration();
    bool saved = SaveConfiguration(settings_file, written);

    Configuration read;
    FixedAnswerServices services(written.master_passphrase);
    bool loaded = saved && LoadConfiguration(settings_file, read, services);
    std::error_code error;
    fs::remove_all(folder, error);

    bool same = loaded && read.global == written.global && read.profiles == written.profiles;
    if (!saved || !loaded || !same || services.boxes() != 0 || services.prompts() != 1) {
        std::fprintf(stderr, "tarvox self-check FAILED: settings %s\n",
                     !saved    ? "could not be written"
                     : !loaded ? "could not be read back"
                               : "did not read back the same");
        return 1;
    }
    Print("Locked settings file written, unlocked and read back:\n");
    PrintProfiles(read.profiles);
    Print("tarvox self-check passed\n");
    return 0;
}

}  // namespace tarvox
