#include "protocols/mailbox_poll.h"

#include <malloc.h>

#include "net/connection_deadline.h"
#include "net/net_connection.h"
#include "net/tls_certificate.h"
#include "net/tls_library.h"
#include "protocols/pop_connect.h"
#include "protocols/pop_session.h"

namespace tarvox {

namespace {

// Replies read before the login (the greeting, STLS) and a refused login's.
constexpr std::size_t kPollReplyCapacity = 1024;
constexpr std::size_t kQuitReplyCapacity = 512;

PollOutcome ConnectFailure(PopConnectResult result) {
    switch (result) {
        case PopConnectResult::HostNotFound:
            return PollOutcome::HostNotFound;
        case PopConnectResult::ConnectFailed:
            return PollOutcome::ConnectFailed;
        case PopConnectResult::StlsFailed:
        case PopConnectResult::TlsFailed:
            return PollOutcome::StlsFailed;
        case PopConnectResult::CertificateRefused:
            return PollOutcome::CertificateNotTrusted;
        case PopConnectResult::LoginFailed:
        case PopConnectResult::LoggedIn:
            break;
    }
    return PollOutcome::LoginFailed;
}

}  // namespace

std::vector<Profile> PollList(const ProfileList& profiles, const std::string* open_profile) {
    std::vector<Profile> list;
    for (const Profile& profile : profiles) {
        if (profile.inpoll != 1 || profile.name.empty() || profile.host.empty() ||
            profile.user.empty() || profile.pass.empty()) {
            continue;
        }
        if (open_profile != nullptr && profile.name == *open_profile) {
            continue;
        }
        list.push_back(profile);
    }
    return list;
}

void PollStop::Request() {
    std::lock_guard lock(m_mutex);
    m_requested = true;
    if (m_current != nullptr) {
        m_current->Abort();
    }
}

PollStop::Running::Running(PollStop& stop, NetConnection& connection) : m_stop(stop) {
    std::lock_guard lock(stop.m_mutex);
    stop.m_current = &connection;
    if (stop.m_requested) {
        connection.Abort();
    }
}

PollStop::Running::~Running() {
    std::lock_guard lock(m_stop.m_mutex);
    m_stop.m_current = nullptr;
}

ProfilePoll PollProfile(const TlsLibrary* tls, Profile& profile, std::chrono::milliseconds timeout,
                        PollStop& stop) {
    ProfilePoll poll;
    if (UsesTls(profile.protopop) && (tls == nullptr || !tls->Available())) {
        poll.outcome = PollOutcome::TlsUnavailable;
        return poll;
    }
    if (profile.port < 1 || profile.port > 65535) {
        poll.outcome = PollOutcome::ConnectFailed;
        poll.net = NetResult::ConnectFailed;
        return poll;
    }
    NetConnection connection(tls);
    PollStop::Running running(stop, connection);
    ConnectionDeadline deadline(connection, timeout);
    // Reads the outcome of a step that failed: the time-out or the stop
    // request closed the connection under it, or the server failed it.
    const auto failed = [&](PollOutcome outcome) {
        poll.outcome = stop.Requested()      ? PollOutcome::Stopped
                       : deadline.Expired() ? PollOutcome::TimedOut
                                            : outcome;
        return poll;
    };

    std::string text;
    PopConnectRequest request;
    request.host = profile.host;
    request.port = static_cast<std::uint16_t>(profile.port);
    request.user = profile.user;
    request.password = profile.pass;
    request.protopop = profile.protopop;
    request.apop = profile.apop == 1;
    // Never a dialog: only the certificate recorded in the interactive
    // connection is trusted.
    request.accept_certificate = [&profile](NetConnection& tls_connection) {
        return TlsFingerprintMatches(tls_connection,
                                     &TrustedFingerprint(profile.pop_sslid, profile.pop_sslid256));
    };
    request.text = &text;
    request.text_capacity = kPollReplyCapacity;
    const PopConnectOutcome connected = PopConnect(connection, request);
    poll.net = connected.net;
    if (connected.result != PopConnectResult::LoggedIn) {
        if (connected.result == PopConnectResult::StlsFailed) {
            PopQuit(connection, &text, kQuitReplyCapacity);
        }
        return failed(ConnectFailure(connected.result));
    }

    if (!PopStat(connection, poll.count, poll.size, poll.net)) {
        PopQuit(connection, &text, kQuitReplyCapacity);
        return failed(PollOutcome::StatFailed);
    }
    poll.new_mail = MailboxModified(profile, poll.count, poll.size);
    PopQuit(connection, &text, kQuitReplyCapacity);
    return poll;
}

PollRun PollAll(const TlsLibrary* tls, std::vector<Profile>& list, std::chrono::milliseconds timeout,
                PollStop& stop, PollReport& report) {
    PollRun run;
    for (std::size_t row = 0; row < list.size() && !stop.Requested(); ++row) {
        report.ProfileStarted(row, list[row].name);
        const ProfilePoll result = PollProfile(tls, list[row], timeout, stop);
        run.new_found = run.new_found || result.new_mail;
        report.ProfilePolled(row, result);
    }
    run.stopped = stop.Requested();
    // A poll comes every few minutes; what it allocated need not stay with
    // the process in between.
    malloc_trim(0);
    return run;
}

std::string PollFailureText(const ProfilePoll& result) {
    switch (result.outcome) {
        case PollOutcome::Counted:
            return {};
        case PollOutcome::HostNotFound:
            return "host not found";
        case PollOutcome::ConnectFailed:
            return "connect failed: " + std::string(NetResultText(result.net));
        case PollOutcome::TlsUnavailable:
            return "SSL not loaded";
        case PollOutcome::CertificateNotTrusted:
            return "the server's certificate is not the one recorded (connect once from the "
                   "options window to accept it)";
        case PollOutcome::StlsFailed:
            return "STLS failed";
        case PollOutcome::LoginFailed:
            return "login failed";
        case PollOutcome::StatFailed:
            return "no answer to STAT";
        case PollOutcome::TimedOut:
            return "timed out";
        case PollOutcome::Stopped:
            return "stopped";
    }
    return {};
}

}  // namespace tarvox
