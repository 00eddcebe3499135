#include "protocols/open_mailbox.h"

#include "codec/text_format.h"
#include "net/tls_library.h"
#include "protocols/pop_connect.h"
#include "protocols/pop_session.h"
#include "protocols/server_certificate.h"

namespace tarvox {

namespace {

class OpenMailboxRun {
public:
    OpenMailboxRun(PopSession& session, const OpenMailboxRequest& request,
                   FrontendServices& services)
        : m_session(session),
          m_request(request),
          m_services(services),
          m_profile(request.working),
          m_stored(request.stored != nullptr ? FindProfile(*request.stored, m_profile.name)
                                             : nullptr) {}

    OpenOutcome Run();

private:
    void Status(const std::string& text) { m_services.ShowStatus(StatusLine::Account, text); }
    OpenOutcome Fail(const std::string& text) {
        Status(text);
        return OpenOutcome::Failed;
    }
    OpenOutcome CloseAndFail(const std::string& text) {
        m_session.connection.Close();
        return Fail(text);
    }
    OpenOutcome NetFailure(NetResult result) {
        return CloseAndFail("Error: " + std::string(NetResultText(result)));
    }
    bool CertificateAccepted();
    OpenOutcome ReportLogin(LoginResult result);
    OpenOutcome QuitWith(const std::string& text);

    PopSession& m_session;
    const OpenMailboxRequest& m_request;
    FrontendServices& m_services;
    const Profile& m_profile;
    Profile* m_stored;
};

bool OpenMailboxRun::CertificateAccepted() {
    const std::string* recorded =
        m_stored != nullptr ? &TrustedFingerprint(m_stored->pop_sslid, m_stored->pop_sslid256) : nullptr;
    CertificateRecorder recorder;
    if (m_stored != nullptr && m_request.record_fingerprint) {
        recorder = [this](const CertificateFingerprints& fingerprints) {
            m_request.record_fingerprint(*m_stored, fingerprints);
        };
    }
    return AcceptServerCertificate(m_session.connection, m_profile.host, recorded, m_services,
                                   recorder);
}

OpenOutcome OpenMailboxRun::ReportLogin(LoginResult result) {
    switch (result) {
        case LoginResult::LoggedIn:
            return OpenOutcome::EnterInbox;
        case LoginResult::Rejected: {
            const char* text =
                m_profile.apop == 1
                    ? "Unable to perform APOP login. Either your username/password is bad, or "
                      "your account is not configured for APOP. The server responded with the "
                      "following:\n\n%s"
                    : "Unable to login. Most likely cause is an incorrect username or password. "
                      "The server responded with the following:\n\n%s";
            m_services.ShowMessage(TextFormat(text, m_session.text.c_str()), "Login error",
                                   BoxIcon::Error);
            return Fail("Error: Login failed");
        }
        case LoginResult::NoApopTimestamp:
            m_services.ShowMessage(
                "This POP server does not support APOP logins. You can still use a standard "
                "login - uncheck \"APOP login (secure)\" under POP3 options.",
                "Secure login aborted", BoxIcon::Warning);
            return Fail("Error: Server does not support APOP. Uncheck APOP and retry.");
        case LoginResult::NetworkFailure:
            return NetFailure(m_session.last_result);
        case LoginResult::NotPop3:
            return Fail("Error: Not a POP3 mail server. Wrong port?");
        case LoginResult::UnsafeCredentials:
            return Fail("Error: the user name or password holds a line break; it was not sent");
    }
    return OpenOutcome::Failed;
}

OpenOutcome OpenMailboxRun::QuitWith(const std::string& text) {
    Status("Received data from server. Closing connection...");
    PopQuit(m_session.connection);
    Status(text);
    return OpenOutcome::Ended;
}

OpenOutcome OpenMailboxRun::Run() {
    const TransportSecurity protocol = m_profile.protopop;
    const bool wants_tls = UsesTls(protocol);
    const TlsLibrary* tls = m_session.connection.tls_library();
    if (wants_tls && (tls == nullptr || !tls->Available())) {
        return Fail("SSL not loaded; can not make connection");
    }

    const char* host = m_profile.host.c_str();
    const auto port = static_cast<unsigned>(m_profile.port);
    Status(TextFormat("Looking up host %s . . .", host));
    PopConnectRequest connect;
    connect.host = m_profile.host;
    connect.port = static_cast<std::uint16_t>(port);
    connect.user = m_profile.user;
    connect.password = m_profile.pass;
    connect.protopop = protocol;
    connect.apop = m_profile.apop == 1;
    connect.accept_certificate = [this](NetConnection&) { return CertificateAccepted(); };
    connect.progress = [&](PopConnectStep step) {
        switch (step) {
            case PopConnectStep::Connecting: {
                if (m_request.enable_abort) {
                    m_request.enable_abort();
                }
                const char* suffix = protocol == TransportSecurity::SslDirect    ? " [SSL direct]"
                                     : protocol == TransportSecurity::StartTls ? " [SSL via STLS]"
                                                                  : "";
                Status(
                    TextFormat("Connecting to server %s on port %u%s . . .", host, port, suffix));
                break;
            }
            case PopConnectStep::Connected:
                Status(protocol == TransportSecurity::StartTls ? "Connected. Switching to SSL . . ."
                                                  : "Connected. Logging in . . .");
                break;
            case PopConnectStep::TlsActive:
                Status("SSL active. Logging in . . .");
                break;
        }
    };
    connect.text = &m_session.text;
    connect.text_capacity = kPopTextBufferSize;
    connect.capabilities = &m_session.capabilities;
    const PopConnectOutcome connected = PopConnect(m_session.connection, connect);
    m_session.last_result = connected.net;
    switch (connected.result) {
        case PopConnectResult::LoggedIn:
            break;
        case PopConnectResult::HostNotFound:
            return Fail(TextFormat("Error: host \"%s\" not found", host));
        case PopConnectResult::ConnectFailed:
        case PopConnectResult::TlsFailed:
            return NetFailure(connected.net);
        case PopConnectResult::StlsFailed:
            if (connected.net != NetResult::Success) {
                return NetFailure(connected.net);
            }
            return CloseAndFail("Error: server does not support STLS method");
        case PopConnectResult::CertificateRefused:
            return Fail("Error: SSL certificate unrecognized");
        case PopConnectResult::LoginFailed:
            return ReportLogin(connected.login);
    }

    Status("Logged in. Retrieving mailbox stat . . .");
    if (!PopStat(m_session.connection, m_session.message_count, m_session.mailbox_size,
                 m_session.last_result)) {
        if (m_session.last_result == NetResult::Success) {
            return CloseAndFail("Error: server gave invalid response to STAT");
        }
        return NetFailure(m_session.last_result);
    }

    const std::uint32_t count = m_session.message_count;
    const std::uint32_t size = m_session.mailbox_size;
    const bool modified = m_stored != nullptr && MailboxModified(*m_stored, count, size);

    if (count == 0) {
        OpenOutcome outcome = QuitWith(
            TextFormat("No mail for user %s on %s", m_profile.user.c_str(), host));
        if (m_request.clear_new_mail_mark) {
            m_request.clear_new_mail_mark(m_profile.name);
        }
        return outcome;
    }
    if (m_request.mode == OpenMode::StatOnly) {
        std::string text = TextFormat("User %s on %s - %u msgs, total %.1f KB",
                                      m_profile.user.c_str(), host, count, size / 1024.0);
        if (m_stored != nullptr) {
            text += modified ? " - [modified]" : " - [unmodified]";
        }
        return QuitWith(text);
    }
    if (m_stored != nullptr && m_stored->entermod == 1 && !modified) {
        return QuitWith(TextFormat("User %s on %s has mail, but none of it is new",
                                   m_stored->user.c_str(), m_stored->host.c_str()));
    }
    return OpenOutcome::EnterInbox;
}

}  // namespace

OpenOutcome OpenMailbox(PopSession& session, const OpenMailboxRequest& request,
                        FrontendServices& services) {
    PopSession::BusyGuard busy(session);
    return OpenMailboxRun(session, request, services).Run();
}

}  // namespace tarvox
