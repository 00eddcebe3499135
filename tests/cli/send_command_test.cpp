// tarvox-cli send into a real aiosmtpd delivering to Dovecot's Maildir, run as
// the built program; the delivered message is read back by the viewer engine.
#include <gtest/gtest.h>

#include <random>
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
        ASSERT_TRUE(m_dovecot.Start(0)) << m_dovecot.error();
        ASSERT_TRUE(m_smtp.Start(m_dovecot.maildir("alice"))) << m_smtp.error();
        m_profile.name = "Alice";
        m_profile.SMTPserver = "127.0.0.1";
        m_profile.SMTPport = m_smtp.plain_port();
        m_profile.SMTPproto = 2;
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

    // The one delivered message, as the file in the Maildir holds it.
    std::string Delivered() {
        const std::vector<SmtpEnvelope> envelopes = m_smtp.Envelopes();
        EXPECT_EQ(envelopes.size(), 1u);
        if (envelopes.empty()) {
            return {};
        }
        return ReadWholeFile(m_dovecot.maildir("alice") / "new" / envelopes[0].file);
    }

    DovecotServer m_dovecot;
    SmtpTestServer m_smtp;
    TempDir m_folder;
    Profile m_profile;
};

TEST_F(CliSend, DeliversAMessageWithAttachments) {
    const std::string settings = WriteSettings();
    WriteWholeFile(m_folder / "notes.txt", "line one\nline two\n");
    std::string random_bytes(200000, '\0');
    std::mt19937 generator(11);
    for (char& c : random_bytes) {
        c = static_cast<char>(generator());
    }
    WriteWholeFile(m_folder / "random.bin", random_bytes);

    // The password answers its prompt; the rest of the input is the body.
    const std::string input = "wonderland\nGr\xC3\xBC\xC3\x9F" "e aus M\xC3\xBCnchen.\n.\nlast line\n";
    const CliResult result = RunCli(
        {"send", "Alice", "--settings", settings, "--to", "Bob <bob@example.org>", "--cc",
         "carol@example.org", "--bcc", "dave@example.org", "--subject", "Caf\xC3\xA9 tonight?",
         "--attach", (m_folder / "notes.txt").string(), "--attach",
         (m_folder / "random.bin").string()},
        input);
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.err.find("SMTP password"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("Mail has been accepted. Closing connection..."), std::string::npos);

    const std::vector<SmtpEnvelope> envelopes = m_smtp.Envelopes();
    ASSERT_EQ(envelopes.size(), 1u);
    EXPECT_EQ(envelopes[0].auth_user, "alice");
    EXPECT_TRUE(envelopes[0].tls);
    EXPECT_EQ(envelopes[0].mail_from, "alice@example.org");
    EXPECT_EQ(envelopes[0].rcpt_tos,
              (std::vector<std::string>{"bob@example.org", "carol@example.org",
                                        "dave@example.org", "archive@example.org"}));

    const std::string delivered = Delivered();
    EXPECT_EQ(delivered.find("dave@example.org"), std::string::npos) << "no BCC header";
    // The viewer gets the message as RETR delivers it, dot-stuffing included.
    const ViewedMessage viewed(
        DovecotServer::ExpectedRetrText(m_dovecot.maildir("alice") / "new" / envelopes[0].file),
        ViewerOptions{});
    EXPECT_EQ(viewed.reply_values().subject, "Caf\xE9 tonight?");
    EXPECT_EQ(viewed.reply_values().from, "Ren\xE9 Sender <alice@example.org>");
    EXPECT_NE(viewed.display_text().find("\r\n\r\nGr\xFC\xDF"
                                         "e aus M\xFCnchen.\r\n.\r\nlast line\r\n"),
              std::string::npos)
        << viewed.display_text();
    ASSERT_EQ(viewed.attachments().size(), 2u);
    const std::string expected[] = {"line one\nline two\n", random_bytes};
    for (std::size_t i = 0; i < 2; ++i) {
        std::string data;
        ASSERT_TRUE(viewed.WriteAttachmentData(i, [&data](std::string_view bytes) {
            data.append(bytes);
            return true;
        }));
        EXPECT_TRUE(data == expected[i]) << viewed.attachments()[i].display_name;
    }
    EXPECT_EQ(viewed.attachments()[0].display_name, "notes.txt");
}

TEST_F(CliSend, FailuresExitWithTheirText) {
    m_profile.SMTPpass = "not-wonderland";
    const std::string settings = WriteSettings();
    struct Case {
        const char* what;
        std::vector<std::string> args;
        int status;
        const char* err;
    };
    const std::vector<std::string> base = {"send", "Alice", "--settings", settings};
    const auto with = [&](std::vector<std::string> extra) {
        std::vector<std::string> args = base;
        args.insert(args.end(), extra.begin(), extra.end());
        return args;
    };
    const Case cases[] = {
        {"wrong password", with({"--to", "bob@example.org", "--subject", "hi"}), 1,
         "SMTP server denied us access, and returned:\n\n535"},
        {"no subject", with({"--to", "bob@example.org"}), 1, "Please fill in the Subject: field"},
        {"no recipient", with({"--subject", "hi"}), 1,
         "Please identify the recipient(s) by filling in the To: field"},
        {"missing attachment",
         with({"--to", "bob@example.org", "--subject", "hi", "--attach",
               (m_folder / "gone.bin").string()}),
         1, "At least one of the attached files cannot be opened for reading."},
        {"unknown profile", {"send", "Nobody", "--settings", settings}, 2, "no profile named"},
        {"no profile", {"send", "--to", "bob@example.org"}, 2, "usage: tarvox-cli send"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const CliResult result = RunCli(c.args, "body\n");
        EXPECT_EQ(result.status, c.status) << result.err;
        EXPECT_NE(result.err.find(c.err), std::string::npos) << result.err;
    }
    EXPECT_TRUE(m_smtp.Envelopes().empty());
}

TEST_F(CliSend, UnknownCertificateIsRefused) {
    m_profile.SMTPsslid.clear();
    m_profile.SMTPpass = "wonderland";
    const std::string settings = WriteSettings();
    const CliResult result = RunCli({"send", "Alice", "--settings", settings, "--to",
                                     "bob@example.org", "--subject", "hi"},
                                    "body\n");
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("Unknown. First certificate seen, none on record."),
              std::string::npos)
        << result.err;
    EXPECT_TRUE(m_smtp.Envelopes().empty());
}

}  // namespace
}  // namespace tarvox
