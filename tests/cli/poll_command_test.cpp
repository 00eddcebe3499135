// tarvox-cli poll against a real Dovecot, run as the built program.
#include <gtest/gtest.h>

#include <string>

#include "cli/cli_runner.h"
#include "config/configuration_file.h"
#include "config/file_io.h"
#include "support/dovecot_server.h"
#include "support/temp_dir.h"

namespace tarvox {
namespace {

TEST(CliPoll, OneLineAProfileAndTheExitStatus) {
    DovecotServer& dovecot = SharedDovecot();
    ASSERT_TRUE(dovecot.ResetMailbox(2)) << dovecot.error();
    const Profile alice{.name = "Alice", .host = "127.0.0.1", .port = dovecot.plain_port(),
                        .user = "alice", .pass = dovecot.password("alice")};
    Configuration config;
    config.profiles.push_back(alice);
    Profile bob = alice;
    bob.name = "Bob";
    bob.user = "bob";
    bob.pass = dovecot.password("bob");
    config.profiles.push_back(bob);
    Profile tls = alice;  // its certificate was never accepted
    tls.name = "Secure";
    tls.protopop = TransportSecurity::SslDirect;
    tls.port = dovecot.tls_port();
    config.profiles.push_back(tls);
    Profile excluded = alice;
    excluded.name = "Excluded";
    excluded.inpoll = 0;
    config.profiles.push_back(excluded);
    TempDir folder;
    const std::string settings = (folder / "tarvox.ini").string();
    ASSERT_TRUE(SaveConfiguration(settings, config));
    const std::string before = ReadFileBytes(settings).value_or("");

    const CliCase cases[] = {
        {{"poll", "--settings", settings}, "", 0, "Alice\t2\t", ""},
        {{"poll", "--settings", settings}, "", 0,
         "\tnew\nBob\t0\t0.0\t-\nSecure\t-\t-\terror: the server's certificate is not the one recorded",
         ""},
        // Named profiles only, also one left out of poll-all.
        {{"poll", "bob", "--settings", settings}, "", 1, "Bob\t0\t0.0\t-\n", ""},
        {{"poll", "Excluded", "--settings", settings, "--timeout", "20"}, "", 0, "Excluded\t2\t", ""},
        {{"poll", "Nobody", "--settings", settings}, "", 2, "", "no profile named \"Nobody\""},
        {{"poll", "--settings", settings, "--timeout", "0"}, "", 2, "", "from 1 to 86400"},
        {{"poll", "--verbose"}, "", 2, "", "usage: tarvox-cli poll"},
    };
    for (const CliCase& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.args));
        // Unlike other commands, "no new mail" (1) still prints its lines.
        const CliResult result = RunCli(c.args, c.input);
        EXPECT_EQ(result.status, c.status) << result.err;
        EXPECT_NE(result.out.find(c.out), std::string::npos) << result.out;
        EXPECT_NE(result.err.find(c.err), std::string::npos) << result.err;
        EXPECT_EQ(result.out.find("Excluded"), c.args[1] == "Excluded" ? 0 : std::string::npos);
    }
    EXPECT_EQ(ReadFileBytes(settings).value_or(""), before);  // never written
    EXPECT_EQ(dovecot.MessageFiles("alice").size(), 2u);
}

}  // namespace
}  // namespace tarvox
