#include "support/smtp_server.h"

#include <unistd.h>

#include <fstream>
#include <utility>

#include "support/dovecot_server.h"

namespace tarvox {

std::vector<SmtpEnvelope> SmtpTestServer::Envelopes() const {
    std::ifstream in(Value("envelopes_file"), std::ios::binary);
    std::vector<SmtpEnvelope> envelopes;
    bool open = false;  // a record was started; a line without "=" ends it
    for (std::string line; std::getline(in, line);) {
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos) {
            open = false;
            continue;
        }
        if (!std::exchange(open, true)) {
            envelopes.emplace_back();
        }
        SmtpEnvelope& envelope = envelopes.back();
        const std::string key = line.substr(0, equals), value = line.substr(equals + 1);
        if (key == "mail_from") {
            envelope.mail_from = value;
        } else if (key == "rcpt_to") {
            envelope.rcpt_tos.push_back(value);
        } else if (key == "auth_user") {
            envelope.auth_user = value;
        } else if (key == "tls") {
            envelope.tls = value == "1";
        } else if (key == "file") {
            envelope.file = value;
        }
    }
    return envelopes;
}

bool SmtpTestServer::ClearDelivered() {
    if (!running()) {
        if (error().empty()) {
            Fail("the SMTP server is not running");
        }
        return false;
    }
    std::ofstream(Value("envelopes_file"), std::ios::trunc);
    return true;
}

SmtpTestServer& SharedSmtp() {
    // Dovecot first, so that it is stopped after this server at exit.
    const std::filesystem::path maildir = SharedDovecot().maildir("alice");
    static SmtpTestServer server;
    if (!server.running() || server.maildir() != maildir) {
        // The server ends by itself within a second of this process's death.
        server.StartScript(
            {"--maildir", maildir.string(), "--watch-pid", std::to_string(::getpid())});
    }
    return server;
}

}  // namespace tarvox
