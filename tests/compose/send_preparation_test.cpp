#include "compose/send_preparation.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <tuple>

#include "support/scripted_services.h"
#include "support/temp_dir.h"

namespace tarvox {
namespace {

TEST(SendPreparation, SenderAndSettingsComeFromTheProfile) {
    Profile profile;
    profile.SMTPaddress = "ann@example.org";
    EXPECT_EQ(SenderFieldText(profile), "ann@example.org");
    profile.SMTPname = "Ann Smith";
    EXPECT_EQ(SenderFieldText(profile), "\"Ann Smith\" <ann@example.org>");
    profile.SMTPaddress.clear();
    EXPECT_EQ(SenderFieldText(profile), "");

    profile.SMTPaddress = "ann@example.org";
    profile.SMTPreplyto = "replies@example.org";
    profile.SMTPautobcc = "archive@example.org";
    profile.SMTPserver = "smtp.example.org";
    profile.SMTPport = 587;
    profile.SMTPproto = TransportSecurity::StartTls;
    profile.SMTPauth = 1;
    profile.SMTPuser = "ann";
    profile.SMTPpass = "pw";
    GlobalSettings global;
    global.fqdn = "desk.example.org";
    global.useautobcc = 1;
    const SendRequest request = SendRequestForProfile(profile, global);
    const ComposedMessage& m = request.message;
    EXPECT_EQ(std::tie(m.from, m.reply_to, m.bcc, request.fqdn),
              std::make_tuple("\"Ann Smith\" <ann@example.org>", "replies@example.org",
                              "archive@example.org", "desk.example.org"));
    const SmtpSendSettings& smtp = request.smtp;
    EXPECT_EQ(std::tie(smtp.server, smtp.port, smtp.use_auth, smtp.pop_before_smtp, smtp.user, smtp.password),
              std::make_tuple("smtp.example.org", 587, true, false, "ann", "pw"));
    EXPECT_EQ(smtp.protocol, TransportSecurity::StartTls);

    global.useautobcc = 0;
    EXPECT_EQ(SendRequestForProfile(profile, global).message.bcc, "");
}

TEST(SendPreparation, ChecksInOrderWithTheirBoxes) {
    TempDir folder;
    WriteWholeFile(folder / "five.bin", "12345");
    struct Case {
        const char* what;
        std::function<void(ComposedMessage&, SmtpSendSettings&)> edit;
        const char* box;  // nullptr: every check passes
        const char* caption = "Incomplete/incorrect parameters";
    };
    const std::string missing = (folder / "gone.bin").string();
    const char* too_long =
        "The subject is too long. The maximum length of the subject, after non US-ASCII "
        "character encoding (if needed) is 75 characters.";
    const Case cases[] = {
        {"ready", [](ComposedMessage&, SmtpSendSettings&) {}, nullptr},
        {"an attachment is gone, before everything else",
         [&](ComposedMessage& m, SmtpSendSettings& s) {
             m.attachments.push_back({missing, "application/octet-stream", 0});
             s.server.clear();
         },
         "At least one of the attached files cannot be opened for reading. Please correct then "
         "re-try.",
         "Problem with attachments"},
        {"75 characters of subject fit",
         [](ComposedMessage& m, SmtpSendSettings&) { m.subject = std::string(75, 's'); }, nullptr},
        {"76 do not", [](ComposedMessage& m, SmtpSendSettings&) { m.subject = std::string(76, 's'); },
         too_long},
        {"the encoded subject counts",
         [](ComposedMessage& m, SmtpSendSettings&) { m.subject = "Caf\xe9" + std::string(56, 'x'); },
         too_long},
        {"no SMTP host",
         [](ComposedMessage& m, SmtpSendSettings& s) {
             s.server.clear();
             m.to.clear();
         },
         "Please define an SMTP server (SMTP tab) in order to send this e-mail"},
        {"port 0", [](ComposedMessage&, SmtpSendSettings& s) { s.port = 0; },
         "Please enter a valid SMTP port number, usually 25 (SMTP tab)"},
        {"no From", [](ComposedMessage& m, SmtpSendSettings&) { m.from.clear(); },
         "Please provide a From: field (SMTP tab) to identify the sender"},
        {"no To",
         [](ComposedMessage& m, SmtpSendSettings&) {
             m.to.clear();
             m.subject.clear();
         },
         "Please identify the recipient(s) by filling in the To: field"},
        {"no Subject", [](ComposedMessage& m, SmtpSendSettings&) { m.subject.clear(); },
         "Please fill in the Subject: field"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ComposedMessage message;
        message.from = "ann@example.org";
        message.to = "bob@example.org";
        message.subject = "hello";
        message.attachments.push_back({(folder / "five.bin").string(), "text/plain", 99});
        SmtpSendSettings smtp;
        smtp.server = "smtp.example.org";
        c.edit(message, smtp);
        ScriptedServices services;
        EXPECT_EQ(CheckBeforeSend(message, smtp, false, services), c.box == nullptr);
        const std::vector<MessageBoxRequest> boxes = services.Boxes();
        ASSERT_EQ(boxes.size(), c.box == nullptr ? 0u : 1u);
        if (c.box != nullptr) {
            EXPECT_EQ(boxes[0].text, c.box);
            EXPECT_EQ(boxes[0].caption, c.caption);
            EXPECT_EQ(boxes[0].icon, BoxIcon::Warning);
        } else {
            EXPECT_EQ(message.attachments[0].size, 5u) << "the size is taken again";
        }
    }
}

TEST(SendPreparation, GnupgWarningOnlyWithAttachments) {
    TempDir folder;
    WriteWholeFile(folder / "a.txt", "a");
    for (const BoxAnswer answer : {BoxAnswer::Yes, BoxAnswer::No}) {
        ComposedMessage message;
        message.from = "ann@example.org";
        message.to = "bob@example.org";
        message.subject = "signed";
        SmtpSendSettings smtp;
        smtp.server = "smtp.example.org";
        ScriptedServices quiet;
        EXPECT_TRUE(CheckBeforeSend(message, smtp, true, quiet));
        EXPECT_TRUE(quiet.Boxes().empty());

        message.attachments.push_back({(folder / "a.txt").string(), "text/plain", 1});
        ScriptedServices services;
        services.QueueBoxAnswer(answer);
        EXPECT_EQ(CheckBeforeSend(message, smtp, true, services), answer == BoxAnswer::Yes);
        ASSERT_EQ(services.Boxes().size(), 1u);
        EXPECT_EQ(services.Boxes()[0].caption, "PGP/GPG support");
    }
}

}  // namespace
}  // namespace tarvox
