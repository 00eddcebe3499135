// Every dialogue with the real servers, through a proxy that cuts, stalls or trickles it at one
// byte: each run ends with an outcome, and what the client reports matches what the servers
// kept. TARVOX_FAULT_RUNS and TARVOX_FAULT_SEED set how many plans are drawn
// (scripts/fault-sweep.sh).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <optional>
#include <random>
#include <set>

#include "compose/send_worker.h"
#include "protocols/inbox_loader.h"
#include "protocols/inbox_save.h"
#include "protocols/mail_saving.h"
#include "protocols/mailbox_poll.h"
#include "protocols/message_deletion.h"
#include "protocols/open_mailbox.h"
#include "protocols/pop_session.h"
#include "protocols/viewer_download.h"
#include "support/dovecot_server.h"
#include "support/fault_proxy.h"
#include "support/loopback.h"
#include "support/scripted_services.h"
#include "support/smtp_server.h"
#include "support/temp_dir.h"

namespace tarvox {
namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;

// The silence (and for Mailman the whole conversation) after which the client gives up.
constexpr milliseconds kTimeOut{1000};
constexpr std::uint32_t kMessages = 4;

std::uint32_t EnvironmentNumber(const char* name, std::uint32_t fallback) {
    const char* value = std::getenv(name);
    return value != nullptr ? static_cast<std::uint32_t>(std::strtoul(value, nullptr, 10))
                            : fallback;
}

std::size_t FailureCount() {
    return static_cast<std::size_t>(
        ::testing::UnitTest::GetInstance()->current_test_info()->result()->total_part_count());
}

// One run of a dialogue through the proxy; `unbroken` when the proxy only delays it, by less
// than the time-out, so that the dialogue must succeed.
using Dialogue = std::function<void(FaultProxy& proxy, bool unbroken)>;

// A clean run records the traffic; then a Cut at every boundary and inside every reply, and
// TARVOX_FAULT_RUNS plans (40 by default) drawn from the seeds from TARVOX_FAULT_SEED on.
void Sweep(const std::string& name, std::uint16_t target, const Dialogue& run) {
    const std::size_t failures = FailureCount();
    FaultTraffic clean;
    {
        FaultProxy proxy(target, {});
        run(proxy, true);
        clean = proxy.Traffic();
    }
    ASSERT_EQ(FailureCount(), failures) << "the clean run of " << name << " failed";
    std::vector<std::pair<std::string, FaultPlan>> plans;
    for (const FaultPlan& plan : BoundaryCuts(clean)) {
        plans.emplace_back("", plan);
    }
    const std::uint32_t first = EnvironmentNumber("TARVOX_FAULT_SEED", 1);
    for (std::uint32_t seed = first; seed - first < EnvironmentNumber("TARVOX_FAULT_RUNS", 40);
         ++seed) {
        plans.emplace_back("seed " + std::to_string(seed) + ": ",
                           DrawFaultPlan(seed, clean, kTimeOut * 3 / 2));
    }
    std::size_t findings = 0;
    for (const auto& [label, plan] : plans) {
        SCOPED_TRACE(name + ", " + label + Describe(plan));
        const std::size_t before = FailureCount();
        FaultProxy proxy(target, plan);
        run(proxy, plan.action == FaultAction::Split ||
                       (plan.action == FaultAction::Stall && plan.pause < kTimeOut / 2));
        findings += FailureCount() > before ? 1 : 0;
    }
    std::cout << "fault sweep " << name << ": " << plans.size() << " runs, " << findings
              << " with findings\n";
}

// alice's fresh mailbox through the proxy: her messages as RETR gives them, and a session.
struct PopRun {
    explicit PopRun(std::uint16_t port) {
        EXPECT_TRUE(dovecot.ResetMailbox(kMessages)) << dovecot.error();
        for (const fs::path& file : dovecot.MessageFiles("alice")) {  // message n at n - 1
            names.push_back(Stem(file));
            expected.push_back(DovecotServer::ExpectedRetrText(file));
        }
        profile = {.alive = 0,
                   .host = "127.0.0.1",
                   .port = port,
                   .user = "alice",
                   .pass = dovecot.password("alice")};
        session.connection.SetIdleLimit(kTimeOut);
    }
    // A login moves the file from new/ to cur/ and adds flags after a colon.
    static std::string Stem(const fs::path& file) {
        const std::string name = file.filename().string();
        return name.substr(0, name.find(':'));
    }
    bool Load() {
        return OpenMailbox(session, {.working = profile}, services) == OpenOutcome::EnterInbox &&
               LoadInbox(session, {.working = &profile}, list, services) == LoadOutcome::Loaded;
    }
    // The numbers of the messages whose files left the mailbox.
    std::set<std::uint32_t> Gone() const {
        std::set<std::string> present;
        for (const fs::path& file : dovecot.MessageFiles("alice")) {
            present.insert(Stem(file));
        }
        std::set<std::uint32_t> gone;
        for (std::uint32_t n = 1; n <= names.size(); ++n) {
            if (!present.contains(names[n - 1])) {
                gone.insert(n);
            }
        }
        return gone;
    }

    DovecotServer& dovecot = SharedDovecot();
    std::vector<std::string> names;
    std::vector<std::string> expected;
    Profile profile;
    PopSession session{&LoadedTls()};
    ScriptedServices services;
    MessageList list;
};

// Loads the inbox and deletes its first and third rows; false when the session did not get
// that far. `marked` gets the numbers of the rows deleted.
bool LoadAndDelete(PopRun& pop, std::set<std::uint32_t>& marked) {
    if (!pop.Load()) {
        return false;
    }
    for (const std::size_t row : {0, 2}) {
        marked.insert(pop.list.RowNumbers().at(row));
        pop.list.Select(row, true);
    }
    return DeleteSelected(pop.session, pop.list, pop.services);
}

// RFC 1939 section 6: deletions reach the mailbox in the UPDATE state, after QUIT; after RSET
// there are none. The window closes whatever QUIT got: the mailbox follows the server's answer.
TEST(FaultSweep, DeletingThenSaveAndExitOrCancel) {
    for (const bool save : {true, false}) {
        const char* const name = save ? "delete and Save & Exit" : "delete and cancel";
        Sweep(name, SharedDovecot().plain_port(), [save](FaultProxy& proxy, bool unbroken) {
            PopRun pop(proxy.port());
            std::set<std::uint32_t> marked;
            std::optional<InboxExit> exit;
            Profile stored = pop.profile;  // Save & Exit asks STAT for it before QUIT
            if (LoadAndDelete(pop, marked)) {
                exit = save ? SaveInboxAndExit(
                                  pop.session, pop.list, &stored, [] {}, pop.services)
                            : PopResetAndExit(pop.session, pop.services);
            }
            const std::set<std::uint32_t> committed = save ? marked : std::set<std::uint32_t>{};
            const FaultTraffic traffic = proxy.Traffic();
            const bool quit_sent = traffic.bytes[0].ends_with("QUIT\r\n");
            const bool quit_answered =
                quit_sent && traffic.bytes[1].ends_with("\r\n") &&
                traffic.bytes[1].find("+OK Logging out") != std::string::npos;
            const std::set<std::uint32_t> gone = pop.Gone();
            EXPECT_TRUE(exit == InboxExit::CloseInbox || !unbroken);
            EXPECT_TRUE(quit_answered
                            ? gone == committed
                            : std::ranges::includes(committed, gone) && (quit_sent || gone.empty()))
                << gone.size() << " gone; QUIT sent: " << quit_sent
                << ", answered: " << quit_answered;
        });
    }
}

// The viewer's download, then Save Mail: a shown text or a saved file is the whole message.
TEST(FaultSweep, ViewingAndSavingMail) {
    Sweep("view and save mail", SharedDovecot().plain_port(), [](FaultProxy& proxy, bool unbroken) {
        PopRun pop(proxy.port());
        const TempDir root;
        std::optional<SaveMailOutcome> saved;
        if (pop.Load()) {
            const ViewerDownload view =
                DownloadForViewer(pop.session, {.message_number = 2}, pop.services);
            if (view.Shown()) {
                EXPECT_EQ(view.text, pop.expected[1]);
                saved = SaveMessages(pop.session, {1, 2, 3}, Profile{.name = "Alice"}, root.path(),
                                     pop.services, [](std::size_t) { return true; });
            }
        }
        std::size_t files = 0;
        for (const auto& entry : fs::recursive_directory_iterator(root.path())) {
            if (entry.is_regular_file()) {
                ++files;
                const std::string text = ReadWholeFile(entry.path());
                EXPECT_NE(std::ranges::find(pop.expected, text), pop.expected.end())
                    << entry.path() << " holds " << text.size() << " bytes of no message";
            }
        }
        EXPECT_TRUE(saved == SaveMailOutcome::Saved || !unbroken);
        EXPECT_TRUE(files == 3 || saved != SaveMailOutcome::Saved) << files << " files";
        EXPECT_EQ(pop.Gone().size(), 0u);
    });
}

class PollResults : public PollReport {
public:
    void ProfileStarted(std::size_t, const std::string&) override {}
    void ProfilePolled(std::size_t, const ProfilePoll& result) override {
        polled.push_back(result);
    }
    std::vector<ProfilePoll> polled;
};

// Mailman's poll of two profiles, both through the proxy, the second with STLS: a count is the
// mailbox's, never a guess.
TEST(FaultSweep, MailmanPollsAll) {
    Sweep("Mailman's poll", SharedDovecot().plain_port(), [](FaultProxy& proxy, bool unbroken) {
        PopRun pop(proxy.port());
        std::vector<Profile> list(2, pop.profile);
        list[1].protopop = TransportSecurity::StartTls;
        list[1].pop_sslid = pop.dovecot.fingerprint();
        PollStop stop;
        PollResults results;
        PollAll(&LoadedTls(), list, kTimeOut, stop, results);
        ASSERT_EQ(results.polled.size(), 2u);
        for (const ProfilePoll& poll : results.polled) {
            EXPECT_TRUE(poll.outcome == PollOutcome::Counted ? poll.count == kMessages : !unbroken)
                << PollFailureText(poll) << " " << poll.count;
        }
        EXPECT_EQ(pop.Gone().size(), 0u);
    });
}

// STARTTLS, AUTH and an attachment: "sent" only when the server holds the message.
TEST(FaultSweep, SendingWithStartTlsAuthAndAttachment) {
    SmtpTestServer& smtp = SharedSmtp();
    const TempDir files;
    std::string attachment(3000, '\0');
    std::ranges::generate(attachment, std::mt19937(5));
    WriteWholeFile(files / "data.bin", attachment);
    int runs = 0;
    Sweep("send", smtp.plain_port(), [&](FaultProxy& proxy, bool unbroken) {
        ASSERT_TRUE(smtp.ClearDelivered()) << smtp.error();
        const std::string subject = "fault run " + std::to_string(++runs);
        const std::string fingerprint = smtp.fingerprint();
        SendRequest request{.message = {.to = "bob@example.org",
                                        .subject = subject,
                                        .from = "alice@example.org",
                                        .body_lines = {"hello\r\n", "last"}},
                            .smtp = {.server = "127.0.0.1",
                                     .port = proxy.port(),
                                     .protocol = TransportSecurity::StartTls,
                                     .use_auth = true},
                            .fqdn = "desk.example.org",
                            .recorded_smtp_fingerprint = &fingerprint,
                            .idle_limit = kTimeOut};
        request.profile.user = "alice";
        request.profile.pass = "wonderland";
        request.message.attachments.push_back(
            {(files / "data.bin").string(), "application/octet-stream", attachment.size()});
        ScriptedServices services;
        const bool sent = SendWorker(&LoadedTls(), request, services);
        EXPECT_TRUE(sent || !unbroken) << services.LastStatus(StatusLine::Composer);
        const std::vector<SmtpEnvelope> envelopes = smtp.Envelopes();
        const bool held = std::ranges::any_of(envelopes, [&](const SmtpEnvelope& envelope) {
            return ReadWholeFile(smtp.maildir() / "new" / envelope.file)
                       .find("Subject: " + subject + "\n") != std::string::npos;
        });
        EXPECT_TRUE(held || !sent)
            << "reported sent; the server has " << envelopes.size() << " messages";
    });
}

}  // namespace
}  // namespace tarvox
