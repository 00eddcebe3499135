#include "protocols/smtp_session.h"

#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "net/tls_library.h"
#include "support/scripted_server.h"
#include "support/scripted_services.h"

namespace tarvox {
namespace {

using namespace script;
using namespace std::chrono_literals;

const TlsLibrary* Tls() {
    static TlsLibrary* library = [] {
        auto* loaded = new TlsLibrary;
        loaded->Load();
        return loaded;
    }();
    return library;
}

std::vector<ScriptStep> Greeted(std::vector<ScriptStep> rest) {
    std::vector<ScriptStep> steps = {Send("220 mail.example.org ESMTP\r\n"),
                                     Expect("EHLO desk.example.org\r\n"),
                                     SendInPieces("250-mail.example.org\r\n250-AUTH LOGIN PLAIN\r\n"
                                                  "250 8BITMIME\r\n",
                                                  {10, 30, 45})};
    steps.insert(steps.end(), std::make_move_iterator(rest.begin()),
                 std::make_move_iterator(rest.end()));
    return steps;
}

std::vector<ScriptStep> Quit() {
    return {Expect("QUIT\r\n"), Send("221 bye\r\n"), ExpectClosed()};
}

template <class... Parts>
std::vector<ScriptStep> Join(Parts... parts) {
    std::vector<ScriptStep> steps;
    (steps.insert(steps.end(), std::make_move_iterator(parts.begin()),
                  std::make_move_iterator(parts.end())),
     ...);
    return steps;
}

TEST(SmtpSession, SendsAWholeMessage) {
    ScriptedServer server(Join(
        Greeted({Expect("AUTH PLAIN AGFsaWNlAHNlY3JldA==\r\n"), Send("235 ok\r\n"),
                 Expect("MAIL FROM:<alice@example.org>\r\n"), Send("250 ok\r\n"),
                 Expect("RCPT TO:<bob@example.org>\r\n"), Send("250 ok\r\n"),
                 Expect("DATA\r\n"), Send("354 go\r\n"),
                 Expect("Subject: hi\r\n\r\n..leading dot\r\n..\r\nend\r\n\r\n.\r\n"),
                 Send("250 queued\r\n")}),
        Quit()));
    ScriptedServices services;
    SmtpSession session(Tls(), services, "desk.example.org");
    ASSERT_TRUE(session.Connect("127.0.0.1", server.port(), 0, nullptr, {}));
    EXPECT_TRUE(session.auth_plain_offered());
    EXPECT_TRUE(session.auth_login_offered());
    ASSERT_TRUE(session.Auth("alice", "secret"));
    ASSERT_TRUE(session.MailFrom("alice@example.org"));
    ASSERT_TRUE(session.RcptTo("bob@example.org"));
    ASSERT_TRUE(session.Data());
    for (std::string_view line : {"Subject: hi", "", ".leading dot", ".", "end"}) {
        ASSERT_TRUE(session.SendLine(line));
    }
    ASSERT_TRUE(session.EndData());
    session.Quit();
    EXPECT_SCRIPT_DONE(server);
    EXPECT_EQ(services.Statuses(StatusLine::Composer),
              (std::vector<std::string>{
                  "Looking up host 127.0.0.1 . . .",
                  "Connecting to server 127.0.0.1 on port " + std::to_string(server.port()) +
                      " . . .",
                  "Connected. Logging in . . .", "Received greeting. Sending our greeting...",
                  "Authenticating (PLAIN)...", "Starting mail transfer...",
                  "Uploading message body...", "Mail has been accepted. Closing connection..."}));
    EXPECT_TRUE(services.Boxes().empty());
}

struct FailureCase {
    const char* what;
    std::vector<ScriptStep> script;
    std::function<bool(SmtpSession&)> steps;
    std::string status;
    std::string box;
    int protocol = 0;
};

TEST(SmtpSession, FailuresShowStatusThenQuitThenBox) {
    auto connect = [](std::uint16_t port, int protocol) {
        return [port, protocol](SmtpSession& s) {
            return s.Connect("127.0.0.1", port, protocol, nullptr, {});
        };
    };
    std::vector<FailureCase> cases;
    cases.push_back({"unexpected greeting",
                     Join(std::vector<ScriptStep>{Send("554 go away\r\n")}, Quit()), nullptr,
                     "Send failed. SMTP server returned unxpected greeting",
                     "SMTP server returned unexpected greeting:\n\n554 go away\r\n"});
    cases.push_back({"EHLO and HELO refused",
                     Join(std::vector<ScriptStep>{Send("220 hi\r\n"),
                                                  Expect("EHLO desk.example.org\r\n"),
                                                  Send("502 no\r\n"),
                                                  Expect("HELO desk.example.org\r\n"),
                                                  Send("501 no either\r\n")},
                          Quit()),
                     nullptr, "Send failed. SMTP server rejected our greeting",
                     "SMTP server rejected our greeting, and returned:\n\n501 no either\r\n"});
    cases.push_back(
        {"recipient forwarded with 251",
         Join(Greeted({Expect("MAIL FROM:<a@example.org>\r\n"), Send("250 ok\r\n"),
                       Expect("RCPT TO:<b@example.org>\r\n"), Send("251 will forward\r\n")}),
              Quit()),
         [](SmtpSession& s) { return s.MailFrom("a@example.org") && s.RcptTo("b@example.org"); },
         "Send failed. SMTP server rejected recipient",
         "SMTP server rejected recipient, and returned:\n\n251 will forward\r\n"});
    cases.push_back({"not an SMTP reply",
                     Join(std::vector<ScriptStep>{Send("hello 220\r\n")}, Quit()), nullptr,
                     "Send failed. SMTP server returned unxpected greeting",
                     "SMTP server returned unexpected greeting:\n\nhello 220\r\n"});
    cases.push_back({"STARTTLS refused",
                     Join(std::vector<ScriptStep>{Send("220 hi\r\n"), Expect("EHLO default\r\n"),
                                                  Send("250 hi\r\n"), Expect("STARTTLS\r\n"),
                                                  Send("454 4.7.0 TLS not available\r\n")},
                          Quit()),
                     nullptr, "STARTTLS failed",
                     "STARTTLS command failed. Response was:\n\n454 4.7.0 TLS not available\r\n",
                     2});
    cases.push_back({"recipient refused with the code inside the text",
                     Join(Greeted({Expect("RCPT TO:<b@example.org>\r\n"),
                                   Send("550-5.1.1 see 250 ok\r\n550 5.1.1 unknown, id 2501\r\n")}),
                          Quit()),
                     [](SmtpSession& s) { return s.RcptTo("b@example.org"); },
                     "Send failed. SMTP server rejected recipient",
                     "SMTP server rejected recipient, and returned:\n\n550-5.1.1 see 250 ok\r\n"
                     "550 5.1.1 unknown, id 2501\r\n"});
    cases.push_back({"data refused",
                     Join(Greeted({Expect("DATA\r\n"), Send("451 retry in 354 s\r\n")}), Quit()),
                     [](SmtpSession& s) { return s.Data(); },
                     "Send failed. SMTP server rejected mail data",
                     "SMTP server rejected mail data, and returned:\n\n451 retry in 354 s\r\n"});
    cases.push_back(
        {"end of data refused, the reply split across receives",
         Join(Greeted({Expect("\r\n.\r\n"),
                       SendInPieces("554 5.7.1 limit of 250 messages per day\r\n", {21})}),
              Quit()),
         [](SmtpSession& s) { return s.EndData(); },
         "Send failed. SMTP server rejected message body",
         "SMTP server rejected message body, and returned:\n\n"
         "554 5.7.1 limit of 250 messages per day\r\n"});
    cases.push_back({"sender with a line break is never sent", Join(Greeted({}), Quit()),
                     [](SmtpSession& s) { return s.MailFrom("a@example.org>\r\nRCPT TO:<x"); },
                     "Error: Sender address holds a line break",
                     "Sender address holds a line break (CR or LF); it was not sent"});
    cases.push_back({"denied", Join(Greeted({Expect("AUTH PLAIN AGEAYg==\r\n"),
                                             Send("535 bad credentials\r\n")}),
                                    Quit()),
                     [](SmtpSession& s) { return s.Auth("a", "b"); },
                     "Send failed. SMTP server denied us access",
                     "SMTP server denied us access, and returned:\n\n535 bad credentials\r\n"});
    cases.push_back({"body line too long", Join(Greeted({}), Quit()),
                     [](SmtpSession& s) { return s.SendLine(std::string(16382, 'x')); },
                     "Error: Encountered body line which was too long",
                     "Encountered a body line which was too long"});
    for (FailureCase& c : cases) {
        ScriptedServer server(std::move(c.script));
        ScriptedServices services;
        SmtpSession session(Tls(), services, "desk.example.org");
        bool ok = connect(server.port(), c.protocol)(session);
        if (ok && c.steps) {
            ok = c.steps(session);
        }
        EXPECT_FALSE(ok) << c.what;
        EXPECT_EQ(services.LastStatus(StatusLine::Composer), c.status) << c.what;
        ASSERT_EQ(services.Boxes().size(), 1u) << c.what;
        EXPECT_EQ(services.Boxes()[0].text, c.box) << c.what;
        EXPECT_EQ(services.Boxes()[0].icon, BoxIcon::Error);
        EXPECT_EQ(services.Boxes()[0].caption, "");
        EXPECT_TRUE(session.closed());
        EXPECT_SCRIPT_DONE(server);
    }
}

TEST(SmtpSession, AuthMethodFollowsTheEhloReply) {
    struct Case {
        std::string auth_line;
        std::vector<ScriptStep> exchange;
        bool ok;
    };
    std::vector<Case> cases;
    cases.push_back({"250-AUTH=LOGIN\r\n",
                     {Expect("AUTH LOGIN\r\n"), Send("334 VXNlcm5hbWU6\r\n"), Expect("YQ==\r\n"),
                      Send("334 UGFzc3dvcmQ6\r\n"), Expect("Yg==\r\n"), Send("235 ok\r\n")},
                     true});
    cases.push_back({"250-SIZE 1000\r\n", {}, false});
    for (Case& c : cases) {
        std::vector<ScriptStep> script = {Send("220 hi\r\n"), Expect("EHLO n\r\n"),
                                          Send(c.auth_line + "250 OK\r\n")};
        for (ScriptStep& step : c.exchange) {
            script.push_back(std::move(step));
        }
        for (ScriptStep& step : Quit()) {
            script.push_back(std::move(step));
        }
        ScriptedServer server(std::move(script));
        ScriptedServices services;
        SmtpSession session(Tls(), services, "n");
        ASSERT_TRUE(session.Connect("127.0.0.1", server.port(), 0, nullptr, {}));
        EXPECT_EQ(session.Auth("a", "b"), c.ok) << c.auth_line;
        if (c.ok) {
            session.Quit();
        } else {
            ASSERT_EQ(services.Boxes().size(), 1u);
            EXPECT_EQ(services.Boxes()[0].text, "Mail server does not support SMTP AUTH!");
        }
        EXPECT_SCRIPT_DONE(server);
    }
}

TEST(SmtpSession, HeloWhenEhloIsRefused) {
    ScriptedServer server(Join(std::vector<ScriptStep>{Send("220 hi\r\n"), Expect("EHLO n\r\n"),
                                                       Send("502 command not implemented\r\n"),
                                                       Expect("HELO n\r\n"), Send("250 hi\r\n")},
                               Quit()));
    ScriptedServices services;
    SmtpSession session(Tls(), services, "n");
    ASSERT_TRUE(session.Connect("127.0.0.1", server.port(), 0, nullptr, {}));
    EXPECT_FALSE(session.auth_plain_offered());
    EXPECT_FALSE(session.auth_login_offered());
    session.Quit();
    EXPECT_SCRIPT_DONE(server);
    EXPECT_TRUE(services.Boxes().empty());
}

TEST(SmtpSession, StartTlsGreetsAsDefaultFirstAndNotTwice) {
    ScriptedServer server(Join(
        std::vector<ScriptStep>{Send("220 hi\r\n"), Expect("EHLO default\r\n"),
                                Send("250-hi\r\n250 STARTTLS\r\n"), Expect("STARTTLS\r\n"),
                                Send("220 go ahead\r\n"), StartTls(),
                                Expect("EHLO desk.example.org\r\n"),
                                Send("250-hi\r\n250 AUTH PLAIN\r\n")},
        Quit()));
    ScriptedServices services;
    std::string recorded = server.certificate().fingerprint;
    SmtpSession session(Tls(), services, "desk.example.org");
    ASSERT_TRUE(session.Connect("127.0.0.1", server.port(), 2, &recorded, {}));
    EXPECT_TRUE(session.auth_plain_offered());
    session.Quit();
    EXPECT_SCRIPT_DONE(server);
    std::vector<std::string> statuses = services.Statuses(StatusLine::Composer);
    EXPECT_NE(std::find(statuses.begin(), statuses.end(), "SSL active. Logging in . . ."),
              statuses.end());
    EXPECT_TRUE(services.Certificates().empty());
}

TEST(SmtpSession, BodyLineAtTheLimitIsSent) {
    const std::string longest(16381, 'y');
    ScriptedServer server(Join(Greeted({Expect(longest + "\r\n")}), Quit()));
    ScriptedServices services;
    SmtpSession session(Tls(), services, "desk.example.org");
    ASSERT_TRUE(session.Connect("127.0.0.1", server.port(), 0, nullptr, {}));
    EXPECT_TRUE(session.SendLine(longest));
    session.Quit();
    EXPECT_SCRIPT_DONE(server);
}

TEST(SmtpSession, AbortEndsTheSendQuietly) {
    ScriptedServer server(
        Greeted({Expect("DATA\r\n"), ClientMayClose(Expect("never\r\n")), ExpectClosed()}));
    ScriptedServices services;
    SmtpSession session(Tls(), services, "desk.example.org");
    ASSERT_TRUE(session.Connect("127.0.0.1", server.port(), 0, nullptr, {}));
    auto data = std::async(std::launch::async, [&] { return session.Data(); });
    std::this_thread::sleep_for(100ms);
    session.Abort();
    ASSERT_EQ(data.wait_for(2s), std::future_status::ready);
    EXPECT_FALSE(data.get());
    EXPECT_TRUE(services.Boxes().empty());
    EXPECT_FALSE(session.SendLine("after the abort"));
    EXPECT_SCRIPT_DONE(server);
}

TEST(PopBeforeSmtp, LogsInAndOutOrSaysWhyNot) {
    using Steps = std::vector<ScriptStep>;
    const struct {
        int protopop;
        Steps exchange;  // after the greeting, before QUIT
        int code;
    } cases[] = {
        {0,
         {Expect("USER alice\r\n"), Send("+OK\r\n"), Expect("PASS secret\r\n"), Send("+OK in\r\n")},
         0},
        {0, {Expect("USER alice\r\n"), Send("-ERR who?\r\n")}, 3},
        {2, {Expect("STLS\r\n"), Send("-ERR no\r\n")}, 2},
    };
    for (const auto& c : cases) {
        ScriptedServer server(Join(Steps{Send("+OK ready\r\n")}, c.exchange,
                                   Steps{Expect("QUIT\r\n"), Send("+OK\r\n"), ExpectClosed()}));
        PopBeforeSmtpRequest request{false, "127.0.0.1", server.port(), "alice", "secret"};
        request.protopop = c.protopop;
        EXPECT_EQ(PopBeforeSmtp(Tls(), request), c.code) << c.code;
        EXPECT_SCRIPT_DONE(server);
    }
    EXPECT_EQ(PopBeforeSmtp(Tls(), {true, "127.0.0.1", 110, "alice", "secret"}), 0);
    EXPECT_EQ(PopBeforeSmtp(Tls(), {false, "127.0.0.1", 110, "", "secret"}), 8);
}

}  // namespace
}  // namespace tarvox
