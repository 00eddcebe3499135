#include "support/smtp_server.h"

#include <unistd.h>

#include <fstream>

#include "support/dovecot_server.h"

namespace tarvox {

std::vector<SmtpEnvelope> SmtpTestServer::Envelopes() const {
    std::ifstream in(Value("envelopes_file"), std::ios::binary);
    std::vector<SmtpEnvelope> envelopes(1);  // the first takes any lines before the first record
    for (std::string line; std::getline(in, line);) {
        const std::size_t equals = line.find('=');
        const std::string key = line.substr(0, equals), value = line.substr(equals + 1);
        if (key == "mail_from") {  // opens a record
            envelopes.emplace_back().mail_from = value;
        } else if (key == "rcpt_to") {
            envelopes.back().rcpt_tos.push_back(value);
        } else if (key == "auth_user") {
            envelopes.back().auth_user = value;
        } else if (key == "tls") {
            envelopes.back().tls = value == "1";
        } else if (key == "file") {
            envelopes.back().file = value;
        }
    }
    envelopes.erase(envelopes.begin());
    return envelopes;
}

bool SmtpTestServer::ClearDelivered() {
    if (CheckRunning()) {
        std::ofstream(Value("envelopes_file"), std::ios::trunc);
    }
    return running();
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
