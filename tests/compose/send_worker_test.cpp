// The send worker against aiosmtpd (delivery parsed by Python) and against a scripted server.
#include "compose/send_worker.h"

#include <gtest/gtest.h>

#include <random>

#include "compose/piped_process.h"
#include "support/dovecot_server.h"
#include "support/loopback.h"
#include "support/scripted_server.h"
#include "support/scripted_services.h"
#include "support/smtp_server.h"
#include "support/temp_dir.h"

namespace tarvox {
namespace {

namespace fs = std::filesystem;
using namespace script;

// STARTTLS, AUTH offered only after it, certificate on record; empty, text and 1 MB attachments.
// Text that fits ISO-8859-1 goes in it; other text in UTF-8, its subject in several words.
TEST(SendWorker, MessageWithAttachmentsMakesTheRoundTrip) {
    const std::string nihon = "\\u20ac \\u2014 \\u65e5\\u672c";  // "€ — 日本" as Python prints it
    // {subject, From, first body line, text file, JSON of subject and From, of body, of file name}
    const std::vector<std::string> rows[] = {
        {"Café tonight?", "René Sender <alice@example.org>", "Grüße aus München.", "notes.txt",
         "\"subject\": \"Caf\\u00e9 tonight?\", \"from\": \"Ren\\u00e9 Sender <alice@example.org>\"",
         "\"body\": \"Gr\\u00fc\\u00dfe aus M\\u00fcnchen.\\n.a line with a leading dot\\na=b\\nlast\\n\"",
         "notes.txt"},
        {"€ — 日本, € — 日本, € — 日本, € — 日本", "Jörg 日本 <alice@example.org>", "€ — 日本", "日本 — €.txt",
         "\"subject\": \"" + nihon + ", " + nihon + ", " + nihon + ", " + nihon +
             "\", \"from\": \"J\\u00f6rg \\u65e5\\u672c <alice@example.org>\"",
         "\"body\": \"" + nihon + "\\n.a line with a leading dot\\na=b\\nlast\\n\"",
         "\\u65e5\\u672c \\u2014 \\u20ac.txt"},
    };
    for (const std::vector<std::string>& row : rows) {
        SCOPED_TRACE(row[0]);
        SmtpTestServer& smtp = SharedSmtp();
        DovecotServer& dovecot = SharedDovecot();
        ASSERT_TRUE(dovecot.ResetMailbox(0) && smtp.ClearDelivered()) << smtp.error();
        TempDir files;
        WriteWholeFile(files / "empty.dat", "");
        WriteWholeFile(files / row[3], "line one\nline two\n");
        std::string random_bytes(1 << 20, '\0');
        std::mt19937 generator(7);
        for (char& c : random_bytes) {
            c = static_cast<char>(generator());
        }
        WriteWholeFile(files / "random.bin", random_bytes);

        std::string recorded_fingerprint = smtp.fingerprint();
        SendRequest request{
            .message = {.to = "Bob <bob@example.org>", .cc = "carol@example.org",
                        .bcc = "dave@example.org", .subject = row[0], .from = row[1],
                        .body_lines = {row[2] + "\r\n", ".a line with a leading dot\r\n", "a=b\r\n", "last"}},
            .smtp = {.server = "127.0.0.1", .port = smtp.plain_port(),
                     .protocol = TransportSecurity::StartTls, .use_auth = true},
            .fqdn = "desk.example.org", .recorded_smtp_fingerprint = &recorded_fingerprint};
        request.profile.name = "Alice";
        request.profile.user = "alice";
        request.profile.pass = "wonderland";
        for (const std::string& name : {std::string("empty.dat"), row[3], std::string("random.bin")}) {
            request.message.attachments.push_back(
                {(files / name).string(), "application/octet-stream", fs::file_size(files / name)});
        }
        ScriptedServices services;
        ASSERT_TRUE(SendWorker(&LoadedTls(), request, services))
            << services.LastStatus(StatusLine::Composer);
        EXPECT_TRUE(services.Boxes().empty());

        std::vector<SmtpEnvelope> envelopes = smtp.Envelopes();
        ASSERT_EQ(envelopes.size(), 1u);
        EXPECT_EQ(envelopes[0].mail_from, "alice@example.org");
        EXPECT_EQ(envelopes[0].rcpt_tos,
                  (std::vector<std::string>{"bob@example.org", "carol@example.org", "dave@example.org"}));
        EXPECT_EQ(envelopes[0].auth_user, "alice");
        EXPECT_TRUE(envelopes[0].tls);

        const std::optional<PipedResult> parsed =
            RunPiped({"/usr/bin/python3", TARVOX_SOURCE_DIR "/tests/compose/parse_delivered.py",
                      (dovecot.maildir("alice") / "new" / envelopes[0].file).string(), files.path()},
                     "");
        ASSERT_TRUE(parsed);
        const std::string& json = parsed->standard_output;
        // Quoted-printable lines decode with bare line feeds; the BCC is in no header.
        std::vector<std::string> fragments = {
            row[4], row[5], "\"multipart\": true",
            "\"to\": \"Bob <bob@example.org>\", \"cc\": \"carol@example.org\", \"has_bcc\": false"};
        for (const std::string& name : {std::string("empty.dat"), row[6], std::string("random.bin")}) {
            fragments.push_back("{\"name\": \"" + name + "\", \"same\": true}");
        }
        for (const std::string& fragment : fragments) {
            EXPECT_NE(json.find(fragment), std::string::npos) << fragment << "\n" << json;
        }
    }
}

TEST(SendWorker, FailuresOnTheWay) {
    const std::vector<ScriptStep> greeting = {Send("220 mail.example.org ESMTP\r\n"),
                                              Expect("EHLO desk.example.org\r\n"),
                                              Send("250 mail.example.org\r\n")};
    struct Case {
        const char* what;
        std::vector<ScriptStep> script;  // none: nothing listens on the port
        std::string status, box;
    };
    const Case cases[] = {
        {"the first refused recipient stops the send",
         {Expect("MAIL FROM:<a@example.org>\r\n"), Send("250 ok\r\n"),
          Expect("RCPT TO:<b@example.org>\r\n"), Send("250 ok\r\n"),
          Expect("RCPT TO:<c@example.org>\r\n"), Send("550 no such user\r\n"), Expect("QUIT\r\n"),
          Send("221 bye\r\n"), ExpectClosed()},
         "Send failed. SMTP server rejected recipient",
         "SMTP server rejected recipient, and returned:\n\n550 no such user\r\n"},
        {"the server closes after MAIL FROM",
         {Expect("MAIL FROM:<a@example.org>\r\n"), CloseConnection()},
         "Send failed. Lost connection to SMTP server.",
         "SMTP server disconnected after we set SMTP sender"},
        {"no server", {}, "", "Connect failed: unable to connect to host"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<ScriptStep> script = greeting;
        script.insert(script.end(), c.script.begin(), c.script.end());
        std::optional<ScriptedServer> server;
        if (!c.script.empty()) {
            server.emplace(std::move(script));
        }
        const SendRequest request{
            .message = {.to = "b@example.org", .cc = "c@example.org", .bcc = "d@example.org",
                        .subject = "hello", .from = "Ann <a@example.org>"},
            .smtp = {.server = "127.0.0.1", .port = server ? server->port() : ClosedPort()},
            .fqdn = "desk.example.org"};
        ScriptedServices services;
        EXPECT_FALSE(SendWorker(nullptr, request, services));
        if (server) {
            EXPECT_EQ(services.LastStatus(StatusLine::Composer), c.status);
            EXPECT_SCRIPT_DONE(*server);
        }
        ASSERT_EQ(services.Boxes().size(), 1u);
        EXPECT_EQ(services.Boxes()[0].text, c.box);
    }
}

}  // namespace
}  // namespace tarvox
