#include "protocols/smtp_session.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "net/tls_library.h"
#include "protocol_fixture.h"
#include "support/loopback.h"

namespace tarvox {
namespace {

using namespace script;
using Security = TransportSecurity;

Script Greeted(const Script& rest) {
    return Join({{Send("220 mail.example.org ESMTP\r\n"), Expect("EHLO desk.example.org\r\n"),
                  SendInPieces("250-mail.example.org\r\n250-AUTH LOGIN PLAIN\r\n250 8BITMIME\r\n", {10, 30, 45})},
                 rest});
}

const Script kQuit = {Expect("QUIT\r\n"), Send("221 bye\r\n"), ExpectClosed()};

TEST(SmtpSession, SendsAWholeMessage) {
    ScriptedServer server(
        Join({Greeted({Expect("AUTH PLAIN AGFsaWNlAHNlY3JldA==\r\n"), Send("235 ok\r\n"),
                      Expect("MAIL FROM:<alice@example.org>\r\n"), Send("250 ok\r\n"),
                      Expect("RCPT TO:<zo\xEB@example.org>\r\n"), Send("250 ok\r\n"),  // as stored
                      Expect("DATA\r\n"), Send("354 go\r\n"),
                      Expect("Subject: hi\r\n\r\n..leading dot\r\n..\r\nend\r\n\r\n.\r\n"),
                      Send("250 queued\r\n")}),
              kQuit}));
    ScriptedServices services;
    SmtpSession session(&LoadedTls(), services, "desk.example.org");
    ASSERT_TRUE(session.Connect("127.0.0.1", server.port(), Security::Cleartext, nullptr, {}));
    ASSERT_TRUE(session.Auth("alice", "secret"));
    ASSERT_TRUE(session.MailFrom("alice@example.org"));
    ASSERT_TRUE(session.RcptTo("zoë@example.org"));
    ASSERT_TRUE(session.Data());
    for (std::string_view line : {"Subject: hi", "", ".leading dot", ".", "end"}) {
        ASSERT_TRUE(session.SendLine(line));
    }
    ASSERT_TRUE(session.EndData());
    session.Quit();
    EXPECT_SCRIPT_DONE(server);
    EXPECT_EQ(services.Statuses(StatusLine::Composer),
              (Lines{"Looking up host 127.0.0.1 . . .",
                     "Connecting to server 127.0.0.1 on port " + std::to_string(server.port()) + " . . .",
                     "Connected. Logging in . . .", "Received greeting. Sending our greeting...",
                     "Authenticating (PLAIN)...", "Starting mail transfer...", "Uploading message body...",
                     "Mail has been accepted. Closing connection..."}));
    EXPECT_TRUE(services.Boxes().empty());
}

// The exchanges follow the server: the greeting falls back to HELO, STARTTLS greets as "default"
// first and not twice, AUTH follows the EHLO reply, the longest body line is sent. Each failure
// shows its status, ends the session with QUIT and shows its box.
TEST(SmtpSession, ExchangesFollowTheServerOrFailWithStatusAndBox) {
    const auto rejected = [](const std::string& what, const std::string& reply) {
        return "SMTP server " + what + ", and returned:\n\n" + reply;
    };
    const std::string greeting = "Send failed. SMTP server returned unxpected greeting";
    const std::string recipient = "rejected recipient";
    const std::string longest(16381, 'y');
    const auto auth = [](SmtpSession& s) { return s.Auth("a", "b"); };
    const Script hi = {Send("220 hi\r\n"), Expect("EHLO desk.example.org\r\n")};
    const struct {
        Script script;  // QUIT follows
        std::function<bool(SmtpSession&)> steps;  // after Connect
        std::string status, box;  // the last status before QUIT; the one box shown, empty: none
        int protocol = 0;
    } cases[] = {
        {Join({hi, {Send("502 command not implemented\r\n"), Expect("HELO desk.example.org\r\n"),
                    Send("250 hi\r\n")}}), nullptr, "Received greeting. Sending our greeting...", ""},
        {{Send("220 hi\r\n"), Expect("EHLO default\r\n"), Send("250-hi\r\n250 STARTTLS\r\n"),
          Expect("STARTTLS\r\n"), Send("220 go ahead\r\n"), StartTls(),
          Expect("EHLO desk.example.org\r\n"), Send("250-hi\r\n250 AUTH PLAIN\r\n"),
          Expect("AUTH PLAIN AGEAYg==\r\n"), Send("235 ok\r\n")},
         auth, "Authenticating (PLAIN)...", "", 2},
        {Join({hi, {Send("250-AUTH=LOGIN\r\n250 OK\r\n"), Expect("AUTH LOGIN\r\n"),
                    Send("334 VXNlcm5hbWU6\r\n"), Expect("YQ==\r\n"), Send("334 UGFzc3dvcmQ6\r\n"),
                    Expect("Yg==\r\n"), Send("235 ok\r\n")}}), auth, "Authenticating (LOGIN)...", ""},
        {Greeted({Expect(longest + "\r\n")}), [&](SmtpSession& s) { return s.SendLine(longest); },
         "Received greeting. Sending our greeting...", ""},
        {Join({hi, {Send("250-SIZE 1000\r\n250 OK\r\n")}}), auth,
         "Send failed. SMTP server does not support our authentication type",
         "Mail server does not support SMTP AUTH!"},
        {{Send("554 go away\r\n")}, nullptr, greeting,
         "SMTP server returned unexpected greeting:\n\n554 go away\r\n"},
        {{Send("hello 220\r\n")}, nullptr, greeting,
         "SMTP server returned unexpected greeting:\n\nhello 220\r\n"},
        {{Send("220 hi\r\n"), Expect("EHLO desk.example.org\r\n"), Send("502 no\r\n"),
          Expect("HELO desk.example.org\r\n"), Send("501 no either\r\n")},
         nullptr, "Send failed. SMTP server rejected our greeting",
         "SMTP server rejected our greeting, and returned:\n\n501 no either\r\n"},
        {{Send("220 hi\r\n"), Expect("EHLO default\r\n"), Send("250 hi\r\n"), Expect("STARTTLS\r\n"),
          Send("454 4.7.0 TLS not available\r\n")},
         nullptr, "STARTTLS failed",
         "STARTTLS command failed. Response was:\n\n454 4.7.0 TLS not available\r\n", 2},
        {Greeted({Expect("MAIL FROM:<a@example.org>\r\n"), Send("250 ok\r\n"),
                  Expect("RCPT TO:<b@example.org>\r\n"), Send("251 will forward\r\n")}),
         [](SmtpSession& s) { return s.MailFrom("a@example.org") && s.RcptTo("b@example.org"); },
         "Send failed. SMTP server " + recipient, rejected(recipient, "251 will forward\r\n")},
        // The reply code inside the text does not count.
        {Greeted({Expect("RCPT TO:<b@example.org>\r\n"),
                  Send("550-5.1.1 see 250 ok\r\n550 5.1.1 unknown, id 2501\r\n")}),
         [](SmtpSession& s) { return s.RcptTo("b@example.org"); }, "Send failed. SMTP server " + recipient,
         rejected(recipient, "550-5.1.1 see 250 ok\r\n550 5.1.1 unknown, id 2501\r\n")},
        {Greeted({Expect("DATA\r\n"), Send("451 retry in 354 s\r\n")}),
         [](SmtpSession& s) { return s.Data(); }, "Send failed. SMTP server rejected mail data",
         rejected("rejected mail data", "451 retry in 354 s\r\n")},
        {Greeted({Expect("\r\n.\r\n"), SendInPieces("554 5.7.1 limit of 250 messages per day\r\n", {21})}),
         [](SmtpSession& s) { return s.EndData(); }, "Send failed. SMTP server rejected message body",
         rejected("rejected message body", "554 5.7.1 limit of 250 messages per day\r\n")},
        {Greeted({}), [](SmtpSession& s) { return s.MailFrom("a@example.org>\r\nRCPT TO:<x"); },
         "Error: Sender address holds a line break",
         "Sender address holds a line break (CR or LF); it was not sent"},
        {Greeted({Expect("AUTH PLAIN AGEAYg==\r\n"), Send("535 bad credentials\r\n")}),
         auth, "Send failed. SMTP server denied us access",
         rejected("denied us access", "535 bad credentials\r\n")},
        {Greeted({}), [](SmtpSession& s) { return s.SendLine(std::string(16382, 'x')); },
         "Error: Encountered body line which was too long", "Encountered a body line which was too long"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.status + " / " + c.box);
        ScriptedServer server(Join({c.script, kQuit}));
        ScriptedServices services;
        std::string recorded = server.certificate().fingerprint;
        SmtpSession session(&LoadedTls(), services, "desk.example.org");
        const bool ok = session.Connect("127.0.0.1", server.port(), TransportSecurityFromSetting(c.protocol),
                                        &recorded, {}) && (!c.steps || c.steps(session));
        EXPECT_EQ(ok, c.box.empty());
        EXPECT_EQ(services.LastStatus(StatusLine::Composer), c.status);
        const auto statuses = services.Statuses(StatusLine::Composer);
        EXPECT_EQ(std::ranges::count(statuses, "SSL active. Logging in . . ."), ok ? c.protocol / 2 : 0);
        if (ok) {
            session.Quit();
        }
        EXPECT_TRUE(session.closed());
        EXPECT_SCRIPT_DONE(server);
        EXPECT_EQ(BoxTexts(services), c.box.empty() ? Lines{} : Lines{c.box});
        EXPECT_TRUE(services.Certificates().empty()) << "a certificate on record is not asked about";
    }
}

// After Abort the failing step says nothing.
TEST(SmtpSession, AbortEndsTheSendQuietly) {
    ScriptedServer server(Greeted({ClientMayClose(Expect("DATA\r\n")), ExpectClosed()}));
    ScriptedServices services;
    SmtpSession session(&LoadedTls(), services, "desk.example.org");
    ASSERT_TRUE(session.Connect("127.0.0.1", server.port(), Security::Cleartext, nullptr, {}));
    session.Abort();
    EXPECT_FALSE(session.Data());
    EXPECT_FALSE(session.SendLine("after the abort"));
    EXPECT_TRUE(services.Boxes().empty());
    EXPECT_SCRIPT_DONE(server);
}

TEST(PopBeforeSmtp, LogsInAndOutOrSaysWhyNot) {
    using enum PopBeforeSmtpResult;
    using enum TransportSecurity;
    const struct {
        TransportSecurity protopop;
        Script exchange;  // after the greeting, before QUIT
        PopBeforeSmtpResult result;
    } cases[] = {
        {Cleartext, {Expect("USER alice\r\n"), Send("+OK\r\n"), Expect("PASS secret\r\n"), Send("+OK in\r\n")},
         LoggedIn},
        {Cleartext, {Expect("USER alice\r\n"), Send("-ERR who?\r\n")}, LoginFailed},
        {StartTls, {Expect("STLS\r\n"), Send("-ERR no\r\n")}, ConnectFailed},
    };
    for (const auto& c : cases) {
        ScriptedServer server(Join({{Send("+OK ready\r\n")}, c.exchange, kPopQuit}));
        const PopBeforeSmtpRequest request{false, "127.0.0.1", server.port(), "alice", "secret", c.protopop};
        EXPECT_EQ(PopBeforeSmtp(&LoadedTls(), request), c.result);
        EXPECT_SCRIPT_DONE(server);
    }
    EXPECT_EQ(PopBeforeSmtp(&LoadedTls(), {true, "127.0.0.1", 110, "alice", "secret"}), LoggedIn);
    EXPECT_EQ(PopBeforeSmtp(&LoadedTls(), {false, "127.0.0.1", 110, "", "secret"}), MissingSettings);
}

}  // namespace
}  // namespace tarvox
