#include "protocols/open_mailbox.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "net/tls_library.h"
#include "protocols/pop_session.h"
#include "support/loopback.h"
#include "support/scripted_server.h"
#include "support/scripted_services.h"

namespace tarvox {
namespace {

using namespace script;
using Lines = std::vector<std::string>;
using Script = std::vector<ScriptStep>;
using Recorded = std::vector<std::pair<std::string, std::string>>;  // stored name, fingerprint

const std::string kStatting = "Logged in. Retrieving mailbox stat . . .";
const std::string kClosing = "Received data from server. Closing connection...";
const std::string kRfcGreeting = "+OK POP3 server ready <1896.697170952@dbc.mtview.ca.us>\r\n";

Script Join(std::initializer_list<Script> parts) {
    Script steps;
    for (const Script& part : parts) {
        steps.insert(steps.end(), part.begin(), part.end());
    }
    return steps;
}

const Script kGreeting = {Send("+OK POP3 server ready\r\n")};
const Script kUserPass = {Expect("USER bob\r\n"), Send("+OK\r\n"), Expect("PASS secret\r\n"),
                          Send("+OK logged in\r\n")};
const Script kQuit = {Expect("QUIT\r\n"), Send("+OK dewey POP3 server signing off\r\n"),
                      ExpectClosed()};

Script Stat(std::string reply) {
    return {Expect("STAT\r\n"), Send(std::move(reply))};
}

// The greeting in the clear, STLS, and the TLS handshake.
Script Stls(std::string greeting = "+OK POP3 server ready\r\n") {
    return {Send(std::move(greeting)), Expect("STLS\r\n"), Send("+OK Begin TLS negotiation\r\n"),
            StartTls()};
}

// The statuses up to the login, or up to STLS, with `more` after them.
Lines Opening(std::uint16_t port, int protopop, const Lines& more) {
    const char* how[] = {"", " [SSL direct]", " [SSL via STLS]"};
    Lines lines = {
        "Looking up host 127.0.0.1 . . .",
        "Connecting to server 127.0.0.1 on port " + std::to_string(port) + how[protopop] + " . . .",
        protopop == 2 ? "Connected. Switching to SSL . . ." : "Connected. Logging in . . ."};
    lines.insert(lines.end(), more.begin(), more.end());
    return lines;
}

// ---- The worker, run on the test's thread ----

class OpenMailboxTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(tls.Load()); }

    // The account tab's profile "Work": bob's mailbox on the test server.
    static Profile Working(std::uint16_t port, int protopop = 0, int apop = 0) {
        Profile profile;
        profile.name = "Work";
        profile.host = "127.0.0.1";
        profile.port = port;
        profile.user = "bob";
        profile.pass = "secret";
        profile.protopop = TransportSecurityFromSetting(protopop);
        profile.apop = apop;
        return profile;
    }

    // The saved profile of the same name, told apart by the case of its name; the only one.
    Profile& Stored(std::string name = "WORK") {
        stored.clear();
        Profile profile;
        profile.name = std::move(name);
        profile.host = "127.0.0.1";
        profile.user = "bob";
        return AppendProfile(stored, profile);
    }

    // Runs the worker with fresh services, which give `decision` to a certificate dialog.
    OpenOutcome Open(Profile working, OpenMode mode = OpenMode::Connect,
                     std::optional<CertificateDecision> decision = std::nullopt) {
        services = std::make_unique<ScriptedServices>();
        if (decision) {
            services->QueueCertificateDecision(*decision);
        }
        recorded.clear();
        cleared.clear();
        abort_enabled = 0;
        OpenMailboxRequest request;
        request.mode = mode;
        request.working = std::move(working);
        request.stored = &stored;
        request.enable_abort = [this] { ++abort_enabled; };
        request.record_fingerprint = [this](Profile& profile, const std::string& fingerprint) {
            recorded.emplace_back(profile.name, fingerprint);
        };
        request.clear_new_mail_mark = [this](const std::string& name) { cleared.push_back(name); };
        OpenOutcome outcome = OpenMailbox(session, request, *services);
        return outcome;
    }

    Lines Statuses() const { return services->Statuses(StatusLine::Account); }

    TlsLibrary tls;
    PopSession session{&tls};
    std::unique_ptr<ScriptedServices> services = std::make_unique<ScriptedServices>();
    ProfileList stored;
    int abort_enabled = 0;
    Recorded recorded;
    std::vector<std::string> cleared;
};

TEST_F(OpenMailboxTest, TheStatAndTheRecordDecideWhetherTheInboxOpens) {
    struct Case {
        OpenMode mode;
        const char* stat;         // the STAT reply after "+OK "
        const char* stored_name;  // empty: no stored profile
        int entermod;
        std::array<int, 2> maildrop;
        std::string ended;  // the last status when the session ends; empty: the inbox opens
    };
    constexpr OpenMode kIn = OpenMode::Connect;
    constexpr OpenMode kPoll = OpenMode::StatOnly;
    const std::string u = "User bob on 127.0.0.1";
    const Case cases[] = {
        {kIn, "3 4500", "", 0, {}, ""},
        {kIn, "0 0", "WORK", 0, {4, 900}, "No mail for user bob on 127.0.0.1"},
        {kPoll, "3 4500", "", 0, {}, u + " - 3 msgs, total 4.4 KB"},
        {kPoll, "3 4500", "Home", 0, {3, 4500}, u + " - 3 msgs, total 4.4 KB"},
        {kPoll, "3 4500", "WORK", 0, {3, 4500}, u + " - 3 msgs, total 4.4 KB - [unmodified]"},
        {kPoll, "3 4500", "work", 0, {2, 4000}, u + " - 3 msgs, total 4.4 KB - [modified]"},
        {kPoll, "1 512", "", 0, {}, u + " - 1 msgs, total 0.5 KB"},
        {kPoll, "1200 987654321", "", 0, {}, u + " - 1200 msgs, total 964506.2 KB"},
        {kIn, "3 4500", "WORK", 1, {3, 4500}, u + " has mail, but none of it is new"},
        {kIn, "3 4500", "WORK", 1, {2, 4000}, ""},
        {kIn, "3 4500", "WORK", 0, {3, 4500}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.stat) + c.stored_name + std::to_string(c.entermod));
        stored.clear();
        if (*c.stored_name != '\0') {
            Stored(c.stored_name).maildrop = c.maildrop;
            stored.front().entermod = c.entermod;
        }
        ScriptedServer server(
            Join({kGreeting, kUserPass, Stat("+OK " + std::string(c.stat) + "\r\n"), kQuit}));
        const bool enters = c.ended.empty();
        EXPECT_EQ(Open(Working(server.port()), c.mode),
                  enters ? OpenOutcome::EnterInbox : OpenOutcome::Ended);
        EXPECT_EQ(Statuses(),
                  Opening(server.port(), 0,
                          enters ? Lines{kStatting} : Lines{kStatting, kClosing, c.ended}));
        EXPECT_EQ(session.connection.Connected(), enters);
        EXPECT_EQ(abort_enabled, 1);
        EXPECT_TRUE(services->Boxes().empty());
        if (enters) {
            EXPECT_EQ(session.message_count, 3u);
            EXPECT_EQ(session.mailbox_size, 4500u);
            PopQuit(session.connection);
        }
        // An empty mailbox clears the poller's mark and the record.
        const bool empty = std::string(c.stat) == "0 0";
        EXPECT_EQ(cleared, empty ? Lines{"Work"} : Lines{});
        if (empty) {
            EXPECT_EQ(stored.front().maildrop, (std::array<int, 2>{0, 0}));
        }
        EXPECT_SCRIPT_DONE(server);
    }
}

TEST_F(OpenMailboxTest, LoginRefusalsShowTheirBox) {
    const std::string plain =
        "Login error: Unable to login. Most likely cause is an incorrect username or password. "
        "The server responded with the following:\n\n";
    const std::string apop =
        "Login error: Unable to perform APOP login. Either your username/password is bad, or your "
        "account is not configured for APOP. The server responded with the following:\n\n";
    struct Case {
        Script script;  // up to the refusal; QUIT follows
        int apop;
        std::string box;  // caption: text
        BoxIcon icon;
        std::string status;
    };
    const Case cases[] = {
        {Join({kGreeting, {Expect("USER bob\r\n"), Send("-ERR no mailbox for bob here\r\n")}}), 0,
         plain + "-ERR no mailbox for bob here\r\n", BoxIcon::Error, "Error: Login failed"},
        {Join({kGreeting,
               {Expect("USER bob\r\n"), Send("+OK\r\n"), Expect("PASS secret\r\n"),
                Send("-ERR [AUTH] Authentication failed.\r\n")}}),
         0, plain + "-ERR [AUTH] Authentication failed.\r\n", BoxIcon::Error,
         "Error: Login failed"},
        // The digest is that of the timestamp and "secret".
        {{Send(kRfcGreeting), Expect("APOP bob 3f18b52881e44c0cc6067f46e0ced7bc\r\n"),
          Send("-ERR permission denied\r\n")},
         1,
         apop + "-ERR permission denied\r\n",
         BoxIcon::Error,
         "Error: Login failed"},
        {kGreeting, 1,
         "Secure login aborted: This POP server does not support APOP logins. You can still use a "
         "standard login - uncheck \"APOP login (secure)\" under POP3 options.",
         BoxIcon::Warning, "Error: Server does not support APOP. Uncheck APOP and retry."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.box);
        ScriptedServer server(Join({c.script, kQuit}));
        EXPECT_EQ(Open(Working(server.port(), 0, c.apop)), OpenOutcome::Failed);
        ASSERT_EQ(services->Boxes().size(), 1u);
        const MessageBoxRequest box = services->Boxes()[0];
        EXPECT_EQ(box.caption + ": " + box.text, c.box);
        EXPECT_EQ(box.icon, c.icon);
        EXPECT_EQ(Statuses(), Opening(server.port(), 0, {c.status}));
        EXPECT_FALSE(session.connection.Connected());
        EXPECT_SCRIPT_DONE(server);
    }
}

TEST_F(OpenMailboxTest, FailuresAfterConnecting) {
    struct Case {
        Script script;
        Lines statuses;  // after the opening ones
        int protopop = 0;
        std::string user = "bob";
    };
    const std::string stat_error = "Error: server gave invalid response to STAT";
    const std::string closed = "Error: socket gracefully closed";
    const std::string not_pop3 = "Error: Not a POP3 mail server. Wrong port?";
    const Case cases[] = {
        {Join({kGreeting, kUserPass, Stat("+OK 3\r\n"), {ExpectClosed()}}),
         {kStatting, stat_error}},
        {Join({kGreeting, kUserPass, Stat("-ERR maildrop locked\r\n"), {ExpectClosed()}}),
         {kStatting, stat_error}},
        {Join({kGreeting, kUserPass, {Expect("STAT\r\n"), CloseConnection()}}),
         {kStatting, closed}},
        {Join({kGreeting, {Expect("USER bob\r\n"), CloseConnection()}}), {closed}},
        {Join({{Send("-ERR busy, try again later\r\n")}, kQuit}), {not_pop3}},
        {Join({{Send("* OK IMAP4rev1 ready\r\n")}, kQuit}), {not_pop3}},
        {Join({kGreeting, kQuit}),
         {"Error: the user name or password holds a line break; it was not sent"},
         0,
         "bob\r\nDELE 1"},
        {{Send("+OK POP3 server ready\r\n"), Expect("STLS\r\n"),
          Send("-ERR command not recognized\r\n"), ExpectClosed()},
         {"Error: server does not support STLS method"},
         2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.statuses.back());
        ScriptedServer server(c.script);
        Profile working = Working(server.port(), c.protopop);
        working.user = c.user;
        EXPECT_EQ(Open(working), OpenOutcome::Failed);
        EXPECT_EQ(Statuses(), Opening(server.port(), c.protopop, c.statuses));
        EXPECT_TRUE(services->Boxes().empty());
        EXPECT_FALSE(session.connection.Connected());
        EXPECT_SCRIPT_DONE(server);
    }
}

// The certificate check with TLS from the first byte and after STLS: what the dialog decides
// is recorded in the stored profile of the same name.
TEST_F(OpenMailboxTest, CertificateNotOnRecordIsAskedAbout) {
    struct Case {
        int protopop;
        bool stored;
        CertificateDecision decision;
    };
    const Case cases[] = {
        {1, true, CertificateDecision::Accept},
        {1, false, CertificateDecision::Accept},
        {2, true, CertificateDecision::Deny},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.protopop);
        const bool accepted = c.decision == CertificateDecision::Accept;
        Script script = c.protopop == 2 ? Stls() : Script{};
        if (accepted) {
            script = Join({script, kGreeting, kUserPass, Stat("+OK 3 4500\r\n"), kQuit});
        } else {
            script.push_back(ExpectClosed());
        }
        ServerOptions options;
        options.tls = c.protopop == 1 ? TlsMode::Direct : TlsMode::Plain;
        ScriptedServer server(std::move(script), options);
        stored.clear();
        if (c.stored) {  // first seen, or another certificate on record
            Stored().pop_sslid =
                accepted ? "" : "00:11:22:33:44:55:66:77:88:99:AA:BB:CC:DD:EE:FF:00:11:22:33";
        }
        const OpenOutcome outcome =
            Open(Working(server.port(), c.protopop), OpenMode::Connect, c.decision);
        EXPECT_EQ(services->Certificates().size(), 1u);
        if (accepted) {
            EXPECT_EQ(outcome, OpenOutcome::EnterInbox);
            EXPECT_EQ(Statuses(), Opening(server.port(), c.protopop, {kStatting}));
            EXPECT_TRUE(session.connection.TlsActive());
            EXPECT_EQ(recorded, (c.stored ? Recorded{{"WORK", server.certificate().fingerprint}}
                                          : Recorded{}));
            PopQuit(session.connection);
        } else {
            EXPECT_EQ(outcome, OpenOutcome::Failed);
            EXPECT_EQ(Statuses(),
                      Opening(server.port(), 2, {"Error: SSL certificate unrecognized"}));
            EXPECT_TRUE(recorded.empty());
            EXPECT_FALSE(session.connection.Connected());
        }
        EXPECT_SCRIPT_DONE(server);
    }
}

TEST_F(OpenMailboxTest, ApopOverStlsUsesTheGreetingBeforeStlsAndARecordedCertificate) {
    ScriptedServer server(Join({Stls(kRfcGreeting),
                                {Expect("APOP mrose c4c9334bac560ecc979e58001b3e22fb\r\n"),
                                 Send("+OK mrose's maildrop has 2 messages (320 octets)\r\n")},
                                Stat("+OK 2 320\r\n"),
                                kQuit}));
    Stored().pop_sslid = server.certificate().fingerprint;
    Profile working = Working(server.port(), 2, 1);
    working.user = "mrose";
    working.pass = "tanstaaf";
    EXPECT_EQ(Open(working), OpenOutcome::EnterInbox);
    EXPECT_TRUE(services->Boxes().empty());
    EXPECT_TRUE(services->Certificates().empty());
    EXPECT_EQ(Statuses(), Opening(server.port(), 2, {"SSL active. Logging in . . .", kStatting}));
    PopQuit(session.connection);
    EXPECT_SCRIPT_DONE(server);
}

TEST_F(OpenMailboxTest, FailuresBeforeConnecting) {
    TlsLibrary unloaded;
    const TlsLibrary* const libraries[] = {nullptr, &unloaded};
    for (const TlsLibrary* library : libraries) {
        for (int protopop : {1, 2}) {
            PopSession tls_less(library);
            ScriptedServices shown;
            OpenMailboxRequest request;
            request.working = Working(995, protopop);
            request.enable_abort = [this] { ++abort_enabled; };
            EXPECT_EQ(OpenMailbox(tls_less, request, shown), OpenOutcome::Failed);
            EXPECT_EQ(shown.Statuses(StatusLine::Account),
                      Lines{"SSL not loaded; can not make connection"});
        }
    }
    EXPECT_EQ(abort_enabled, 0);

    const std::uint16_t port = ClosedPort();
    EXPECT_EQ(Open(Working(port)), OpenOutcome::Failed);
    EXPECT_EQ(Statuses(),
              (Lines{"Looking up host 127.0.0.1 . . .",
                     "Connecting to server 127.0.0.1 on port " + std::to_string(port) + " . . .",
                     "Error: unable to connect to host"}));
    EXPECT_EQ(abort_enabled, 1);

    Profile nowhere = Working(110);
    nowhere.host = "";
    EXPECT_EQ(Open(nowhere), OpenOutcome::Failed);
    EXPECT_EQ(Statuses(), (Lines{"Looking up host  . . .", "Error: host \"\" not found"}));
    EXPECT_EQ(abort_enabled, 0);
}

TEST_F(OpenMailboxTest, AbortWhileWaitingForTheGreeting) {
    // The server accepts and says nothing; the user presses Abort, which closes the
    // connection from the window's thread.
    ScriptedServer server({ExpectClosed()});
    std::thread window;
    OpenMailboxRequest request;
    request.working = Working(server.port());
    request.enable_abort = [&] {
        window = std::thread([&] {
            const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            while (!session.connection.Connected() && std::chrono::steady_clock::now() < give_up) {
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
            session.connection.Close();
        });
    };
    OpenOutcome outcome = OpenMailbox(session, request, *services);
    if (window.joinable()) {
        window.join();
    }
    EXPECT_EQ(outcome, OpenOutcome::Failed);
    Lines statuses = Statuses();
    ASSERT_EQ(statuses.size(), 4u);
    EXPECT_TRUE(statuses[3].starts_with("Error: ")) << statuses[3];
    EXPECT_NE(statuses[3], "Error: success");
    EXPECT_FALSE(session.connection.Connected());
    EXPECT_SCRIPT_DONE(server);
}

}  // namespace
}  // namespace tarvox
