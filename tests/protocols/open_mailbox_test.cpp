#include "protocols/open_mailbox.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "net/tls_library.h"
#include "protocols/pop_session.h"
#include "support/scripted_server.h"
#include "support/scripted_services.h"

namespace tarvox {
namespace {

using namespace script;
using Lines = std::vector<std::string>;

constexpr std::string_view kOtherPrint =
    "00:11:22:33:44:55:66:77:88:99:AA:BB:CC:DD:EE:FF:00:11:22:33";

const std::string kStatting = "Logged in. Retrieving mailbox stat . . .";
const std::string kClosing = "Received data from server. Closing connection...";

// ---- Transcripts ----

std::vector<ScriptStep> Join(std::initializer_list<std::vector<ScriptStep>> parts) {
    std::vector<ScriptStep> steps;
    for (const std::vector<ScriptStep>& part : parts) {
        steps.insert(steps.end(), part.begin(), part.end());
    }
    return steps;
}

std::vector<ScriptStep> Greeting() {
    return {Send("+OK POP3 server ready\r\n")};
}

std::vector<ScriptStep> UserPass() {
    return {Expect("USER bob\r\n"), Send("+OK\r\n"), Expect("PASS secret\r\n"),
            Send("+OK logged in\r\n")};
}

std::vector<ScriptStep> Stat(std::string reply) {
    return {Expect("STAT\r\n"), Send(reply)};
}

std::vector<ScriptStep> Quit() {
    return {Expect("QUIT\r\n"), Send("+OK dewey POP3 server signing off\r\n"), ExpectClosed()};
}

// The greeting in the clear, STLS, and the TLS handshake.
std::vector<ScriptStep> Stls(std::string greeting = "+OK POP3 server ready\r\n") {
    return {Send(greeting), Expect("STLS\r\n"), Send("+OK Begin TLS negotiation\r\n"), StartTls()};
}

// A port on which nothing listens.
std::uint16_t ClosedPort() {
    int probe = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in in{};
    in.sin_family = AF_INET;
    in.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(probe, reinterpret_cast<sockaddr*>(&in), sizeof(in));
    socklen_t length = sizeof(in);
    ::getsockname(probe, reinterpret_cast<sockaddr*>(&in), &length);
    ::close(probe);
    return ntohs(in.sin_port);
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
        profile.protopop = protopop;
        profile.apop = apop;
        return profile;
    }

    // The saved profile of the same name, told apart by the case of its name.
    Profile& Stored(std::string name = "WORK") {
        Profile profile;
        profile.name = std::move(name);
        profile.host = "127.0.0.1";
        profile.user = "bob";
        return AppendProfile(stored, profile);
    }

    // Runs the worker; `with` records what the user saw, the fixture's services when null.
    OpenOutcome Open(Profile working, OpenMode mode = OpenMode::Connect,
                     ScriptedServices* with = nullptr) {
        OpenMailboxRequest request;
        request.mode = mode;
        request.working = std::move(working);
        request.stored = &stored;
        request.enable_abort = [this] { ++abort_enabled; };
        request.record_fingerprint = [this](Profile& profile, const std::string& fingerprint) {
            recorded.emplace_back(profile.name, fingerprint);
        };
        request.clear_new_mail_mark = [this](const std::string& name) { cleared.push_back(name); };
        OpenOutcome outcome = OpenMailbox(session, request, with != nullptr ? *with : services);
        return outcome;
    }

    Lines Statuses() const { return services.Statuses(StatusLine::Account); }

    // The statuses up to a login in the clear.
    static Lines Plain(std::uint16_t port) {
        return {"Looking up host 127.0.0.1 . . .",
                "Connecting to server 127.0.0.1 on port " + std::to_string(port) + " . . .",
                "Connected. Logging in . . ."};
    }
    static Lines With(Lines lines, const Lines& more) {
        lines.insert(lines.end(), more.begin(), more.end());
        return lines;
    }

    TlsLibrary tls;
    PopSession session{&tls};
    ScriptedServices services;
    ProfileList stored;
    int abort_enabled = 0;
    std::vector<std::pair<std::string, std::string>> recorded;  // stored name, fingerprint
    std::vector<std::string> cleared;
};

TEST_F(OpenMailboxTest, MailEntersTheInbox) {
    ScriptedServer server(Join({Greeting(), UserPass(), Stat("+OK 3 4500\r\n"), Quit()}));
    EXPECT_EQ(Open(Working(server.port())), OpenOutcome::EnterInbox);
    EXPECT_EQ(Statuses(), With(Plain(server.port()), {kStatting}));
    EXPECT_EQ(session.message_count, 3u);
    EXPECT_EQ(session.mailbox_size, 4500u);
    EXPECT_TRUE(session.connection.Connected());
    EXPECT_EQ(abort_enabled, 1);
    EXPECT_TRUE(services.Boxes().empty());
    EXPECT_TRUE(cleared.empty());

    PopQuit(session.connection);
    EXPECT_SCRIPT_DONE(server);
}

TEST_F(OpenMailboxTest, EmptyMailboxQuits) {
    Profile& record = Stored();
    record.maildrop = {4, 900};
    ScriptedServer server(Join({Greeting(), UserPass(), Stat("+OK 0 0\r\n"), Quit()}));
    EXPECT_EQ(Open(Working(server.port())), OpenOutcome::Ended);
    EXPECT_EQ(Statuses(), With(Plain(server.port()),
                               {kStatting, kClosing, "No mail for user bob on 127.0.0.1"}));
    EXPECT_EQ(cleared, Lines{"Work"});
    EXPECT_EQ(record.maildrop, (std::array<int, 2>{0, 0}));
    EXPECT_FALSE(session.connection.Connected());
    EXPECT_SCRIPT_DONE(server);
}

TEST_F(OpenMailboxTest, StatOnlyReportsTheMailbox) {
    struct Case {
        std::string stat;
        std::string stored_name;  // empty: no stored profile
        std::array<int, 2> maildrop;
        std::string report;  // after "User bob on 127.0.0.1 - "
    };
    const Case cases[] = {
        {"+OK 3 4500\r\n", "", {}, "3 msgs, total 4.4 KB"},
        {"+OK 3 4500\r\n", "Home", {3, 4500}, "3 msgs, total 4.4 KB"},
        {"+OK 3 4500\r\n", "WORK", {3, 4500}, "3 msgs, total 4.4 KB - [unmodified]"},
        {"+OK 3 4500\r\n", "work", {2, 4000}, "3 msgs, total 4.4 KB - [modified]"},
        {"+OK 1 512\r\n", "", {}, "1 msgs, total 0.5 KB"},
        {"+OK 1200 987654321\r\n", "", {}, "1200 msgs, total 964506.2 KB"},
    };
    for (const Case& c : cases) {
        ScriptedServices case_services;
        stored.clear();
        if (!c.stored_name.empty()) {
            Stored(c.stored_name).maildrop = c.maildrop;
        }
        ScriptedServer server(Join({Greeting(), UserPass(), Stat(c.stat), Quit()}));
        EXPECT_EQ(Open(Working(server.port()), OpenMode::StatOnly, &case_services),
                  OpenOutcome::Ended);
        EXPECT_EQ(case_services.Statuses(StatusLine::Account),
                  With(Plain(server.port()),
                       {kStatting, kClosing, "User bob on 127.0.0.1 - " + c.report}));
        EXPECT_FALSE(session.connection.Connected());
        EXPECT_SCRIPT_DONE(server);
    }
}

TEST_F(OpenMailboxTest, EnterOnlyIfModified) {
    struct Case {
        int entermod;
        std::array<int, 2> maildrop;
        OpenOutcome outcome;
    };
    const Case cases[] = {
        {1, {3, 4500}, OpenOutcome::Ended},
        {1, {2, 4000}, OpenOutcome::EnterInbox},
        {0, {3, 4500}, OpenOutcome::EnterInbox},
    };
    for (const Case& c : cases) {
        ScriptedServices case_services;
        stored.clear();
        Profile& record = Stored();
        record.entermod = c.entermod;
        record.maildrop = c.maildrop;
        ScriptedServer server(Join({Greeting(), UserPass(), Stat("+OK 3 4500\r\n"), Quit()}));
        const std::string what =
            "entermod " + std::to_string(c.entermod) + ", " + std::to_string(c.maildrop[0]);
        EXPECT_EQ(Open(Working(server.port()), OpenMode::Connect, &case_services), c.outcome)
            << what;
        Lines expected = With(Plain(server.port()), {kStatting});
        if (c.outcome == OpenOutcome::Ended) {
            expected =
                With(expected, {kClosing, "User bob on 127.0.0.1 has mail, but none of it is new"});
        } else {
            EXPECT_TRUE(session.connection.Connected()) << what;
            PopQuit(session.connection);
        }
        EXPECT_EQ(case_services.Statuses(StatusLine::Account), expected) << what;
        EXPECT_SCRIPT_DONE(server);
    }
}

TEST_F(OpenMailboxTest, LoginRejected) {
    const std::string plain =
        "Unable to login. Most likely cause is an incorrect username or password. The server "
        "responded with the following:\n\n";
    const std::string apop =
        "Unable to perform APOP login. Either your username/password is bad, or your account is "
        "not configured for APOP. The server responded with the following:\n\n";
    struct Case {
        const char* what;
        std::vector<ScriptStep> script;  // up to the refusal; QUIT follows
        int apop;
        std::string box;
    };
    std::vector<Case> cases;
    cases.push_back(
        {"USER refused",
         Join({Greeting(), {Expect("USER bob\r\n"), Send("-ERR no mailbox for bob here\r\n")}}), 0,
         plain + "-ERR no mailbox for bob here\r\n"});
    cases.push_back({"PASS refused",
                     Join({Greeting(),
                           {Expect("USER bob\r\n"), Send("+OK\r\n"), Expect("PASS secret\r\n"),
                            Send("-ERR [AUTH] Authentication failed.\r\n")}}),
                     0, plain + "-ERR [AUTH] Authentication failed.\r\n"});
    // The digest is that of the timestamp and "secret".
    cases.push_back({"APOP refused",
                     {Send("+OK POP3 server ready <1896.697170952@dbc.mtview.ca.us>\r\n"),
                      Expect("APOP bob 3f18b52881e44c0cc6067f46e0ced7bc\r\n"),
                      Send("-ERR permission denied\r\n")},
                     1,
                     apop + "-ERR permission denied\r\n"});
    for (Case& c : cases) {
        ScriptedServices case_services;
        ScriptedServer server(Join({std::move(c.script), Quit()}));
        EXPECT_EQ(Open(Working(server.port(), 0, c.apop), OpenMode::Connect, &case_services),
                  OpenOutcome::Failed)
            << c.what;
        ASSERT_EQ(case_services.Boxes().size(), 1u) << c.what;
        EXPECT_EQ(case_services.Boxes()[0].text, c.box) << c.what;
        EXPECT_EQ(case_services.Boxes()[0].caption, "Login error") << c.what;
        EXPECT_EQ(case_services.Boxes()[0].icon, BoxIcon::Error) << c.what;
        EXPECT_EQ(case_services.Statuses(StatusLine::Account),
                  With(Plain(server.port()), {"Error: Login failed"}))
            << c.what;
        EXPECT_FALSE(session.connection.Connected()) << c.what;
        EXPECT_SCRIPT_DONE(server);
    }
}

TEST_F(OpenMailboxTest, FailuresAfterConnecting) {
    struct Case {
        const char* what;
        std::vector<ScriptStep> script;
        Lines statuses;  // after "Connected. Logging in . . ."
        std::string user = "bob";
    };
    std::vector<Case> cases;
    cases.push_back({"STAT with one number",
                     Join({Greeting(), UserPass(), Stat("+OK 3\r\n"), {ExpectClosed()}}),
                     {kStatting, "Error: server gave invalid response to STAT"}});
    cases.push_back(
        {"STAT refused",
         Join({Greeting(), UserPass(), Stat("-ERR maildrop locked\r\n"), {ExpectClosed()}}),
         {kStatting, "Error: server gave invalid response to STAT"}});
    cases.push_back({"hung up at STAT",
                     Join({Greeting(), UserPass(), {Expect("STAT\r\n"), CloseConnection()}}),
                     {kStatting, "Error: socket gracefully closed"}});
    cases.push_back({"hung up during login",
                     Join({Greeting(), {Expect("USER bob\r\n"), CloseConnection()}}),
                     {"Error: socket gracefully closed"}});
    cases.push_back({"greeting refuses",
                     Join({{Send("-ERR busy, try again later\r\n")}, Quit()}),
                     {"Error: Not a POP3 mail server. Wrong port?"}});
    cases.push_back({"IMAP server",
                     Join({{Send("* OK IMAP4rev1 ready\r\n")}, Quit()}),
                     {"Error: Not a POP3 mail server. Wrong port?"}});
    cases.push_back({"line break in the user name",
                     Join({Greeting(), Quit()}),
                     {"Error: the user name or password holds a line break; it was not sent"},
                     "bob\r\nDELE 1"});
    for (Case& c : cases) {
        ScriptedServices case_services;
        ScriptedServer server(std::move(c.script));
        Profile working = Working(server.port());
        working.user = c.user;
        EXPECT_EQ(Open(working, OpenMode::Connect, &case_services), OpenOutcome::Failed) << c.what;
        EXPECT_EQ(case_services.Statuses(StatusLine::Account),
                  With(Plain(server.port()), c.statuses))
            << c.what;
        EXPECT_TRUE(case_services.Boxes().empty()) << c.what;
        EXPECT_FALSE(session.connection.Connected()) << c.what;
        EXPECT_SCRIPT_DONE(server);
    }
}

TEST_F(OpenMailboxTest, ApopWithoutTimestamp) {
    ScriptedServer server(Join({Greeting(), Quit()}));
    EXPECT_EQ(Open(Working(server.port(), 0, 1)), OpenOutcome::Failed);
    ASSERT_EQ(services.Boxes().size(), 1u);
    EXPECT_EQ(services.Boxes()[0].text,
              "This POP server does not support APOP logins. You can still use a standard login "
              "- uncheck \"APOP login (secure)\" under POP3 options.");
    EXPECT_EQ(services.Boxes()[0].caption, "Secure login aborted");
    EXPECT_EQ(services.Boxes()[0].icon, BoxIcon::Warning);
    EXPECT_EQ(Statuses(), With(Plain(server.port()),
                               {"Error: Server does not support APOP. Uncheck APOP and retry."}));
    EXPECT_FALSE(session.connection.Connected());
    EXPECT_SCRIPT_DONE(server);
}

// ---- TLS ----

TEST_F(OpenMailboxTest, StlsRefused) {
    ScriptedServer server({Send("+OK POP3 server ready\r\n"), Expect("STLS\r\n"),
                           Send("-ERR command not recognized\r\n"), ExpectClosed()});
    EXPECT_EQ(Open(Working(server.port(), 2)), OpenOutcome::Failed);
    const std::string port = std::to_string(server.port());
    EXPECT_EQ(
        Statuses(),
        (Lines{"Looking up host 127.0.0.1 . . .",
               "Connecting to server 127.0.0.1 on port " + port + " [SSL via STLS] . . .",
               "Connected. Switching to SSL . . .", "Error: server does not support STLS method"}));
    EXPECT_FALSE(session.connection.Connected());
    EXPECT_SCRIPT_DONE(server);
}

// The certificate check, after STLS and with TLS from the first byte.
TEST_F(OpenMailboxTest, CertificateTrustedOnFirstUse) {
    enum class Record { Matching, Empty, Changed, NoStoredProfile };
    struct Case {
        const char* what;
        Record record;
        std::optional<CertificateDecision> decision;  // none: no dialog expected
    };
    const Case cases[] = {
        {"on record", Record::Matching, std::nullopt},
        {"first seen, accepted", Record::Empty, CertificateDecision::Accept},
        {"not stored, accepted", Record::NoStoredProfile, CertificateDecision::Accept},
        {"changed, denied", Record::Changed, CertificateDecision::Deny},
    };
    for (int protopop : {1, 2}) {
        for (const Case& c : cases) {
            const std::string what = std::string(c.what) + (protopop == 1 ? ", direct" : ", STLS");
            const bool accepted = c.decision != CertificateDecision::Deny;
            std::vector<ScriptStep> script;
            if (protopop == 2) {
                script = Stls();
            }
            if (accepted) {
                script = Join({script, protopop == 1 ? Greeting() : std::vector<ScriptStep>{},
                               UserPass(), Stat("+OK 3 4500\r\n"), Quit()});
            } else {
                script = Join({script,
                               protopop == 1 ? std::vector<ScriptStep>{ClientMayClose(
                                                   Send("+OK POP3 server ready\r\n"))}
                                             : std::vector<ScriptStep>{},
                               {ExpectClosed()}});
            }
            ServerOptions options;
            options.tls = protopop == 1 ? TlsMode::Direct : TlsMode::Plain;
            ScriptedServer server(std::move(script), options);
            const std::string actual = server.certificate().fingerprint;

            ScriptedServices case_services;
            if (c.decision) {
                case_services.QueueCertificateDecision(*c.decision);
            }
            stored.clear();
            recorded.clear();
            if (c.record != Record::NoStoredProfile) {
                Stored().pop_sslid = c.record == Record::Matching  ? actual
                                     : c.record == Record::Changed ? std::string(kOtherPrint)
                                                                   : "";
            }
            OpenOutcome outcome =
                Open(Working(server.port(), protopop), OpenMode::Connect, &case_services);

            const std::string port = std::to_string(server.port());
            Lines expected{"Looking up host 127.0.0.1 . . ."};
            if (protopop == 1) {
                expected = With(expected, {"Connecting to server 127.0.0.1 on port " + port +
                                               " [SSL direct] . . .",
                                           "Connected. Logging in . . ."});
            } else {
                expected = With(expected, {"Connecting to server 127.0.0.1 on port " + port +
                                               " [SSL via STLS] . . .",
                                           "Connected. Switching to SSL . . ."});
            }
            if (accepted) {
                EXPECT_EQ(outcome, OpenOutcome::EnterInbox) << what;
                if (protopop == 2) {
                    expected.push_back("SSL active. Logging in . . .");
                }
                expected.push_back(kStatting);
                EXPECT_TRUE(session.connection.TlsActive()) << what;
                PopQuit(session.connection);
            } else {
                EXPECT_EQ(outcome, OpenOutcome::Failed) << what;
                expected.push_back("Error: SSL certificate unrecognized");
                EXPECT_FALSE(session.connection.Connected()) << what;
            }
            EXPECT_EQ(case_services.Statuses(StatusLine::Account), expected) << what;
            EXPECT_EQ(case_services.Certificates().size(), c.decision ? 1u : 0u) << what;
            if (c.record == Record::Empty) {
                EXPECT_EQ(recorded,
                          (std::vector<std::pair<std::string, std::string>>{{"WORK", actual}}))
                    << what;
            } else {
                EXPECT_TRUE(recorded.empty()) << what;
            }
            EXPECT_SCRIPT_DONE(server);
        }
    }
}

TEST_F(OpenMailboxTest, ApopOverStlsUsesTheGreetingBeforeStls) {
    ScriptedServer server(Join({Stls("+OK POP3 server ready <1896.697170952@dbc.mtview.ca.us>\r\n"),
                                {Expect("APOP mrose c4c9334bac560ecc979e58001b3e22fb\r\n"),
                                 Send("+OK mrose's maildrop has 2 messages (320 octets)\r\n")},
                                Stat("+OK 2 320\r\n"),
                                Quit()}));
    Stored().pop_sslid = server.certificate().fingerprint;
    Profile working = Working(server.port(), 2, 1);
    working.user = "mrose";
    working.pass = "tanstaaf";
    EXPECT_EQ(Open(working), OpenOutcome::EnterInbox);
    EXPECT_TRUE(services.Boxes().empty());
    EXPECT_EQ(Statuses().back(), kStatting);
    PopQuit(session.connection);
    EXPECT_SCRIPT_DONE(server);
}

TEST_F(OpenMailboxTest, TlsNotLoaded) {
    TlsLibrary unloaded;
    const TlsLibrary* const libraries[] = {nullptr, &unloaded};
    for (const TlsLibrary* library : libraries) {
        for (int protopop : {1, 2}) {
            ScriptedServices case_services;
            PopSession plain_session(library);
            OpenMailboxRequest request;
            request.working = Working(995, protopop);
            request.enable_abort = [this] { ++abort_enabled; };
            EXPECT_EQ(OpenMailbox(plain_session, request, case_services), OpenOutcome::Failed);
            EXPECT_EQ(case_services.Statuses(StatusLine::Account),
                      Lines{"SSL not loaded; can not make connection"});
        }
    }
    EXPECT_EQ(abort_enabled, 0);
}

TEST_F(OpenMailboxTest, ConnectionRefused) {
    const std::uint16_t port = ClosedPort();
    EXPECT_EQ(Open(Working(port)), OpenOutcome::Failed);
    EXPECT_EQ(Statuses(),
              (Lines{"Looking up host 127.0.0.1 . . .",
                     "Connecting to server 127.0.0.1 on port " + std::to_string(port) + " . . .",
                     "Error: unable to connect to host"}));
    EXPECT_EQ(abort_enabled, 1);
    EXPECT_FALSE(session.connection.Connected());
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
    OpenOutcome outcome = OpenMailbox(session, request, services);
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

TEST_F(OpenMailboxTest, HostNotFound) {
    Profile working = Working(110);
    working.host = "";
    EXPECT_EQ(Open(working), OpenOutcome::Failed);
    EXPECT_EQ(Statuses(), (Lines{"Looking up host  . . .", "Error: host \"\" not found"}));
    EXPECT_EQ(abort_enabled, 0);
}

}  // namespace
}  // namespace tarvox
