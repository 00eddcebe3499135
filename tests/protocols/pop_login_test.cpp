#include "protocols/pop_login.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "net/net_connection.h"
#include "support/scripted_server.h"

namespace tarvox {
namespace {

using namespace script;

// The APOP example of RFC 1939, section 7, whose shared secret is "tanstaaf" (without the
// final "l" of the proverb); and the digest of the same timestamp with "tanstaafl".
constexpr std::string_view kRfcGreeting =
    "+OK POP3 server ready <1896.697170952@dbc.mtview.ca.us>\r\n";
constexpr std::string_view kRfcDigest = "c4c9334bac560ecc979e58001b3e22fb";
constexpr std::string_view kTanstaaflDigest = "a6f0dd348916c9ee9539661f94c75203";

std::vector<ScriptStep> Then(std::vector<ScriptStep> steps, std::vector<ScriptStep> more) {
    for (ScriptStep& step : more) {
        steps.push_back(std::move(step));
    }
    return steps;
}

// What a client that gives up must end with.
std::vector<ScriptStep> Quit() {
    return {Expect("QUIT\r\n"), Send("+OK dewey POP3 server signing off\r\n"), ExpectClosed()};
}

struct LoginOutcome {
    LoginResult result = LoginResult::LoggedIn;
    NetResult net = 0;
    std::string rejection = "(untouched)";
    bool still_connected = false;
};

// Connects to the server, logs in and hangs up.
LoginOutcome RunLogin(ScriptedServer& server, const LoginRequest& request,
                      std::size_t rejection_capacity = 1024) {
    LoginOutcome outcome;
    NetAddress address;
    EXPECT_EQ(ResolveHost("127.0.0.1", server.port(), address), 0);
    NetConnection connection;
    EXPECT_EQ(connection.Connect(false, address), 1);
    outcome.result =
        PopLogin(connection, request, &outcome.rejection, rejection_capacity, outcome.net);
    outcome.still_connected = connection.Connected();
    connection.Close();
    return outcome;
}

LoginRequest UserPass(std::string_view user, std::string_view password) {
    LoginRequest request;
    request.user = user;
    request.password = password;
    return request;
}

LoginRequest Apop(std::string_view user, std::string_view password) {
    LoginRequest request = UserPass(user, password);
    request.apop = true;
    return request;
}

TEST(PopLogin, UserAndPass) {
    ScriptedServer server({Send("+OK POP3 server ready\r\n"), Expect("USER bob\r\n"),
                           Send("+OK bob is known here\r\n"), Expect("PASS secret\r\n"),
                           Send("+OK bob's maildrop has 2 messages (320 octets)\r\n"),
                           ExpectClosed()});
    LoginOutcome outcome = RunLogin(server, UserPass("bob", "secret"));
    EXPECT_EQ(outcome.result, LoginResult::LoggedIn);
    EXPECT_EQ(outcome.net, 1);
    EXPECT_TRUE(outcome.still_connected);
    EXPECT_EQ(outcome.rejection, "(untouched)");
    EXPECT_SCRIPT_DONE(server);
}

TEST(PopLogin, GreetingWithoutPlusOkIsNoPop3ServerAndGetsQuit) {
    const std::string greetings[] = {
        "-ERR busy, try again later\r\n",
        "* OK [CAPABILITY IMAP4rev1] Dovecot ready.\r\n",
        "220 mail.example.org ESMTP\r\n",
        "+ok lower case\r\n",
        "+ ready\r\n",
    };
    for (const std::string& greeting : greetings) {
        for (bool apop : {false, true}) {
            ScriptedServer server(Then({Send(greeting)}, Quit()));
            LoginRequest request = apop ? Apop("bob", "secret") : UserPass("bob", "secret");
            LoginOutcome outcome = RunLogin(server, request);
            EXPECT_EQ(outcome.result, LoginResult::NotPop3) << greeting;
            EXPECT_FALSE(outcome.still_connected) << greeting;
            EXPECT_SCRIPT_DONE(server);
        }
    }
}

TEST(PopLogin, ApopSendsTheDigestOfTheFirstTimestampAndThePassword) {
    struct Case {
        std::string greeting;
        std::string password;
        std::string_view digest;
    };
    const Case cases[] = {
        {std::string(kRfcGreeting), "tanstaaf", kRfcDigest},
        {std::string(kRfcGreeting), "tanstaafl", kTanstaaflDigest},
        {"+OK <1896.697170952@dbc.mtview.ca.us>\r\n", "tanstaaf", kRfcDigest},
        {"+OK ready <1896.697170952@dbc.mtview.ca.us> <2@other>\r\n", "tanstaaf", kRfcDigest},
    };
    for (const Case& c : cases) {
        ScriptedServer server(
            {Send(c.greeting), Expect("APOP mrose " + std::string(c.digest) + "\r\n"),
             Send("+OK mrose's maildrop has 2 messages (320 octets)\r\n"), ExpectClosed()});
        LoginOutcome outcome = RunLogin(server, Apop("mrose", c.password));
        EXPECT_EQ(outcome.result, LoginResult::LoggedIn) << c.greeting << c.password;
        EXPECT_TRUE(outcome.still_connected);
        EXPECT_SCRIPT_DONE(server);
    }
}

TEST(PopLogin, ApopWithoutTimestampSendsOnlyQuit) {
    const std::string greetings[] = {
        "+OK POP3 server ready\r\n",
        "+OK ready <1896.697170952@dbc.mtview.ca.us\r\n",
        "+OK ready 1896.697170952@dbc.mtview.ca.us>\r\n",
    };
    for (const std::string& greeting : greetings) {
        ScriptedServer server(Then({Send(greeting)}, Quit()));
        LoginOutcome outcome = RunLogin(server, Apop("mrose", "tanstaafl"));
        EXPECT_EQ(outcome.result, LoginResult::NoApopTimestamp) << greeting;
        EXPECT_FALSE(outcome.still_connected) << greeting;
        EXPECT_SCRIPT_DONE(server);
    }
}

TEST(PopLogin, RejectionHandsBackTheRefusingReplyAndQuits) {
    struct Case {
        const char* what;
        std::vector<ScriptStep> script;  // up to the refusal; QUIT follows
        LoginRequest request;
        std::size_t capacity;
        std::string rejection;
    };
    std::vector<Case> cases;
    // A refused USER is the end: PASS is never sent (the server expects QUIT next).
    cases.push_back({"USER refused",
                     {Send("+OK POP3 server ready\r\n"), Expect("USER bob\r\n"),
                      Send("-ERR sorry, no mailbox for bob here\r\n")},
                     UserPass("bob", "secret"),
                     1024,
                     "-ERR sorry, no mailbox for bob here\r\n"});
    cases.push_back({"USER refused, small buffer",
                     {Send("+OK POP3 server ready\r\n"), Expect("USER bob\r\n"),
                      Send("-ERR sorry, no mailbox for bob here\r\n")},
                     UserPass("bob", "secret"),
                     10,
                     "-ERR sorr"});
    cases.push_back({"USER refused, room for nothing",
                     {Send("+OK POP3 server ready\r\n"), Expect("USER bob\r\n"),
                      Send("-ERR sorry, no mailbox for bob here\r\n")},
                     UserPass("bob", "secret"),
                     1,
                     ""});
    cases.push_back({"PASS refused",
                     {Send("+OK POP3 server ready\r\n"), Expect("USER bob\r\n"), Send("+OK\r\n"),
                      Expect("PASS wrong\r\n"), Send("-ERR [AUTH] invalid password\r\n")},
                     UserPass("bob", "wrong"),
                     1024,
                     "-ERR [AUTH] invalid password\r\n"});
    cases.push_back(
        {"APOP refused",
         {Send(std::string(kRfcGreeting)), Expect("APOP mrose " + std::string(kRfcDigest) + "\r\n"),
          Send("-ERR permission denied\r\n")},
         Apop("mrose", "tanstaaf"),
         1024,
         "-ERR permission denied\r\n"});
    for (Case& c : cases) {
        ScriptedServer server(Then(std::move(c.script), Quit()));
        LoginOutcome outcome = RunLogin(server, c.request, c.capacity);
        EXPECT_EQ(outcome.result, LoginResult::Rejected) << c.what;
        EXPECT_EQ(outcome.rejection, c.rejection) << c.what;
        EXPECT_FALSE(outcome.still_connected) << c.what;
        EXPECT_SCRIPT_DONE(server);
    }
}

TEST(PopLogin, AfterStlsTheGreetingReadBeforeServesApop) {
    // The greeting came before STLS; the server says nothing more until the client speaks.
    LoginRequest apop = Apop("mrose", "tanstaaf");
    apop.skip_greeting = true;
    apop.greeting = kRfcGreeting;
    ScriptedServer apop_server({Expect("APOP mrose " + std::string(kRfcDigest) + "\r\n"),
                                Send("+OK maildrop locked and ready\r\n"), ExpectClosed()});
    EXPECT_EQ(RunLogin(apop_server, apop).result, LoginResult::LoggedIn);
    EXPECT_SCRIPT_DONE(apop_server);

    LoginRequest user_pass = UserPass("bob", "secret");
    user_pass.skip_greeting = true;
    ScriptedServer user_server({Expect("USER bob\r\n"), Send("+OK\r\n"), Expect("PASS secret\r\n"),
                                Send("+OK\r\n"), ExpectClosed()});
    EXPECT_EQ(RunLogin(user_server, user_pass).result, LoginResult::LoggedIn);
    EXPECT_SCRIPT_DONE(user_server);

    LoginRequest no_greeting = Apop("mrose", "tanstaaf");
    no_greeting.skip_greeting = true;
    ScriptedServer quit_server(Quit());
    EXPECT_EQ(RunLogin(quit_server, no_greeting).result, LoginResult::NoApopTimestamp);
    EXPECT_SCRIPT_DONE(quit_server);
}

TEST(PopLogin, CredentialsWithLineBreaksAreNeverSent) {
    const LoginRequest requests[] = {
        UserPass("bob\r\nDELE 1", "secret"), UserPass("bob", "secret\r\nDELE 1"),
        UserPass("bob", "sec\nret"),         UserPass("bob\r", "secret"),
        Apop("mrose\r\nDELE 1", "tanstaaf"),
    };
    for (const LoginRequest& request : requests) {
        ScriptedServer server(Then({Send(std::string(kRfcGreeting))}, Quit()));
        LoginOutcome outcome = RunLogin(server, request);
        EXPECT_EQ(outcome.result, LoginResult::UnsafeCredentials)
            << request.user << "/" << request.password;
        EXPECT_FALSE(outcome.still_connected);
        EXPECT_SCRIPT_DONE(server);
    }
}

TEST(PopLogin, NetworkFailureHandsBackTheResult) {
    struct Case {
        const char* what;
        std::vector<ScriptStep> script;
        LoginRequest request;
    };
    std::vector<Case> cases;
    cases.push_back({"no greeting", {CloseConnection()}, UserPass("bob", "secret")});
    cases.push_back(
        {"greeting cut short", {Send("+OK POP3 serv"), CloseConnection()}, UserPass("bob", "s")});
    cases.push_back({"gone after USER",
                     {Send("+OK POP3 server ready\r\n"), Expect("USER bob\r\n"), CloseConnection()},
                     UserPass("bob", "secret")});
    cases.push_back({"gone after PASS",
                     {Send("+OK POP3 server ready\r\n"), Expect("USER bob\r\n"), Send("+OK\r\n"),
                      Expect("PASS secret\r\n"), CloseConnection()},
                     UserPass("bob", "secret")});
    cases.push_back({"gone after APOP",
                     {Send(std::string(kRfcGreeting)),
                      Expect("APOP mrose " + std::string(kRfcDigest) + "\r\n"), CloseConnection()},
                     Apop("mrose", "tanstaaf")});
    for (Case& c : cases) {
        ScriptedServer server(std::move(c.script));
        LoginOutcome outcome = RunLogin(server, c.request);
        EXPECT_EQ(outcome.result, LoginResult::NetworkFailure) << c.what;
        EXPECT_EQ(outcome.net, 11) << c.what;  // socket gracefully closed
        EXPECT_EQ(outcome.rejection, "(untouched)") << c.what;
        EXPECT_SCRIPT_DONE(server);
    }
}

}  // namespace
}  // namespace tarvox
