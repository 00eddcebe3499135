// The send worker against real servers: aiosmtpd delivering into Dovecot, read
// back over POP3 and parsed by Python's email package.
#include "compose/send_worker.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>

#include "codec/latin1.h"
#include "compose/piped_process.h"
#include "message/dot_stuffing.h"
#include "net/tls_library.h"
#include "protocols/open_mailbox.h"
#include "protocols/pop_download.h"
#include "protocols/pop_session.h"
#include "support/dovecot_server.h"
#include "support/scripted_server.h"
#include "support/scripted_services.h"
#include "support/smtp_server.h"
#include "support/temp_dir.h"

namespace tarvox {
namespace {

namespace fs = std::filesystem;

// The standard output of a program run on a file: Python's reader prints JSON,
// sha256sum the hash first.
std::string OutputOf(const std::vector<std::string>& command) {
    std::optional<PipedResult> result = RunPiped(command, "");
    return result ? result->standard_output : "";
}

class SendAgainstRealServers : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_tls.Load());
        ASSERT_TRUE(m_dovecot.ResetMailbox(1)) << m_dovecot.error();
        ASSERT_TRUE(m_smtp.ClearDelivered()) << m_smtp.error();
    }

    // The newest message of alice's mailbox as RETR delivers it.
    std::string FetchNewest() {
        PopSession session(&m_tls);
        ScriptedServices services;
        OpenMailboxRequest request;
        request.working.name = "Alice";
        request.working.host = "127.0.0.1";
        request.working.port = m_dovecot.plain_port();
        request.working.user = "alice";
        request.working.pass = m_dovecot.password("alice");
        EXPECT_EQ(OpenMailbox(session, request, services), OpenOutcome::EnterInbox);
        DownloadRequest retr;
        retr.message_number = session.message_count;
        DownloadedMessage message;
        EXPECT_EQ(PopDownload(session, retr, message, services), DownloadResult::Complete);
        PopQuit(session.connection);
        return std::string(message.Text());
    }

    // STARTTLS on the cleartext port, where the server offers AUTH only after
    // it, with the server's certificate on record.
    SendRequest Request() {
        m_recorded_fingerprint = m_smtp.fingerprint();
        SendRequest request;
        request.smtp.server = "127.0.0.1";
        request.smtp.port = m_smtp.plain_port();
        request.smtp.protocol = TransportSecurity::StartTls;
        request.recorded_smtp_fingerprint = &m_recorded_fingerprint;
        request.smtp.use_auth = true;
        request.profile.name = "Alice";
        request.profile.user = "alice";
        request.profile.pass = "wonderland";
        request.fqdn = "desk.example.org";
        return request;
    }

    TlsLibrary m_tls;
    SmtpTestServer& m_smtp = SharedSmtp();
    DovecotServer& m_dovecot = SharedDovecot();
    TempDir m_files;
    std::string m_recorded_fingerprint;
};

TEST_F(SendAgainstRealServers, MessageWithAttachmentsMakesTheRoundTrip) {
    // Three attachments: empty, text, and 1 MB of random bytes.
    WriteWholeFile(m_files / "empty.dat", "");
    WriteWholeFile(m_files / "notes.txt", "line one\nline two\n");
    std::string random_bytes(1 << 20, '\0');
    std::mt19937 generator(7);
    for (char& c : random_bytes) {
        c = static_cast<char>(generator());
    }
    WriteWholeFile(m_files / "random.bin", random_bytes);

    SendRequest request = Request();
    ComposedMessage& message = request.message;
    message.from = Utf8ToLatin1("Ren\xc3\xa9 Sender <alice@example.org>");
    message.to = "Bob <bob@example.org>";
    message.cc = "carol@example.org";
    message.bcc = "dave@example.org";
    message.subject = Utf8ToLatin1("Caf\xc3\xa9 tonight?");
    message.body_lines = {Utf8ToLatin1("Gr\xc3\xbc\xc3\x9f" "e aus M\xc3\xbcnchen.\r\n"),
                          ".a line with a leading dot\r\n", "a=b\r\n", "last"};
    for (const char* name : {"empty.dat", "notes.txt", "random.bin"}) {
        message.attachments.push_back({(m_files / name).string(), "application/octet-stream",
                                       fs::file_size(m_files / name)});
    }
    ScriptedServices services;
    ASSERT_TRUE(SendWorker(&m_tls, request, services)) << services.LastStatus(StatusLine::Composer);
    EXPECT_TRUE(services.Boxes().empty());

    std::vector<SmtpEnvelope> envelopes = m_smtp.Envelopes();
    ASSERT_EQ(envelopes.size(), 1u);
    EXPECT_EQ(envelopes[0].mail_from, "alice@example.org");
    EXPECT_EQ(envelopes[0].rcpt_tos,
              (std::vector<std::string>{"bob@example.org", "carol@example.org", "dave@example.org"}));
    EXPECT_EQ(envelopes[0].auth_user, "alice");
    EXPECT_TRUE(envelopes[0].tls);

    const std::string delivered = FetchNewest();
    EXPECT_EQ(delivered.find("dave@example.org"), std::string::npos);  // BCC in no header
    // Python's email package reads what was sent, without the POP3 dot-stuffing
    // and the terminating line.
    ASSERT_TRUE(delivered.ends_with("\r\n.\r\n"));
    WriteWholeFile(m_files / "delivered.eml", UnstuffText(delivered.substr(0, delivered.size() - 3)));
    const std::string json =
        OutputOf({"/usr/bin/python3", TARVOX_SOURCE_DIR "/tests/compose/parse_delivered.py",
                  (m_files / "delivered.eml").string()});
    auto has = [&json](const std::string& fragment) {
        return json.find(fragment) != std::string::npos;
    };
    EXPECT_TRUE(has("\"subject\": \"Caf\\u00e9 tonight?\"")) << json;
    EXPECT_TRUE(has("\"from\": \"Ren\\u00e9 Sender <alice@example.org>\"")) << json;
    EXPECT_TRUE(has("\"to\": \"Bob <bob@example.org>\", \"cc\": \"carol@example.org\"")) << json;
    EXPECT_TRUE(has("\"has_bcc\": false")) << json;
    EXPECT_TRUE(has("\"multipart\": true")) << json;
    // Quoted-printable lines decode with bare line feeds.
    EXPECT_TRUE(has("\"body\": \"Gr\\u00fc\\u00dfe aus M\\u00fcnchen.\\n.a line with a leading "
                    "dot\\na=b\\nlast\\n\""))
        << json;
    for (const char* name : {"empty.dat", "notes.txt", "random.bin"}) {
        EXPECT_TRUE(has(std::string("\"name\": \"") + name + "\"")) << json;
        const std::string sha256 = OutputOf({"/usr/bin/sha256sum", (m_files / name).string()});
        EXPECT_TRUE(has("\"sha256\": \"" + sha256.substr(0, 64) + "\"")) << name << json;
    }
}

TEST_F(SendAgainstRealServers, WrongPasswordAndServerDown) {
    SendRequest request = Request();
    request.message.from = "alice@example.org";
    request.message.to = "bob@example.org";
    request.message.subject = "x";
    request.smtp.password = "not-wonderland";
    ScriptedServices services;
    EXPECT_FALSE(SendWorker(&m_tls, request, services));
    ASSERT_EQ(services.Boxes().size(), 1u);
    EXPECT_TRUE(services.Boxes()[0].text.starts_with(
        "SMTP server denied us access, and returned:\n\n535"))
        << services.Boxes()[0].text;

    const std::uint16_t port = m_smtp.plain_port();
    m_smtp.Stop();
    request.smtp.port = port;
    ScriptedServices down;
    EXPECT_FALSE(SendWorker(&m_tls, request, down));
    ASSERT_EQ(down.Boxes().size(), 1u);
    EXPECT_EQ(down.Boxes()[0].text, "Connect failed: unable to connect to host");
}

}  // namespace
}  // namespace tarvox

namespace tarvox {
namespace {

using namespace script;

// The send worker against a scripted server, for what a real one will not do.
TEST(SendWorkerScripted, EnvelopeEdgeCases) {
    const std::vector<ScriptStep> greeting = {Send("220 mail.example.org ESMTP\r\n"),
                                              Expect("EHLO desk.example.org\r\n"),
                                              Send("250 mail.example.org\r\n")};
    struct Case {
        const char* what;
        std::vector<ScriptStep> script;
        bool sent;
        std::string status;
        std::string box;
    };
    std::vector<Case> cases;
    cases.push_back({"the first refused recipient stops the send",
                     {Expect("MAIL FROM:<a@example.org>\r\n"), Send("250 ok\r\n"),
                      Expect("RCPT TO:<b@example.org>\r\n"), Send("250 ok\r\n"),
                      Expect("RCPT TO:<c@example.org>\r\n"), Send("550 no such user\r\n"),
                      Expect("QUIT\r\n"), Send("221 bye\r\n"), ExpectClosed()},
                     false,
                     "Send failed. SMTP server rejected recipient",
                     "SMTP server rejected recipient, and returned:\n\n550 no such user\r\n"});
    cases.push_back({"the server closes after MAIL FROM",
                     {Expect("MAIL FROM:<a@example.org>\r\n"), CloseConnection()},
                     false,
                     "Send failed. Lost connection to SMTP server.",
                     "SMTP server disconnected after we set SMTP sender"});
    cases.push_back({"every recipient accepted",
                     {Expect("MAIL FROM:<a@example.org>\r\n"), Send("250 ok\r\n"),
                      Expect("RCPT TO:<b@example.org>\r\n"), Send("250 ok\r\n"),
                      Expect("RCPT TO:<c@example.org>\r\n"), Send("250 ok\r\n"),
                      Expect("RCPT TO:<d@example.org>\r\n"), Send("250 ok\r\n"),
                      Expect("DATA\r\n"), Send("354 go\r\n"), ExpectUntil("\r\n.\r\n"),
                      Send("250 queued\r\n"), Expect("QUIT\r\n"), Send("221 bye\r\n"),
                      ExpectClosed()},
                     true,
                     "Mail has been accepted. Closing connection...",
                     ""});
    for (Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<ScriptStep> script = greeting;
        for (ScriptStep& step : c.script) {
            script.push_back(std::move(step));
        }
        ScriptedServer server(std::move(script));
        SendRequest request;
        request.smtp.server = "127.0.0.1";
        request.smtp.port = server.port();
        request.fqdn = "desk.example.org";
        request.message.from = "Ann <a@example.org>";
        request.message.to = "b@example.org";
        request.message.cc = "c@example.org";
        request.message.bcc = "d@example.org";
        request.message.subject = "hello";
        request.message.body_lines = {"one line"};
        ScriptedServices services;
        EXPECT_EQ(SendWorker(nullptr, request, services), c.sent);
        EXPECT_EQ(services.LastStatus(StatusLine::Composer), c.status);
        const std::vector<MessageBoxRequest> boxes = services.Boxes();
        ASSERT_EQ(boxes.size(), c.box.empty() ? 0u : 1u);
        if (!c.box.empty()) {
            EXPECT_EQ(boxes[0].text, c.box);
        }
        EXPECT_SCRIPT_DONE(server);
    }
}

}  // namespace
}  // namespace tarvox
