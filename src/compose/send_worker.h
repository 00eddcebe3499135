// Sending one composed message: POP before SMTP when asked, the SMTP
// dialogue, the header block, the body (quoted-printable when it has 8-bit
// bytes) and the attachments in base64, streamed line by line.
#pragma once

#include <chrono>
#include <ctime>
#include <mutex>
#include <string>

#include "compose/composed_message.h"
#include "compose/message_builder.h"
#include "config/profile.h"
#include "net/certificate_check.h"

namespace tarvox {

class FrontendServices;
class SmtpSession;
class TlsLibrary;

struct SendRequest {
    ComposedMessage message;
    SmtpSendSettings smtp;
    std::string fqdn;  // the global setting
    // The current profile: its name finds the recorded certificates; its POP3
    // settings serve POP before SMTP and stand in for an empty SMTP user name
    // or password.
    Profile profile;
    const std::string* recorded_smtp_fingerprint = nullptr;
    CertificateRecorder record_smtp_fingerprint;
    bool inbox_open = false;
    // How long the servers may stay silent (NetConnection::SetIdleLimit);
    // zero waits as long as they take, leaving it to the user's Abort.
    std::chrono::milliseconds idle_limit{0};
    // The random draws for the boundary and the Message-ID; empty:
    // SystemRandomDraw.
    RandomDraw draw;
};

// Lets the composer window stop a send that is under way.
class SendAbortHandle {
public:
    void Abort();
    // The worker names the session it runs (null when it ends); an abort
    // that came first stops the session at once.
    void Attach(SmtpSession* session);

private:
    std::mutex m_mutex;
    SmtpSession* m_session = nullptr;
    bool m_aborted = false;
};

// Runs the whole send on the calling thread and reports the outcome with
// FrontendServices::ReportSendResult. True when the server accepted the
// message.
bool SendWorker(const TlsLibrary* tls, const SendRequest& request, FrontendServices& services,
                SendAbortHandle* abort = nullptr);

}  // namespace tarvox
