// tarvox-cli list against a real Dovecot, run as the built program.
#include <gtest/gtest.h>

#include <algorithm>
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
    void SetUp() override { ASSERT_TRUE(m_dovecot.Start(5)) << m_dovecot.error(); }

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
        alice.mode = 2;  // purge: a listing must still delete nothing
        config.profiles.push_back(alice);
        Profile bob = alice;
        bob.name = "Bob";
        bob.user = "bob";
        bob.pass = m_dovecot.password("bob");
        bob.mode = 0;
        config.profiles.push_back(bob);
        const std::string path = (m_folder / "tarvox.ini").string();
        EXPECT_TRUE(SaveConfiguration(path, config));
        return path;
    }

    std::vector<std::string> HostArguments(std::vector<std::string> extra) {
        std::vector<std::string> args = {"list", "--host", "127.0.0.1", "--user", "alice"};
        args.insert(args.end(), extra.begin(), extra.end());
        return args;
    }

    DovecotServer m_dovecot;
    TempDir m_folder;
};

TEST_F(CliList, LockedProfileAsksPassphraseAndPasswordAndDeletesNothing) {
    const std::string settings = WriteSettings();
    const std::string input = std::string(kPassphrase) + "\n" + m_dovecot.password("alice") + "\n";
    const CliResult result =
        RunCli({"list", "alice", "--settings", settings}, input, {"TZ=UTC"});
    ASSERT_EQ(result.status, 0) << result.err;

    // Newest first (autosort), UTF-8 for the terminal.
    const std::string expected_start =
        "alice on host 127.0.0.1\n"
        "Mailbox contains 5 message(s) occupying ";
    EXPECT_EQ(result.out.substr(0, expected_start.size()), expected_start);
    std::vector<std::size_t> positions;
    for (const char* block : {"Message: 5\n\tSubject:\tLong sample 5",
                              "Message: 4\n\tSubject:\tMultipart sample 4",
                              "Message: 3\n\tSubject:\tCaf\xC3\xA9 quoted-printable sample 3\n"
                              "\tFrom:   \tSender 3\n\tDate:   \t2024-01-01 13:00:00\n",
                              "Message: 2\n", "Message: 1\n"}) {
        positions.push_back(result.out.find(block));
        EXPECT_NE(positions.back(), std::string::npos) << block;
    }
    EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));
    EXPECT_EQ(result.out.find('\r'), std::string::npos);
    // The prompts and the status texts go to standard error.
    EXPECT_NE(result.err.find("Enter password (this will not be stored in profile)"),
              std::string::npos);
    EXPECT_NE(result.err.find("Loaded 5 message(s) occupying"), std::string::npos);
    EXPECT_EQ(result.err.find("WARNING: You have indicated"), std::string::npos);
    EXPECT_EQ(m_dovecot.MessageFiles("alice").size(), 5u);

    // --bytes prints the program's own text: ISO-8859-1 with CR LF.
    const CliResult bytes =
        RunCli({"list", "Alice", "--settings", settings, "--bytes"}, input, {"TZ=UTC"});
    ASSERT_EQ(bytes.status, 0) << bytes.err;
    EXPECT_NE(bytes.out.find("\tSubject:\tCaf\xE9 quoted-printable sample 3\r\n"),
              std::string::npos);
}

TEST_F(CliList, EmptyMailboxListsItsHeading) {
    const std::string settings = WriteSettings();
    const CliResult result =
        RunCli({"list", "Bob", "--settings", settings}, std::string(kPassphrase) + "\n");
    ASSERT_EQ(result.status, 0) << result.err;
    const std::string heading =
        "bob on host 127.0.0.1\nMailbox contains 0 message(s) occupying 0.0 KB\n";
    EXPECT_EQ(result.out.substr(0, heading.size()), heading);
    EXPECT_EQ(result.out.find("Message:"), std::string::npos);
}

TEST_F(CliList, CertificatesOnlyByFingerprint) {
    const std::string port = std::to_string(m_dovecot.tls_port());
    const std::string plain = std::to_string(m_dovecot.plain_port());
    std::string other = m_dovecot.fingerprint();
    other[0] = other[0] == 'A' ? 'B' : 'A';
    struct Case {
        std::vector<std::string> options;
        int status;
        const char* err;
    };
    const Case cases[] = {
        {{"--tls", "--port", port}, 1, "Error: SSL certificate unrecognized"},
        {{"--tls", "--port", port, "--fingerprint", other}, 1,
         "SUSPICIOUS. DOES NOT MATCH RECORDED FINGERPRINT."},
        {{"--tls", "--port", port, "--fingerprint", m_dovecot.fingerprint()}, 0,
         "Loaded 5 message(s)"},
        {{"--stls", "--port", plain, "--fingerprint", m_dovecot.fingerprint()}, 0,
         "SSL active. Logging in . . ."},
        {{"--stls", "--port", plain}, 1, "Error: SSL certificate unrecognized"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.options[0] + " " + c.options.back());
        const CliResult result = RunCli(HostArguments(c.options), "wonderland\n");
        EXPECT_EQ(result.status, c.status) << result.err;
        EXPECT_NE(result.err.find(c.err), std::string::npos) << result.err;
        EXPECT_EQ(result.out.empty(), c.status != 0);
    }
}

TEST_F(CliList, RefusalsAndFailures) {
    const std::string settings = WriteSettings();
    const std::string plain = std::to_string(m_dovecot.plain_port());
    ScriptedServer silent({script::ExpectClosed()});
    struct Case {
        std::vector<std::string> args;
        std::string input;
        int status;
        const char* err;
    };
    const Case cases[] = {
        {{"list"}, "", 2, "usage: tarvox-cli list"},
        {{"list", "--host", "127.0.0.1", "--port", "70000"}, "", 2, "from 1 to 65535"},
        {{"list", "Carol", "--settings", settings}, std::string(kPassphrase) + "\n", 2,
         "no profile named \"Carol\""},
        {{"list", "Alice", "--settings", settings}, "wrong passphrase\n", 2,
         "could not be unlocked"},
        {HostArguments({"--port", plain}), "not the password\n", 1, "Error: Login failed"},
        // Standard input ends before the password: the prompt is cancelled.
        {HostArguments({"--port", plain}), "", 1, "POP3 password"},
        {HostArguments({"--port", std::to_string(silent.port()), "--timeout", "1"}), "pw\n", 1,
         "Error: connection broken; failure or timeout"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.back());
        const CliResult result = RunCli(c.args, c.input);
        EXPECT_EQ(result.status, c.status) << result.err;
        EXPECT_NE(result.err.find(c.err), std::string::npos) << result.err;
        EXPECT_EQ(result.out, "");
    }
    EXPECT_SCRIPT_DONE(silent);
}

}  // namespace
}  // namespace tarvox
