// A real Dovecot POP3 server for the tests, started on free loopback ports from a throw-away
// configuration by scripts/test-servers/dovecot_server.py.
//
//   DovecotServer& server = SharedDovecot();
//   ASSERT_TRUE(server.ResetMailbox(5)) << server.error();
//   ... connect to 127.0.0.1:server.plain_port() (STLS offered) or server.tls_port() ...
//
// Users: alice (password "wonderland") with the sample messages, bob ("builder") with an
// empty mailbox. Both may log in with USER/PASS, AUTH PLAIN or APOP, on either port.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "support/server_script.h"

namespace tarvox {

class DovecotServer : public ServerScript {
public:
    DovecotServer() : ServerScript("dovecot_server.py") {}

    // Starts Dovecot with `message_count` sample messages for alice. Returns false when it
    // could not; error() then tells why, with the tail of Dovecot's log.
    bool Start(int message_count = 5) {
        return StartScript({"--messages", std::to_string(message_count)});
    }
    // Ends the open POP3 sessions, then gives alice `message_count` samples and bob nothing
    // in Maildirs made afresh (without Dovecot's index files) and empties Dovecot's log, so
    // that a test finds the mailboxes as a new server has them.
    bool ResetMailbox(int message_count);
    // Stops the server, makes a new key and certificate and starts it again on the same
    // ports. fingerprint() then returns the new one.
    bool RestartWithNewCertificate();

    // The password of "alice" or "bob"; empty for anybody else.
    std::string password(std::string_view user) const {
        return Value("users." + std::string(user));
    }
    // The user's Maildir (with new/, cur/ and tmp/); empty for an unknown user.
    std::filesystem::path maildir(std::string_view user) const {
        return Value("maildir." + std::string(user));
    }
    // The user's message files in new/ and cur/, ordered by file name, which is the order
    // Dovecot numbers them in: element i is message i + 1 (as long as none was expunged).
    // The paths are those of the moment: the first login moves the files from new/ to cur/
    // ("NAME:2,"), and a session that read a message renames it to "NAME:2,S", so read the
    // files before logging in or ask again afterwards.
    std::vector<std::filesystem::path> MessageFiles(std::string_view user) const;

    // Writes a message into the user's new/ under `name` (through tmp/, owned like the
    // Maildir). Dovecot numbers new mail by file name; the samples are named
    // "<seconds>.M<index>P1000.tarvox-test" with seconds from 1704103260 on, so a name
    // like "2000000000.M1P1.extra" comes after all of them. False when it could not be written.
    bool AddMessage(std::string_view user, std::string_view name, std::string_view text) const;
    // Waits up to `seconds` for a line holding `text` in Dovecot's log; the line, or empty.
    std::string WaitForLogLine(std::string_view text, int seconds = 10) const;

    // The exact bytes a POP3 RETR of the message in `message_file` delivers after the "+OK"
    // line: bare LF becomes CR LF, lines starting with "." get another ".", an unterminated
    // last line is terminated, and ".\r\n" ends it.
    static std::string ExpectedRetrText(const std::filesystem::path& message_file);
};

// The Dovecot of this test program, started on first use (again after a test stopped it)
// and stopped when the program exits. A test calls ResetMailbox first.
DovecotServer& SharedDovecot();

}  // namespace tarvox
