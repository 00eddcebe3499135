// A real SMTP server (aiosmtpd) delivering into SharedDovecot()'s alice; AUTH PLAIN/LOGIN for
// alice/wonderland and bob/builder (plain port after STARTTLS); files hold the DATA undotted, LF.
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

// Started on first use (again after a stop or a Dovecot restart); a test calls ClearDelivered.
SmtpTestServer& SharedSmtp();

}  // namespace tarvox
