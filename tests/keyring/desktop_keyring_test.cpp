// The desktop keyring for real: GNOME Keyring on a private session bus, made
// for the test with a throw-away home, and tarvox-cli reading a profile's
// password from it to poll a real Dovecot.
#include "keyring/desktop_keyring.h"

#include <gtest/gtest.h>

#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "cli/cli_runner.h"
#include "config/configuration_file.h"
#include "config/keyring_passwords.h"
#include "support/dovecot_server.h"
#include "support/temp_dir.h"

namespace tarvox {
namespace {

// Runs a shell command and gives its standard output.
std::string Output(const std::string& command) {
    std::string out;
    if (std::FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[512];
        while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
            out += buffer;
        }
        ::pclose(pipe);
    }
    return out;
}

// A session bus of its own with an unlocked GNOME Keyring on it, for this
// process and the programs it starts.
class PrivateKeyring {
public:
    PrivateKeyring() {
        const std::string started =
            Output("dbus-daemon --session --fork --print-address=1 --print-pid=1");
        const std::size_t end = started.find('\n');
        if (end == std::string::npos) {
            return;
        }
        m_bus_pid = std::atoi(started.c_str() + end + 1);
        ::setenv("DBUS_SESSION_BUS_ADDRESS", started.substr(0, end).c_str(), 1);
        const std::string home = m_home.path().string();
        std::system(("mkdir -m 700 " + home + "/run && cd " + home +
                     " && printf unlock | env HOME=" + home + " XDG_DATA_HOME=" + home +
                     " XDG_RUNTIME_DIR=" + home +
                     "/run gnome-keyring-daemon --unlock --components=secrets --daemonize"
                     " >/dev/null")
                        .c_str());
        // The keyring answers once it owns the Secret Service's name.
        for (int tries = 0; tries < 100 && !m_ready; ++tries) {
            m_ready = Output("dbus-send --session --print-reply --dest=org.freedesktop.DBus / "
                             "org.freedesktop.DBus.NameHasOwner "
                             "string:org.freedesktop.secrets")
                          .find("boolean true") != std::string::npos;
            if (!m_ready) {
                ::usleep(100000);
            }
        }
    }
    ~PrivateKeyring() {
        if (m_bus_pid > 0) {
            ::kill(m_bus_pid, SIGTERM);  // the keyring daemon ends with its bus
        }
        ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
    }
    bool ready() const { return m_ready; }

private:
    TempDir m_home;
    int m_bus_pid = 0;
    bool m_ready = false;
};

TEST(DesktopKeyring, SecretsGoInComeOutAndGo) {
    PrivateKeyring private_keyring;
    ASSERT_TRUE(private_keyring.ready());
    DesktopKeyring keyring;
    const std::string name = "Home: POP3 ann@pop.example.org";
    EXPECT_EQ(keyring.Read(name).status, KeyringStatus::NotFound);
    EXPECT_EQ(keyring.Write(name, "pässword").status, KeyringStatus::Done);
    const KeyringReply read = keyring.Read(name);
    EXPECT_EQ(read.status, KeyringStatus::Done);
    EXPECT_EQ(read.text, "pässword");
    EXPECT_EQ(keyring.Remove(name).status, KeyringStatus::Done);
    EXPECT_EQ(keyring.Read(name).status, KeyringStatus::NotFound);

    // tarvox-cli takes a marked profile's password from the keyring.
    DovecotServer& dovecot = SharedDovecot();
    ASSERT_TRUE(dovecot.ResetMailbox(1)) << dovecot.error();
    Configuration config;
    config.profiles.push_back({.name = "Alice", .host = "127.0.0.1", .port = dovecot.plain_port(),
                               .user = "alice", .keyring = 1});
    ASSERT_EQ(keyring.Write(KeyringEntryName(config.profiles.front(), PasswordField::Pop3),
                            dovecot.password("alice"))
                  .status,
              KeyringStatus::Done);
    TempDir folder;
    const std::string settings = (folder / "tarvox.ini").string();
    ASSERT_TRUE(SaveConfiguration(settings, config));
    const CliResult polled = RunCli({"poll", "Alice", "--settings", settings});
    EXPECT_EQ(polled.out.rfind("Alice\t1\t", 0), 0U) << polled.out << polled.err;
}

TEST(DesktopKeyring, WithoutAKeyringServiceTheCliSaysSo) {
    ::setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/bus", 1);
    TempDir folder;
    Configuration config;
    config.profiles.push_back({.name = "Alice", .host = "127.0.0.1", .port = 1, .user = "alice",
                               .keyring = 1});
    const std::string settings = (folder / "tarvox.ini").string();
    ASSERT_TRUE(SaveConfiguration(settings, config));
    const CliResult polled = RunCli({"poll", "Alice", "--settings", settings, "--timeout", "5"});
    ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
    EXPECT_NE(polled.err.find("The desktop keyring cannot be used"), std::string::npos)
        << polled.err;
    EXPECT_NE(polled.err.find("named profile has no host, user name or stored password"),
              std::string::npos);
}

}  // namespace
}  // namespace tarvox
