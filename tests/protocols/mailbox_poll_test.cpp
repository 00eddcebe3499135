// Mailman's poll against Dovecot and against servers that misbehave.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "protocols/mailbox_poll.h"
#include "support/dovecot_server.h"
#include "support/loopback.h"
#include "support/scripted_server.h"

namespace tarvox {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

TEST(PollList, IncludedCompleteProfilesButNotTheOpenOne) {
    const ProfileList profiles = {
        {.name = "Off", .inpoll = 0, .host = "h", .user = "u", .pass = "p"},
        {.name = "", .host = "h", .user = "u", .pass = "p"},
        {.name = "NoHost", .user = "u", .pass = "p"},
        {.name = "NoUser", .host = "h", .pass = "p"},
        {.name = "NoPassword", .host = "h", .user = "u"},
        {.name = "Home", .host = "h", .user = "u", .pass = "p"},
        {.name = "home", .host = "h", .user = "u", .pass = "p"},
        {.name = "Work", .host = "h", .user = "u", .pass = "p"},
    };
    const auto names = [&](const std::string* open) {
        std::vector<std::string> result;
        for (const Profile& profile : PollList(profiles, open)) result.push_back(profile.name);
        return result;
    };
    EXPECT_EQ(names(nullptr), (std::vector<std::string>{"Home", "home", "Work"}));
    const std::string open = "Home";  // an exact comparison: "home" is still polled
    EXPECT_EQ(names(&open), (std::vector<std::string>{"home", "Work"}));
}

Profile Alice(DovecotServer& dovecot) {
    return {.name = "Alice", .host = "127.0.0.1", .port = dovecot.plain_port(), .user = "alice",
            .pass = dovecot.password("alice")};
}

TEST(PollProfile, NewMailIsAChangeSinceTheRecordedMailbox) {
    DovecotServer& dovecot = SharedDovecot();
    ASSERT_TRUE(dovecot.ResetMailbox(3)) << dovecot.error();
    PollStop stop;
    Profile alice = Alice(dovecot);
    ProfilePoll poll = PollProfile(&LoadedTls(), alice, seconds(10), stop);
    ASSERT_EQ(poll.outcome, PollOutcome::Counted) << PollFailureText(poll);
    EXPECT_EQ(poll.count, 3u);
    EXPECT_TRUE(poll.new_mail);

    // The inbox was saved and left with these numbers: nothing is new.
    alice.maildrop = {3, static_cast<int>(poll.size)};
    poll = PollProfile(&LoadedTls(), alice, seconds(10), stop);
    EXPECT_EQ(poll.outcome, PollOutcome::Counted);
    EXPECT_FALSE(poll.new_mail);

    ASSERT_TRUE(dovecot.Deliver("alice", "From: a@b.test\r\nSubject: new\r\n\r\nhello\r\n"));
    poll = PollProfile(&LoadedTls(), alice, seconds(10), stop);
    EXPECT_EQ(poll.count, 4u);
    EXPECT_TRUE(poll.new_mail);
    EXPECT_EQ(dovecot.MessageFiles("alice").size(), 4u);  // nothing deleted
}

TEST(PollProfile, TlsOnlyWithTheRecordedCertificate) {
    DovecotServer& dovecot = SharedDovecot();
    ASSERT_TRUE(dovecot.ResetMailbox(1)) << dovecot.error();
    struct Case {
        TransportSecurity protopop;
        std::uint16_t port;
        std::string sslid;
        PollOutcome outcome;
    } const cases[] = {
        {TransportSecurity::SslDirect, dovecot.tls_port(), dovecot.fingerprint(), PollOutcome::Counted},
        {TransportSecurity::StartTls, dovecot.plain_port(), dovecot.fingerprint(), PollOutcome::Counted},
        // Never accepted in the options window: skipped, with no dialog.
        {TransportSecurity::SslDirect, dovecot.tls_port(), "", PollOutcome::CertificateNotTrusted},
        {TransportSecurity::StartTls, dovecot.plain_port(), "00:11", PollOutcome::CertificateNotTrusted},
        {TransportSecurity::Cleartext, ClosedPort(), "", PollOutcome::ConnectFailed},
    };
    for (const Case& c : cases) {
        Profile profile = Alice(dovecot);
        profile.protopop = c.protopop;
        profile.port = c.port;
        profile.pop_sslid = c.sslid;
        PollStop stop;
        const ProfilePoll poll = PollProfile(&LoadedTls(), profile, seconds(10), stop);
        EXPECT_EQ(poll.outcome, c.outcome) << static_cast<int>(c.protopop) << " " << c.sslid << ": "
                                           << PollFailureText(poll);
    }
    Profile tls = Alice(dovecot);
    tls.protopop = TransportSecurity::SslDirect;
    PollStop stop;
    EXPECT_EQ(PollProfile(nullptr, tls, seconds(10), stop).outcome, PollOutcome::TlsUnavailable);
}

class RecordedReport : public PollReport {
public:
    void ProfileStarted(std::size_t row, const std::string& name) override {
        started.push_back(std::to_string(row) + " " + name);
        any_started = true;
    }
    void ProfilePolled(std::size_t, const ProfilePoll& result) override { polled.push_back(result); }
    std::vector<std::string> started;
    std::vector<ProfilePoll> polled;
    std::atomic<bool> any_started{false};
};

TEST(PollAll, ASilentServerIsAbandonedAfterItsTimeOut) {
    DovecotServer& dovecot = SharedDovecot();
    ASSERT_TRUE(dovecot.ResetMailbox(2)) << dovecot.error();
    ScriptedServer silent({script::ExpectClosed()});
    std::vector<Profile> list = {Alice(dovecot), Alice(dovecot)};
    list[0].name = "Silent";
    list[0].port = silent.port();
    PollStop stop;
    RecordedReport report;
    const PollRun run = PollAll(&LoadedTls(), list, seconds(3), stop, report);
    EXPECT_EQ(report.started, (std::vector<std::string>{"0 Silent", "1 Alice"}));
    ASSERT_EQ(report.polled.size(), 2u);
    EXPECT_EQ(report.polled[0].outcome, PollOutcome::TimedOut);
    EXPECT_EQ(report.polled[1].outcome, PollOutcome::Counted);
    EXPECT_TRUE(run.new_found);
    EXPECT_FALSE(run.stopped);
    EXPECT_SCRIPT_DONE(silent);
}

TEST(PollAll, AStopRequestAbortsTheConversationAndEndsThePoll) {
    SilentListener silent;
    std::vector<Profile> list(2, Profile{.name = "Silent", .host = "127.0.0.1", .port = silent.port(),
                                         .user = "u", .pass = "p"});
    PollStop stop;
    RecordedReport report;
    // The request comes once the first conversation has begun, before or
    // during its connect: either way that conversation ends as Stopped.
    std::thread exit_request([&] {
        while (!report.any_started) {
            std::this_thread::sleep_for(milliseconds(1));
        }
        std::this_thread::sleep_for(milliseconds(50));
        stop.Request();
    });
    // The time-out is far away: only the stop request can end the first
    // conversation as Stopped.
    const PollRun run = PollAll(&LoadedTls(), list, seconds(120), stop, report);
    exit_request.join();
    EXPECT_TRUE(run.stopped);
    EXPECT_EQ(report.started.size(), 1u);
    ASSERT_EQ(report.polled.size(), 1u);
    EXPECT_EQ(report.polled[0].outcome, PollOutcome::Stopped);
}

}  // namespace
}  // namespace tarvox
