// tarvox-cli list against a real Dovecot, run as the built program.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/cli_runner.h"
#include "config/configuration_file.h"
#include "support/dovecot_server.h"
#include "support/scripted_server.h"
#include "support/temp_dir.h"

namespace tarvox {
namespace {

constexpr const char* kPassphrase = "correct horse";

class CliList : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dovecot.ResetMailbox(5)) << m_dovecot.error(); }

    // A locked settings file with the profile "Alice" (no stored password)
    // and "Bob" (password stored), both on the cleartext port.
    std::string WriteSettings() {
        Configuration config;
        config.global.master = 1;
        config.master_passphrase = kPassphrase;
        Profile alice;
        alice.name = "Alice";
        alice.host = "127.0.0.1";
        alice.port = m_dovecot.plain_port();
        alice.user = "alice";
        alice.mode = MailboxMode::Purge;  // a listing must still delete nothing
        config.profiles.push_back(alice);
        Profile bob = alice;
        bob.name = "Bob";
        bob.user = "bob";
        bob.pass = m_dovecot.password("bob");
        bob.mode = MailboxMode::Full;
        config.profiles.push_back(bob);
        const std::string path = (m_folder / "tarvox.ini").string();
        EXPECT_TRUE(SaveConfiguration(path, config));
        return path;
    }

    DovecotServer& m_dovecot = SharedDovecot();
    TempDir m_folder;
};

TEST_F(CliList, ExitStatusAndOutput) {
    const std::string settings = WriteSettings();
    const std::string unlock = std::string(kPassphrase) + "\n";
    const std::string password = m_dovecot.password("alice") + "\n";
    const std::string tls = std::to_string(m_dovecot.tls_port());
    const std::string plain = std::to_string(m_dovecot.plain_port());
    const std::string print = m_dovecot.fingerprint();
    ScriptedServer silent({script::ExpectClosed()});
    const auto host = [](std::vector<std::string> extra) {
        std::vector<std::string> args = {"list", "--host", "127.0.0.1", "--user", "alice"};
        args.insert(args.end(), extra.begin(), extra.end());
        return args;
    };
    const CliCase cases[] = {
        // UTF-8 with LF for the terminal; the prompts and status texts on standard error.
        {{"list", "alice", "--settings", settings},
         unlock + password,
         0,
         "\tSubject:\tCaf\xC3\xA9 quoted-printable sample 3\n",
         "Enter password (this will not be stored in profile)"},
        // --bytes prints the program's own text: ISO-8859-1 with CR LF.
        {{"list", "Alice", "--settings", settings, "--bytes"},
         unlock + password,
         0,
         "\tSubject:\tCaf\xE9 quoted-printable sample 3\r\n",
         "Loaded 5 message(s) occupying"},
        {{"list", "Bob", "--settings", settings},
         unlock,
         0,
         "bob on host 127.0.0.1\nMailbox contains 0 message(s) occupying 0.0 KB\n",
         ""},
        // A certificate is trusted only by the fingerprint given.
        {host({"--tls", "--port", tls, "--fingerprint", print}), password, 0, "Message: 5\n", ""},
        {host({"--stls", "--port", plain, "--fingerprint", print}), password, 0, "Message: 5\n",
         "SSL active. Logging in . . ."},
        {host({"--tls", "--port", tls}), password, 1, "", "Error: SSL certificate unrecognized"},
        {{"list"}, "", 2, "", "usage: tarvox-cli list"},
        {{"list", "--host", "127.0.0.1", "--port", "70000"}, "", 2, "", "from 1 to 65535"},
        {{"list", "Carol", "--settings", settings}, unlock, 2, "", "no profile named \"Carol\""},
        {{"list", "Alice", "--settings", settings},
         "wrong passphrase\n",
         2,
         "",
         "could not be unlocked"},
        {host({"--port", plain}), "not the password\n", 1, "", "Error: Login failed"},
        // Standard input ends before the password: the prompt is cancelled.
        {host({"--port", plain}), "", 1, "", "POP3 password"},
        {host({"--port", std::to_string(silent.port()), "--timeout", "1"}), password, 1, "",
         "Error: connection broken; failure or timeout"},
    };
    for (const CliCase& c : cases) {
        ExpectCli(c);
    }
    EXPECT_EQ(m_dovecot.MessageFiles("alice").size(), 5u);
    EXPECT_SCRIPT_DONE(silent);
}

}  // namespace
}  // namespace tarvox
