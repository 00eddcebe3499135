#include "protocols/open_mailbox.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>

#include "net/tls_library.h"
#include "protocols/pop_session.h"
#include "protocol_fixture.h"
#include "support/loopback.h"

namespace tarvox {
namespace {

using namespace script;
using Recorded = std::vector<std::pair<std::string, std::string>>;  // stored name, fingerprint

const std::string kStatting = "Logged in. Retrieving mailbox stat . . .";
const std::string kRfcGreeting = "+OK POP3 server ready <1896.697170952@dbc.mtview.ca.us>\r\n";
const Script kGreeting = Join({{Send("+OK POP3 server ready\r\n")}, kCapaRefused});
const Script kUserPass = {Expect("USER bob\r\n"), Send("+OK\r\n"), Expect("PASS secret\r\n"),
                          Send("+OK logged in\r\n")};

Script Stat(const std::string& reply) { return {Expect("STAT\r\n"), Send("+OK " + reply + "\r\n")}; }

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

class OpenMailboxTest : public ::testing::Test {
protected:
    static Profile Working(std::uint16_t port, int protopop = 0, int apop = 0) {
        return {.name = "Work", .apop = apop, .protopop = TransportSecurityFromSetting(protopop),
                .host = "127.0.0.1", .port = port, .user = "bob", .pass = "secret"};
    }

    // The only saved profile, named as the working one but for case.
    Profile& Stored(std::string name = "WORK") {
        stored.clear();
        return AppendProfile(stored, {.name = std::move(name), .host = "127.0.0.1", .user = "bob"});
    }

    // Runs the worker with fresh services, which give `decision` to a certificate dialog.
    OpenOutcome Open(Profile working, OpenMode mode = OpenMode::Connect,
                     std::optional<CertificateDecision> decision = std::nullopt) {
        services.emplace();
        if (decision) {
            services->QueueCertificateDecision(*decision);
        }
        recorded.clear();
        cleared.clear();
        abort_enabled.clear();
        const OpenMailboxRequest request{
            mode, std::move(working), &stored, [this] { abort_enabled.push_back(Statuses().size()); },
            [this](Profile& profile, const CertificateFingerprints& prints) {
                recorded.emplace_back(profile.name, prints.sha1);
            },
            [this](const std::string& name) { cleared.push_back(name); }};
        return OpenMailbox(session, request, *services);
    }

    Lines Statuses() const { return services->Statuses(StatusLine::Account); }

    PopSession session{&LoadedTls()};
    std::optional<ScriptedServices> services{std::in_place};
    ProfileList stored;
    std::vector<std::size_t> abort_enabled;  // the statuses shown by then: Abort works from the lookup on
    Recorded recorded;
    Lines cleared;
};

TEST_F(OpenMailboxTest, TheStatAndTheRecordDecideWhetherTheInboxOpens) {
    constexpr OpenMode kIn = OpenMode::Connect;
    constexpr OpenMode kPoll = OpenMode::StatOnly;
    const std::string u = "User bob on 127.0.0.1 - ";
    const struct {
        OpenMode mode;
        const char* stat;         // the STAT reply after "+OK "
        const char* stored_name;  // empty: no stored profile
        int entermod;
        std::array<int, 2> maildrop;
        std::string ended;  // the last status when the session ends; empty: the inbox opens
    } cases[] = {
        {kIn, "3 4500", "", 0, {}, ""},
        {kIn, "0 0", "WORK", 0, {4, 900}, "No mail for user bob on 127.0.0.1"},
        {kPoll, "3 4500", "Home", 0, {3, 4500}, u + "3 msgs, total 4.4 KB"},
        {kPoll, "3 4500", "WORK", 0, {3, 4500}, u + "3 msgs, total 4.4 KB - [unmodified]"},
        {kPoll, "3 4500", "work", 0, {2, 4000}, u + "3 msgs, total 4.4 KB - [modified]"},
        {kPoll, "1200 987654321", "", 0, {}, u + "1200 msgs, total 964506.2 KB"},
        {kIn, "3 4500", "WORK", 1, {3, 4500}, "User bob on 127.0.0.1 has mail, but none of it is new"},
        {kIn, "3 4500", "WORK", 1, {2, 4000}, ""},
        {kIn, "3 4500", "WORK", 0, {3, 4500}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.stat) + c.stored_name + std::to_string(c.entermod));
        stored.clear();
        if (*c.stored_name != '\0') {
            Stored(c.stored_name).maildrop = c.maildrop;
            stored.front().entermod = c.entermod;
        }
        ScriptedServer server(Join({kGreeting, kUserPass, Stat(c.stat), kPopQuit}));
        const bool enters = c.ended.empty();
        EXPECT_EQ(Open(Working(server.port()), c.mode),
                  enters ? OpenOutcome::EnterInbox : OpenOutcome::Ended);
        EXPECT_EQ(Statuses(), Opening(server.port(), 0, enters ? Lines{kStatting} : Lines{kStatting,
                  "Received data from server. Closing connection...", c.ended}));
        EXPECT_EQ(session.connection.Connected(), enters);
        EXPECT_EQ(abort_enabled, std::vector<std::size_t>{1});
        if (enters) {
            EXPECT_EQ(std::pair(session.message_count, session.mailbox_size), std::pair(3u, 4500u));
            PopQuit(session.connection);
        }
        EXPECT_EQ(cleared, std::string(c.stat) == "0 0" ? Lines{"Work"} : Lines{});  // the poller's mark
        EXPECT_SCRIPT_DONE(server);
    }
}

TEST_F(OpenMailboxTest, FailuresShowTheirStatusAndBox) {
    const std::string plain =
        "Login error: Unable to login. Most likely cause is an incorrect username or password. "
        "The server responded with the following:\n\n-ERR no mailbox for bob here\r\n";
    const std::string apop =
        "Login error: Unable to perform APOP login. Either your username/password is bad, or your "
        "account is not configured for APOP. The server responded with the following:\n\n-ERR no\r\n";
    const std::string no_apop =
        "Secure login aborted: This POP server does not support APOP logins. You can still use a "
        "standard login - uncheck \"APOP login (secure)\" under POP3 options.";
    const std::string failed = "Error: Login failed";
    const std::string closed = "Error: socket gracefully closed";
    const struct {
        Script script;
        Lines statuses;  // after the opening ones
        std::string box;  // caption: text; empty: none
        int protopop = 0, apop = 0;
        std::string user = "bob";
    } cases[] = {
        {Join({kGreeting, {Expect("USER bob\r\n"), Send("-ERR no mailbox for bob here\r\n")}, kPopQuit}),
         {failed}, plain},
        {Join({{Send(kRfcGreeting)}, kCapaRefused,
               {Expect("APOP bob 3f18b52881e44c0cc6067f46e0ced7bc\r\n"), Send("-ERR no\r\n")}, kPopQuit}),
         {failed}, apop, 0, 1},
        {Join({kGreeting, kPopQuit}), {"Error: Server does not support APOP. Uncheck APOP and retry."},
         no_apop, 0, 1},
        {Join({kGreeting, kUserPass, {Expect("STAT\r\n"), Send("-ERR locked\r\n"), ExpectClosed()}}),
         {kStatting, "Error: server gave invalid response to STAT"}, ""},
        {Join({kGreeting, kUserPass, {Expect("STAT\r\n"), CloseConnection()}}), {kStatting, closed}, ""},
        {Join({kGreeting, {Expect("USER bob\r\n"), CloseConnection()}}), {closed}, ""},
        {Join({{Send("* OK IMAP4rev1 ready\r\n")}, kPopQuit}),
         {"Error: Not a POP3 mail server. Wrong port?"}, ""},
        {Join({kGreeting, kPopQuit}),
         {"Error: the user name or password holds a line break; it was not sent"}, "", 0, 0,
         "bob\r\nDELE 1"},
        {Join({kGreeting, {Expect("STLS\r\n"), Send("-ERR what?\r\n"), ExpectClosed()}}),
         {"Error: server does not support STLS method"}, "", 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.statuses.back());
        ScriptedServer server(c.script);
        Profile working = Working(server.port(), c.protopop, c.apop);
        working.user = c.user;
        EXPECT_EQ(Open(working), OpenOutcome::Failed);
        EXPECT_EQ(Statuses(), Opening(server.port(), c.protopop, c.statuses));
        EXPECT_EQ(BoxTexts(*services, c.box == no_apop ? BoxIcon::Warning : BoxIcon::Error),
                  c.box.empty() ? Lines{} : Lines{c.box});
        EXPECT_FALSE(session.connection.Connected());
        EXPECT_SCRIPT_DONE(server);
    }
}

// A certificate not on record is asked about, and what the dialog accepts is recorded in the stored
// profile of that name; one on record is not asked about. APOP over STLS digests the first greeting;
// the CAPA listing after STLS replaces the one before it.
TEST_F(OpenMailboxTest, CertificatesNotOnRecordAreAskedAbout) {
    constexpr auto kAccept = CertificateDecision::Accept;
    const std::string on_record = "(the server's)";
    const Script entered = Join({kGreeting, kUserPass, Stat("3 4500"), kPopQuit});
    const struct {
        int protopop, apop;
        Script script;
        std::optional<std::string> record;  // of the stored profile; none: no profile stored
        std::optional<CertificateDecision> decision;  // none: not asked
    } cases[] = {
        {1, 0, entered, "", kAccept},
        {1, 0, entered, std::nullopt, kAccept},
        {2, 0, Join({kGreeting, {Expect("STLS\r\n"), Send("+OK go\r\n"), StartTls(), ExpectClosed()}}),
         "00:11:22:33:44:55:66:77:88:99:AA:BB", CertificateDecision::Deny},
        {2, 1, Join({{Send(kRfcGreeting), Expect("CAPA\r\n"), Send("+OK\r\nSTLS\r\n.\r\n"),
                      Expect("STLS\r\n"), Send("+OK go\r\n"), StartTls(), Expect("CAPA\r\n"),
                      Send("+OK\r\nPIPELINING\r\n.\r\n"),
                      Expect("APOP bob 3f18b52881e44c0cc6067f46e0ced7bc\r\n"), Send("+OK\r\n")},
                     Stat("3 4500"), kPopQuit}), on_record, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.script[0].description);
        ServerOptions options;
        options.tls = c.protopop == 1 ? TlsMode::Direct : TlsMode::Plain;
        ScriptedServer server(c.script, options);
        const std::string print = server.certificate().fingerprint;
        stored.clear();
        if (c.record) {
            Stored().pop_sslid = *c.record == on_record ? print : *c.record;
        }
        const bool enters = c.decision != CertificateDecision::Deny;
        EXPECT_EQ(Open(Working(server.port(), c.protopop, c.apop), OpenMode::Connect, c.decision),
                  enters ? OpenOutcome::EnterInbox : OpenOutcome::Failed);
        EXPECT_EQ(services->Certificates().size(), c.decision ? 1u : 0u);
        EXPECT_TRUE(!c.decision || services->Certificates().at(0).fingerprint == print);
        EXPECT_EQ(Statuses(), Opening(server.port(), c.protopop,
                                      !enters ? Lines{"Error: SSL certificate unrecognized"}
                                      : c.apop ? Lines{"SSL active. Logging in . . .", kStatting}
                                               : Lines{kStatting}));
        EXPECT_EQ(session.connection.Connected(), enters);
        EXPECT_EQ(session.connection.TlsActive(), enters);
        EXPECT_EQ(session.capabilities, PopCapabilities{.pipelining = c.apop == 1});
        EXPECT_EQ(recorded, (c.decision == kAccept && c.record ? Recorded{{"WORK", print}} : Recorded{}));
        PopQuit(session.connection);
        EXPECT_SCRIPT_DONE(server);
    }
}

TEST_F(OpenMailboxTest, FailuresBeforeConnecting) {
    TlsLibrary unloaded;
    for (const auto& [library, protopop] : {std::pair<const TlsLibrary*, int>{nullptr, 1}, {&unloaded, 2}}) {
        PopSession tls_less(library);
        ScriptedServices shown;
        const OpenMailboxRequest request{.working = Working(995, protopop), .enable_abort = [] { ADD_FAILURE(); }};
        EXPECT_EQ(OpenMailbox(tls_less, request, shown), OpenOutcome::Failed);
        EXPECT_EQ(shown.Statuses(StatusLine::Account), Lines{"SSL not loaded; can not make connection"});
    }

    EXPECT_EQ(Open(Working(ClosedPort())), OpenOutcome::Failed);
    EXPECT_EQ(services->LastStatus(StatusLine::Account), "Error: unable to connect to host");
    EXPECT_EQ(abort_enabled, std::vector<std::size_t>{1});

    Profile nowhere = Working(110);
    nowhere.host = "";
    EXPECT_EQ(Open(nowhere), OpenOutcome::Failed);
    EXPECT_EQ(Statuses(), (Lines{"Looking up host  . . .", "Error: host \"\" not found"}));
    EXPECT_TRUE(abort_enabled.empty());
}

}  // namespace
}  // namespace tarvox
