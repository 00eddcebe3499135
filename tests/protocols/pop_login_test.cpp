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

LoginRequest UserPass(std::string_view user, std::string_view password) { return {user, password, false, false, {}}; }

LoginRequest Apop(std::string_view user, std::string_view password, bool skip_greeting = false,
                  std::string_view greeting = {}) {
    return {user, password, true, skip_greeting, greeting};
}

// How a login ends: logged in and still connected; given up after the greeting or refused, with
// only QUIT after that (a refusal hands back its reply: no PASS after a refused USER); hung up on.
TEST(PopLogin, LogsInGivesUpIsRefusedOrHungUpOn) {
    using enum LoginResult;
    struct Case {
        Script script;  // then the client closes, QUIT follows, or (NetworkFailure) the server hangs up
        LoginRequest request;
        LoginResult result;
        std::string rejection = "(untouched)";
        std::size_t capacity = 1024;
    };
    const Script user_refused = {Send(kReady), Expect("USER bob\r\n"),
                                 Send("-ERR sorry, no mailbox for bob here\r\n")};
    std::vector<Case> cases = {
        {{Send(kReady), Expect("USER bob\r\n"), Send("+OK bob is known here\r\n"),
          Expect("PASS secret\r\n"), Send("+OK bob's maildrop has 2 messages (320 octets)\r\n")},
         UserPass("bob", "secret"), LoggedIn},
        // APOP digests the first timestamp of the greeting with the password.
        {{Send(kRfcGreeting), Expect(kRfcApop), Send("+OK\r\n")}, Apop("mrose", "tanstaaf"), LoggedIn},
        {{Send("+OK <1896.697170952@dbc.mtview.ca.us>\r\n"), Expect(kRfcApop), Send("+OK\r\n")},
         Apop("mrose", "tanstaaf"), LoggedIn},
        {{Send("+OK ready <1896.697170952@dbc.mtview.ca.us> <2@other>\r\n"), Expect(kRfcApop),
          Send("+OK\r\n")}, Apop("mrose", "tanstaaf"), LoggedIn},
        // After STLS the server says nothing; APOP uses the greeting read before STLS.
        {{Expect(kRfcApop), Send("+OK maildrop locked and ready\r\n")},
         Apop("mrose", "tanstaaf", true, kRfcGreeting), LoggedIn},
        {{Expect("USER bob\r\n"), Send("+OK\r\n"), Expect("PASS secret\r\n"), Send("+OK\r\n")},
         {"bob", "secret", false, true, {}}, LoggedIn},
        {{}, Apop("mrose", "tanstaaf", true), NoApopTimestamp},
        {user_refused, UserPass("bob", "secret"), Rejected, "-ERR sorry, no mailbox for bob here\r\n"},
        {user_refused, UserPass("bob", "secret"), Rejected, "-ERR sorr", 10},
        {user_refused, UserPass("bob", "secret"), Rejected, "", 1},
        {{Send(kReady), Expect("USER bob\r\n"), Send("+OK\r\n"), Expect("PASS wrong\r\n"),
          Send("-ERR [AUTH] invalid password\r\n")}, UserPass("bob", "wrong"), Rejected,
         "-ERR [AUTH] invalid password\r\n"},
        {{Send(kRfcGreeting), Expect(kRfcApop), Send("-ERR permission denied\r\n")}, Apop("mrose", "tanstaaf"),
         Rejected, "-ERR permission denied\r\n"},
        // Credentials go out in stored form (ISO-8859-1 when they fit); an 8-bit reply reads as Windows-1252.
        {{Send(kReady), Expect("USER j\xF6rg\r\n"), Send("+OK\r\n"), Expect("PASS päss 日本\r\n"),
          Send("-ERR f\xFCr dich\r\n")}, UserPass("jörg", "päss 日本"), Rejected, "-ERR für dich\r\n"},
        {{}, UserPass("bob", "secret"), NetworkFailure},
        {{Send("+OK POP3 serv")}, UserPass("bob", "s"), NetworkFailure},
        {{Send(kReady), Expect("USER bob\r\n")}, UserPass("bob", "secret"), NetworkFailure},
        {{Send(kReady), Expect("USER bob\r\n"), Send("+OK\r\n"), Expect("PASS secret\r\n")},
         UserPass("bob", "secret"), NetworkFailure},
        {{Send(kRfcGreeting), Expect(kRfcApop)}, Apop("mrose", "tanstaaf"), NetworkFailure},
    };
    for (const char* greeting : {"-ERR busy\r\n", "* OK IMAP4rev1\r\n", "+ok lower case\r\n", "+ ready\r\n"}) {
        cases.push_back({{Send(greeting)}, UserPass("bob", "secret"), NotPop3});
        cases.push_back({{Send(greeting)}, Apop("bob", "secret"), NotPop3});
    }
    for (const char* greeting :
         {"+OK POP3 server ready\r\n", "+OK ready <1896.697170952@dbc.mtview.ca.us\r\n",
          "+OK ready 1896.697170952@dbc.mtview.ca.us>\r\n"}) {
        cases.push_back({{Send(greeting)}, Apop("mrose", "tanstaafl"), NoApopTimestamp});
    }
    // Credentials smuggling a command are not sent.
    for (const LoginRequest& request :
         {UserPass("bob\r\nDELE 1", "secret"), UserPass("bob", "secret\r\nDELE 1"),
          UserPass("bob", "sec\nret"), UserPass("bob\r", "secret"), Apop("mrose\r\nDELE 1", "tanstaaf")}) {
        cases.push_back({{Send(kRfcGreeting)}, request, UnsafeCredentials});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << (c.script.empty() ? "" : c.script[0].description) << c.request.user);
        const bool hung_up = c.result == NetworkFailure;
        const Script end = c.result == LoggedIn ? Script{ExpectClosed()}
                           : hung_up            ? Script{CloseConnection()}
                                                : kPopQuit;
        ScriptedServer server(Join({c.script, end}));
        NetConnection connection;
        ASSERT_EQ(ConnectTo(connection, server), NetResult::Success);
        std::string rejection = "(untouched)";
        NetResult net = NetResult::Unknown;
        EXPECT_EQ(PopLogin(connection, c.request, &rejection, c.capacity, net), c.result);
        EXPECT_EQ(net == NetResult::GracefullyClosed, hung_up);
        EXPECT_TRUE(c.result != LoggedIn || net == NetResult::Success);
        EXPECT_EQ(rejection, c.rejection);
        EXPECT_TRUE(hung_up || connection.Connected() == (c.result == LoggedIn));
        connection.Close();
        EXPECT_SCRIPT_DONE(server);
    }
}

}  // namespace
}  // namespace tarvox
