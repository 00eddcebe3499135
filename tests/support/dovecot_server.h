// A real Dovecot POP3 server for the tests, started on free loopback ports from a throw-away
// configuration by scripts/test-servers/dovecot_server.py. Users: alice (password
// "wonderland") with the sample messages, bob ("builder") with an empty mailbox; both may
// log in with USER/PASS, AUTH PLAIN or APOP on either port (STLS on the plain one).
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

    // Ends the open POP3 sessions, gives alice `message_count` samples and bob nothing in
    // Maildirs made afresh, and empties Dovecot's log: the mailboxes as a new server has them.
    bool ResetMailbox(int message_count);

    // The password of "alice" or "bob"; empty for anybody else.
    std::string password(std::string_view user) const {
        return Value("users." + std::string(user));
    }
    // The user's Maildir; empty for an unknown user.
    std::filesystem::path maildir(std::string_view user) const {
        return Value("maildir." + std::string(user));
    }
    // The user's message files in new/ and cur/, in Dovecot's order (by file name): element
    // i is message i + 1. A login moves the files to cur/ and reading renames them, so read
    // the files before logging in or ask again afterwards.
    std::vector<std::filesystem::path> MessageFiles(std::string_view user) const;

    // The bytes a POP3 RETR of the message delivers after the "+OK" line: CR LF line ends,
    // a "." before lines starting with ".", and ".\r\n" at the end.
    static std::string ExpectedRetrText(const std::filesystem::path& message_file);
};

// The Dovecot of this test program, started on first use (again after a test stopped it)
// and stopped when the program exits. A test calls ResetMailbox first.
DovecotServer& SharedDovecot();

}  // namespace tarvox
