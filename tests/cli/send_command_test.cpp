// tarvox-cli send into a real aiosmtpd delivering to Dovecot's Maildir, read back by the viewer engine.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/cli_runner.h"
#include "codec/latin1.h"
#include "config/configuration_file.h"
#include "message/viewer_text.h"
#include "support/dovecot_server.h"
#include "support/smtp_server.h"
#include "support/temp_dir.h"

namespace tarvox {
namespace {

class CliSend : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dovecot.ResetMailbox(0)) << m_dovecot.error();
        ASSERT_TRUE(m_smtp.ClearDelivered()) << m_smtp.error();
        m_profile.name = "Alice";
        m_profile.SMTPserver = "127.0.0.1";
        m_profile.SMTPport = m_smtp.plain_port();
        m_profile.SMTPproto = TransportSecurity::StartTls;
        m_profile.SMTPsslid = m_smtp.fingerprint();
        m_profile.SMTPauth = 1;
        m_profile.SMTPuser = "alice";
        m_profile.SMTPname = Utf8ToLatin1("Ren\xC3\xA9 Sender");
        m_profile.SMTPaddress = "alice@example.org";
        m_profile.SMTPautobcc = "archive@example.org";
    }

    std::string WriteSettings() {
        Configuration config;
        config.profiles.push_back(m_profile);
        const std::string path = (m_folder / "tarvox.ini").string();
        EXPECT_TRUE(SaveConfiguration(path, config));
        return path;
    }

    SmtpTestServer& m_smtp = SharedSmtp();
    DovecotServer& m_dovecot = SharedDovecot();
    TempDir m_folder;
    Profile m_profile;
};

TEST_F(CliSend, DeliversAMessageWithAttachments) {
    const std::string settings = WriteSettings();
    WriteWholeFile(m_folder / "notes.txt", "line one\nline two\n");
    WriteWholeFile(m_folder / "random.bin", std::string("\0\xff\x80\x01z", 5));
    // The password answers its prompt; the rest of the input is the body.
    const std::string input = "wonderland\nGr\xC3\xBC\xC3\x9F" "e aus M\xC3\xBCnchen.\n.\nlast line\n";
    ExpectCli({{"send", "Alice", "--settings", settings, "--to", "Bob <bob@example.org>", "--cc",
                "carol@example.org", "--bcc", "dave@example.org", "--subject",
                "Caf\xC3\xA9 tonight?", "--attach", (m_folder / "notes.txt").string(), "--attach",
                (m_folder / "random.bin").string()},
               input, 0, "", "Mail has been accepted. Closing connection..."});

    const std::vector<SmtpEnvelope> envelopes = m_smtp.Envelopes();
    ASSERT_EQ(envelopes.size(), 1u);
    EXPECT_EQ(envelopes[0].auth_user, "alice");
    EXPECT_EQ(envelopes[0].rcpt_tos, (std::vector<std::string>{"bob@example.org", "carol@example.org",
                                                               "dave@example.org", "archive@example.org"}));
    // The viewer gets the message as RETR delivers it, dot-stuffing included.
    const ViewedMessage viewed(
        DovecotServer::ExpectedRetrText(m_dovecot.maildir("alice") / "new" / envelopes[0].file), {});
    EXPECT_EQ(viewed.reply_values().subject, "Caf\xE9 tonight?");
    EXPECT_NE(viewed.display_text().find("\r\n\r\nGr\xFC\xDF" "e aus M\xFCnchen.\r\n.\r\nlast line\r\n"),
              std::string::npos) << viewed.display_text();
    EXPECT_EQ(viewed.attachments().size(), 2u);
}

TEST_F(CliSend, FailuresExitWithTheirText) {
    m_profile.SMTPpass = "not-wonderland";
    const std::string settings = WriteSettings();
    const CliCase cases[] = {
        {{"send", "Alice", "--settings", settings, "--to", "bob@example.org", "--subject", "hi"}, "body\n",
         1, "", "SMTP server denied us access"},
        {{"send", "Nobody", "--settings", settings}, "body\n", 2, "", "no profile named"},
        {{"send", "--to", "bob@example.org"}, "body\n", 2, "", "usage: tarvox-cli send"},
    };
    for (const CliCase& c : cases) {
        ExpectCli(c);
    }
    EXPECT_TRUE(m_smtp.Envelopes().empty());
}

}  // namespace
}  // namespace tarvox
