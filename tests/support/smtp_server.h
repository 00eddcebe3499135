// A real SMTP server for the tests (aiosmtpd), started on free loopback ports by
// scripts/test-servers/smtp_server.py, delivering every accepted message into a Maildir, so
// mail given to SharedSmtp() makes the whole round trip to SharedDovecot()'s alice.
// Both ports offer AUTH PLAIN and LOGIN for alice/wonderland and bob/builder (the plain port
// only after STARTTLS); a session may also send without logging in. A delivered file holds
// the DATA as received, without the transparency dots, with LF line ends.
#pragma once

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

    std::filesystem::path maildir() const { return Value("maildir"); }
    // The messages accepted since ClearDelivered, oldest first.
    std::vector<SmtpEnvelope> Envelopes() const;
    // Forgets the accepted messages; the delivered files stay.
    bool ClearDelivered();
};

// The SMTP server of this test program, delivering to SharedDovecot()'s alice, started on
// first use (again after a test stopped it or Dovecot was restarted) and stopped when the
// program exits. A test calls ClearDelivered first.
SmtpTestServer& SharedSmtp();

}  // namespace tarvox
