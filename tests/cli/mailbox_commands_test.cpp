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
    // A locked settings file with the profile "Alice", without a stored password.
    Configuration config;
    config.global.master = 1;
    config.master_passphrase = "correct horse";
    Profile& alice = config.profiles.emplace_back();
    alice.name = "Alice";
    alice.host = "127.0.0.1";
    alice.port = dovecot.plain_port();
    alice.user = "alice";
    alice.mode = MailboxMode::Purge;  // a listing must still delete nothing
    TempDir folder;
    const std::string settings = (folder / "tarvox.ini").string();
    ASSERT_TRUE(SaveConfiguration(settings, config));
    const std::string unlock = "correct horse\n";
    const std::string password = dovecot.password("alice") + "\n";
    const std::string plain = std::to_string(dovecot.plain_port());
    const std::string print = dovecot.fingerprint();
    ScriptedServer silent({script::ExpectClosed()});
    const auto host = [](std::vector<std::string> extra) {
        std::vector<std::string> args = {"list", "--host", "127.0.0.1", "--user", "alice"};
        args.insert(args.end(), extra.begin(), extra.end());
        return args;
    };
    const std::string tls = std::to_string(dovecot.tls_port());
    const CliCase cases[] = {
        // UTF-8 with LF for the terminal; the prompts and status texts on standard error.
        {{"list", "alice", "--settings", settings}, unlock + password, 0,
         "\tSubject:\tCaf\xC3\xA9 quoted-printable sample 3\n", "Enter password"},
        // --bytes prints the program's own text: ISO-8859-1 with CR LF.
        {{"list", "Alice", "--settings", settings, "--bytes"}, unlock + password, 0,
         "\tSubject:\tCaf\xE9 quoted-printable sample 3\r\n", "Loaded 5 message(s) occupying"},
        // A certificate is trusted only by the fingerprint given.
        {host({"--tls", "--port", tls, "--fingerprint", print}), password, 0, "Message: 5\n", ""},
        {host({"--stls", "--port", plain, "--fingerprint", print}), password, 0, "Message: 5\n",
         "SSL active. Logging in . . ."},
        {host({"--tls", "--port", tls}), password, 1, "", "Error: SSL certificate unrecognized"},
        {host({"--port", std::to_string(silent.port()), "--timeout", "1"}), password, 1, "",
         "Error: connection broken; failure or timeout"},
        {{"list"}, "", 2, "", "usage: tarvox-cli list"},
        {{"list", "--host", "127.0.0.1", "--port", "70000"}, "", 2, "", "from 1 to 65535"},
        {{"list", "Alice", "--settings", settings}, "wrong passphrase\n", 2, "", "could not be unlocked"},
    };
    for (const CliCase& c : cases) {
        ExpectCli(c);
    }
    EXPECT_EQ(dovecot.MessageFiles("alice").size(), 5u);
    EXPECT_SCRIPT_DONE(silent);
}

}  // namespace
}  // namespace tarvox
