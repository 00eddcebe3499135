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

TEST(CliList, ExitStatusAndOutput) {
    DovecotServer& dovecot = SharedDovecot();
    ASSERT_TRUE(dovecot.ResetMailbox(5)) << dovecot.error();
    // A locked settings file with the profile "Alice" in purge mode, without a stored password.
    Configuration config;
    config.global.master = 1;
    config.master_passphrase = "correct horse";
    config.profiles.push_back({.name = "Alice", .host = "127.0.0.1", .port = dovecot.plain_port(),
                               .user = "alice", .mode = MailboxMode::Purge});
    TempDir folder;
    const std::string settings = (folder / "tarvox.ini").string();
    ASSERT_TRUE(SaveConfiguration(settings, config));
    const std::string password = dovecot.password("alice") + "\n";
    ScriptedServer silent({script::ExpectClosed()});
    const CliCase cases[] = {
        // UTF-8 with LF for the terminal; the prompts and status texts on standard error.
        {{"list", "alice", "--settings", settings}, "correct horse\n" + password, 0,
         "\tSubject:\tCaf\xC3\xA9 quoted-printable sample 3\n", "Enter password"},
        // --bytes prints the program's own text: ISO-8859-1 with CR LF.
        {{"list", "--host", "127.0.0.1", "--user", "alice", "--tls", "--port",
          std::to_string(dovecot.tls_port()), "--fingerprint", dovecot.fingerprint(), "--bytes"},
         password, 0, "\tSubject:\tCaf\xE9 quoted-printable sample 3\r\n", "Loaded 5 message(s) occupying"},
        // A certificate is trusted only by the fingerprint given.
        {{"list", "--host", "127.0.0.1", "--user", "alice", "--stls", "--port",
          std::to_string(dovecot.plain_port())},
         password, 1, "", "Error: SSL certificate unrecognized"},
        {{"list", "--host", "127.0.0.1", "--port", "70000"}, "", 2, "", "from 1 to 65535"},
        {{"list", "--host", "127.0.0.1", "--user", "alice", "--port", std::to_string(silent.port()),
          "--timeout", "1"},
         password, 1, "", "Error: connection broken; failure or timeout"},
        {{"list", "Alice", "--settings", settings}, "wrong passphrase\n", 2, "", "could not be unlocked"},
    };
    for (const CliCase& c : cases) {
        ExpectCli(c);
    }
    EXPECT_EQ(dovecot.MessageFiles("alice").size(), 5u);  // a listing deletes nothing
    EXPECT_SCRIPT_DONE(silent);
}

}  // namespace
}  // namespace tarvox
