// tarvox-cli send into a real aiosmtpd delivering to Dovecot's Maildir, read back by the viewer engine.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/cli_runner.h"
#include "config/configuration_file.h"
#include "message/viewer_text.h"
#include "support/dovecot_server.h"
#include "support/smtp_server.h"
#include "support/temp_dir.h"

namespace tarvox {
namespace {

TEST(CliSend, DeliversAMessageWithAttachments) {
    SmtpTestServer& smtp = SharedSmtp();
    DovecotServer& dovecot = SharedDovecot();
    ASSERT_TRUE(dovecot.ResetMailbox(0)) << dovecot.error();
    ASSERT_TRUE(smtp.ClearDelivered()) << smtp.error();
    Configuration config;
    config.profiles.push_back({.name = "Alice", .SMTPproto = TransportSecurity::StartTls,
                               .SMTPserver = "127.0.0.1", .SMTPuser = "alice",
                               .SMTPsslid = smtp.fingerprint(), .SMTPport = smtp.plain_port(),
                               .SMTPname = "René Sender",
                               .SMTPaddress = "alice@example.org",
                               .SMTPautobcc = "archive@example.org", .SMTPauth = 1});
    TempDir folder;
    const std::string settings = (folder / "tarvox.ini").string();
    ASSERT_TRUE(SaveConfiguration(settings, config));
    WriteWholeFile(folder / "notes.txt", "line one\nline two\n");
    WriteWholeFile(folder / "データ.bin", std::string("\0\xff\x80\x01z", 5));
    // The password answers its prompt; the rest of the input is the body.
    const std::string input = "wonderland\nGrüße aus München: € — 日本.\n.\nlast line\n";
    ExpectCli({{"send", "Alice", "--settings", settings, "--to", "Bob <bob@example.org>", "--cc",
                "carol@example.org", "--bcc", "dave@example.org", "--subject",
                "Café € — 日本?", "--attach", (folder / "notes.txt").string(), "--attach",
                (folder / "データ.bin").string()},
               input, 0, "", "Mail has been accepted. Closing connection..."});
    ExpectCli({{"send", "Nobody", "--settings", settings}, "body\n", 2, "", "no profile named"});

    const std::vector<SmtpEnvelope> envelopes = smtp.Envelopes();
    ASSERT_EQ(envelopes.size(), 1u);
    EXPECT_EQ(envelopes[0].rcpt_tos, (std::vector<std::string>{"bob@example.org", "carol@example.org",
                                                               "dave@example.org", "archive@example.org"}));
    // The viewer gets the message as RETR delivers it, dot-stuffing included.
    const ViewedMessage viewed(
        DovecotServer::ExpectedRetrText(dovecot.maildir("alice") / "new" / envelopes[0].file), {});
    EXPECT_EQ(viewed.reply_values().subject, "Café € — 日本?");
    EXPECT_NE(viewed.display_text().find("\r\n\r\nGrüße aus München: € — 日本.\r\n.\r\nlast line\r\n"),
              std::string::npos) << viewed.display_text();
    ASSERT_EQ(viewed.attachments().size(), 2u);
    EXPECT_EQ(viewed.attachments()[1].display_name, "データ.bin");
}

}  // namespace
}  // namespace tarvox
