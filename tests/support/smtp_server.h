// A real SMTP server for the tests (aiosmtpd), started on free loopback ports by
// scripts/test-servers/smtp_server.py, that delivers every accepted message into a Maildir;
// given the Maildir of a DovecotServer user, mail makes the whole round trip to POP3.
//
//   SmtpTestServer& smtp = SharedSmtp();  // delivers to SharedDovecot()'s alice
//   ASSERT_TRUE(SharedDovecot().ResetMailbox(0) && smtp.ClearDelivered()) << smtp.error();
//   ... send to 127.0.0.1:smtp.plain_port() (STARTTLS offered) or smtp.tls_port() ...
//
// Both ports offer AUTH PLAIN and LOGIN for alice/wonderland and bob/builder; on the
// cleartext port only after STARTTLS. A session may send without logging in. A delivered
// file holds the DATA as received, without the transparency dots, with CR LF turned into
// LF; it is in the Maildir's new/ when the client reads the 250 (until a POP3 login moves
// it to cur/). Should this process die, the server ends by itself within about a second.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "support/server_script.h"

namespace tarvox {

// One accepted message, as the server recorded it.
struct SmtpEnvelope {
    std::string mail_from;                 // "<>" for the null sender
    std::vector<std::string> rcpt_tos;     // the accepted recipients, in order
    std::optional<std::string> auth_user;  // none when the session did not log in
    bool tls = false;                      // after STARTTLS, or on the TLS port
    std::string file;                      // the file's name in the Maildir's new/
};

class SmtpTestServer : public ServerScript {
public:
    SmtpTestServer() : ServerScript("smtp_server.py") {}

    // Starts the server delivering into `maildir` (its new/, cur/ and tmp/ are made where
    // missing). Returns false when it could not; error() then tells why, with the tail of
    // the server's log.
    bool Start(const std::filesystem::path& maildir) {
        return StartScript({"--maildir", maildir.string(), "--watch-pid",
                            std::to_string(::getpid())});
    }
    std::filesystem::path maildir() const { return Value("maildir"); }

    // The messages accepted so far (since ClearDelivered), oldest first.
    std::vector<SmtpEnvelope> Envelopes() const;
    // Forgets the accepted messages; the delivered files stay.
    bool ClearDelivered();
};

// The SMTP server of this test program, delivering to SharedDovecot()'s alice, started on
// first use (again after a test stopped it or Dovecot was restarted) and stopped when the
// program exits. A test calls ClearDelivered first.
SmtpTestServer& SharedSmtp();

}  // namespace tarvox
