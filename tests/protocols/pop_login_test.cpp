#include "protocols/pop_login.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "protocol_fixture.h"

namespace tarvox {
namespace {

using namespace script;

// The APOP example of RFC 1939, whose secret is "tanstaaf".
const std::string kRfcGreeting = "+OK POP3 server ready <1896.697170952@dbc.mtview.ca.us>\r\n";
const std::string kRfcApop = "APOP mrose c4c9334bac560ecc979e58001b3e22fb\r\n";
const std::string kReady = "+OK POP3 server ready\r\n";

struct LoginOutcome {
    LoginResult result = LoginResult::LoggedIn;
    NetResult net = NetResult::Unknown;
    std::string rejection = "(untouched)";
    bool still_connected = false;
};

LoginOutcome RunLogin(Script script, const LoginRequest& request, std::size_t rejection_capacity = 1024) {
    ScriptedServer server(std::move(script));
    LoginOutcome outcome;
    NetConnection connection;
    EXPECT_EQ(ConnectTo(connection, server), NetResult::Success);
    outcome.result =
        PopLogin(connection, request, &outcome.rejection, rejection_capacity, outcome.net);
    outcome.still_connected = connection.Connected();
    connection.Close();
    EXPECT_SCRIPT_DONE(server);
    return outcome;
}

LoginRequest UserPass(std::string_view user, std::string_view password) { return {user, password, false, false, {}}; }

LoginRequest Apop(std::string_view user, std::string_view password, bool skip_greeting = false,
                  std::string_view greeting = {}) {
    return {user, password, true, skip_greeting, greeting};
}

TEST(PopLogin, LogsInAndStaysConnected) {
    const std::pair<Script, LoginRequest> cases[] = {
        {{Send(kReady), Expect("USER bob\r\n"), Send("+OK bob is known here\r\n"),
          Expect("PASS secret\r\n"), Send("+OK bob's maildrop has 2 messages (320 octets)\r\n")},
         UserPass("bob", "secret")},
        // APOP digests the first timestamp of the greeting with the password.
        {{Send(kRfcGreeting), Expect(kRfcApop), Send("+OK\r\n")}, Apop("mrose", "tanstaaf")},
        {{Send("+OK <1896.697170952@dbc.mtview.ca.us>\r\n"), Expect(kRfcApop), Send("+OK\r\n")},
         Apop("mrose", "tanstaaf")},
        {{Send("+OK ready <1896.697170952@dbc.mtview.ca.us> <2@other>\r\n"), Expect(kRfcApop),
          Send("+OK\r\n")},
         Apop("mrose", "tanstaaf")},
        // After STLS the server says nothing; APOP uses the greeting read before STLS.
        {{Expect(kRfcApop), Send("+OK maildrop locked and ready\r\n")},
         Apop("mrose", "tanstaaf", true, kRfcGreeting)},
        {{Expect("USER bob\r\n"), Send("+OK\r\n"), Expect("PASS secret\r\n"), Send("+OK\r\n")},
         {"bob", "secret", false, true, {}}},
    };
    for (const auto& [script, request] : cases) {
        LoginOutcome outcome = RunLogin(Join({script, {ExpectClosed()}}), request);
        EXPECT_EQ(outcome.result, LoginResult::LoggedIn) << script[0].description;
        EXPECT_EQ(outcome.net, NetResult::Success);
        EXPECT_TRUE(outcome.still_connected);
        EXPECT_EQ(outcome.rejection, "(untouched)");
    }
}

// Only QUIT follows a greeting that is no POP3 one, one without an APOP timestamp, or credentials smuggling a command.
TEST(PopLogin, GivesUpAfterTheGreetingWithOnlyQuit) {
    struct Case {
        std::string greeting;  // empty: read before STLS, none
        LoginRequest request;
        LoginResult result;
    };
    std::vector<Case> cases;
    for (const char* greeting :
         {"-ERR busy, try again later\r\n", "* OK [CAPABILITY IMAP4rev1] Dovecot ready.\r\n",
          "220 mail.example.org ESMTP\r\n", "+ok lower case\r\n", "+ ready\r\n"}) {
        cases.push_back({greeting, UserPass("bob", "secret"), LoginResult::NotPop3});
        cases.push_back({greeting, Apop("bob", "secret"), LoginResult::NotPop3});
    }
    for (const char* greeting :
         {"+OK POP3 server ready\r\n", "+OK ready <1896.697170952@dbc.mtview.ca.us\r\n",
          "+OK ready 1896.697170952@dbc.mtview.ca.us>\r\n"}) {
        cases.push_back({greeting, Apop("mrose", "tanstaafl"), LoginResult::NoApopTimestamp});
    }
    cases.push_back({"", Apop("mrose", "tanstaaf", true), LoginResult::NoApopTimestamp});
    for (const LoginRequest& request :
         {UserPass("bob\r\nDELE 1", "secret"), UserPass("bob", "secret\r\nDELE 1"),
          UserPass("bob", "sec\nret"), UserPass("bob\r", "secret"),
          Apop("mrose\r\nDELE 1", "tanstaaf")}) {
        cases.push_back({kRfcGreeting, request, LoginResult::UnsafeCredentials});
    }
    for (const Case& c : cases) {
        const Script greeting = c.greeting.empty() ? Script{} : Script{Send(c.greeting)};
        LoginOutcome outcome = RunLogin(Join({greeting, kPopQuit}), c.request);
        EXPECT_EQ(outcome.result, c.result) << c.greeting << c.request.user;
        EXPECT_FALSE(outcome.still_connected) << c.greeting << c.request.user;
    }
}

// A refusal hands back its reply and quits (no PASS after a refused USER); a hang-up, the network result.
TEST(PopLogin, RejectionOrHangUpEndsTheLogin) {
    const std::string untouched = "(untouched)";
    const Script user_refused = {Send(kReady), Expect("USER bob\r\n"),
                                 Send("-ERR sorry, no mailbox for bob here\r\n")};
    const struct {
        Script script;  // QUIT follows a refusal; the server hangs up when the rejection is untouched
        LoginRequest request;
        std::size_t capacity;
        std::string rejection;
    } cases[] = {
        {user_refused, UserPass("bob", "secret"), 1024, "-ERR sorry, no mailbox for bob here\r\n"},
        {user_refused, UserPass("bob", "secret"), 10, "-ERR sorr"},
        {user_refused, UserPass("bob", "secret"), 1, ""},
        {{Send(kReady), Expect("USER bob\r\n"), Send("+OK\r\n"), Expect("PASS wrong\r\n"),
          Send("-ERR [AUTH] invalid password\r\n")}, UserPass("bob", "wrong"), 1024, "-ERR [AUTH] invalid password\r\n"},
        {{Send(kRfcGreeting), Expect(kRfcApop), Send("-ERR permission denied\r\n")}, Apop("mrose", "tanstaaf"),
         1024, "-ERR permission denied\r\n"},
        {{}, UserPass("bob", "secret"), 1024, untouched},
        {{Send("+OK POP3 serv")}, UserPass("bob", "s"), 1024, untouched},
        {{Send(kReady), Expect("USER bob\r\n")}, UserPass("bob", "secret"), 1024, untouched},
        {{Send(kReady), Expect("USER bob\r\n"), Send("+OK\r\n"), Expect("PASS secret\r\n")},
         UserPass("bob", "secret"), 1024, untouched},
        {{Send(kRfcGreeting), Expect(kRfcApop)}, Apop("mrose", "tanstaaf"), 1024, untouched},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.script.size());
        const bool hung_up = c.rejection == untouched;
        LoginOutcome outcome = RunLogin(Join({c.script, hung_up ? Script{CloseConnection()} : kPopQuit}), c.request,
                                        c.capacity);
        EXPECT_EQ(outcome.result, hung_up ? LoginResult::NetworkFailure : LoginResult::Rejected);
        EXPECT_EQ(outcome.net == NetResult::GracefullyClosed, hung_up);
        EXPECT_EQ(outcome.rejection, c.rejection);
        EXPECT_TRUE(hung_up || !outcome.still_connected) << "a refusal quits";
    }
}

}  // namespace
}  // namespace tarvox
