// A real Dovecot POP3 server: alice ("wonderland") with samples, bob ("builder") empty; USER/PASS,
// AUTH PLAIN or APOP on either port (STLS on the plain one).
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

    // Ends open sessions, gives alice `message_count` samples and bob nothing, empties the log.
    bool ResetMailbox(int message_count);

    // The password of "alice" or "bob"; empty for anybody else.
    std::string password(std::string_view user) const {
        return Value("users." + std::string(user));
    }
    // The user's Maildir; empty for an unknown user.
    std::filesystem::path maildir(std::string_view user) const {
        return Value("maildir." + std::string(user));
    }
    // The user's files in new/ and cur/ by name (element i is message i + 1); a login renames them.
    std::vector<std::filesystem::path> MessageFiles(std::string_view user) const;

    // Puts a new message into the user's new/, as a delivery agent would.
    bool Deliver(std::string_view user, std::string_view message);

    // The bytes a POP3 RETR of the message delivers after the "+OK" line.
    static std::string ExpectedRetrText(const std::filesystem::path& message_file);
};

// Started on first use (again after a test stopped it); a test calls ResetMailbox first.
DovecotServer& SharedDovecot();

}  // namespace tarvox
