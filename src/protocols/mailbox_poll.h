// Mailman's poll: for each profile included in poll-all it logs in, asks STAT
// and quits (RFC 1939), and says whether the mailbox changed since the user
// last saved and left it. It never downloads or changes mail, never asks the
// user anything (a certificate must already be recorded) and gives each
// profile at most its time-out; a failure only leaves that profile uncounted.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "config/profile.h"
#include "net/net_result.h"

namespace tarvox {

class NetConnection;
class TlsLibrary;

enum class PollOutcome {
    Counted,              // logged in and STAT answered
    HostNotFound,
    ConnectFailed,        // `net` says why
    TlsUnavailable,       // the profile uses TLS and the TLS library is not loaded
    CertificateNotTrusted,  // not the certificate whose fingerprint the profile recorded
    StlsFailed,           // the server refused STLS or the switch failed
    LoginFailed,
    StatFailed,
    TimedOut,             // the profile's time-out passed
    Stopped,              // the program is ending
};

struct ProfilePoll {
    PollOutcome outcome = PollOutcome::Counted;
    NetResult net = NetResult::Success;
    std::uint32_t count = 0;
    std::uint32_t size = 0;
    // The mailbox changed since the statistics recorded when it was last
    // saved and left (MailboxModified).
    bool new_mail = false;
};

// The profiles a poll visits, copied so that edits made meanwhile do not
// reach it: those with `inpoll` 1 and a name, host, user and password, in
// list order. The profile open in the inbox (`open_profile`, the exact name)
// is left out: its session is the inbox's.
std::vector<Profile> PollList(const ProfileList& profiles, const std::string* open_profile);

// The stop request of a poll, set at exit from another thread: it aborts the
// conversation running, and the poll ends after it.
class PollStop {
public:
    void Request();
    bool Requested() const { return m_requested.load(); }

    // Registers the conversation running for the length of its life; a stop
    // requested before or during it aborts it.
    class Running {
    public:
        Running(PollStop& stop, NetConnection& connection);
        ~Running();
        Running(const Running&) = delete;
        Running& operator=(const Running&) = delete;

    private:
        PollStop& m_stop;
    };

private:
    std::mutex m_mutex;
    NetConnection* m_current = nullptr;
    std::atomic<bool> m_requested{false};
};

// One profile's conversation on a connection of its own. `profile` is the
// poll's copy; its recorded statistics are what `new_mail` is judged by.
ProfilePoll PollProfile(const TlsLibrary* tls, Profile& profile, std::chrono::milliseconds timeout,
                        PollStop& stop);

// What a poll tells as it goes, on the poll's thread.
class PollReport {
public:
    virtual ~PollReport() = default;
    virtual void ProfileStarted(std::size_t row, const std::string& name) = 0;
    virtual void ProfilePolled(std::size_t row, const ProfilePoll& result) = 0;
};

struct PollRun {
    bool new_found = false;  // some profile had new mail
    bool stopped = false;    // a stop request ended it early
};

// Polls the profiles of `list` in order, each within `timeout`, then gives
// freed memory back to the system.
PollRun PollAll(const TlsLibrary* tls, std::vector<Profile>& list, std::chrono::milliseconds timeout,
                PollStop& stop, PollReport& report);

// Why a profile was not counted, for a terminal: "host not found",
// "connect failed: <reason>", ...; empty for Counted.
std::string PollFailureText(const ProfilePoll& result);

}  // namespace tarvox
