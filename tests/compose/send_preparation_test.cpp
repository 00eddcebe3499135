#include "compose/send_preparation.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "support/scripted_services.h"
#include "support/temp_dir.h"

namespace tarvox {
namespace {

TEST(SendPreparation, SenderAndSettingsComeFromTheProfile) {
    Profile profile{.SMTPaddress = "ann@example.org"};
    EXPECT_EQ(SenderFieldText(profile), "ann@example.org");
    profile.SMTPname = "Ann Smith";
    EXPECT_EQ(SenderFieldText(profile), "\"Ann Smith\" <ann@example.org>");
    profile.SMTPaddress.clear();
    EXPECT_EQ(SenderFieldText(profile), "");

    profile = {.SMTPproto = TransportSecurity::StartTls, .SMTPserver = "smtp.example.org",
               .SMTPuser = "ann", .SMTPpass = "pw", .SMTPport = 587, .SMTPname = "Ann Smith",
               .SMTPaddress = "ann@example.org", .SMTPreplyto = "replies@example.org",
               .SMTPautobcc = "archive@example.org", .SMTPauth = 1};
    GlobalSettings global{.fqdn = "desk.example.org", .useautobcc = 1};
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
        std::string subject = "hello", to = "bob@example.org", from = "ann@example.org";
        std::string server = "smtp.example.org";
        int port = 25;
        bool attachment_gone = false;
        const char* box = nullptr;  // nullptr: every check passes
        const char* caption = "Incomplete/incorrect parameters";
    };
    const char* too_long =
        "The subject is too long. The maximum length of the subject, after non US-ASCII "
        "character encoding (if needed) is 75 characters.";
    const Case cases[] = {
        {.what = "ready"},
        {.what = "an attachment is gone, before everything else", .server = "",
         .attachment_gone = true,
         .box = "At least one of the attached files cannot be opened for reading. Please correct "
                "then re-try.",
         .caption = "Problem with attachments"},
        {.what = "75 characters of subject fit", .subject = std::string(75, 's')},
        {.what = "76 do not", .subject = std::string(76, 's'), .box = too_long},
        {.what = "the encoded subject counts", .subject = "Café" + std::string(56, 'x'),
         .box = too_long},
        {.what = "UTF-8 words are each within it", .subject = "€ — 日本 — 日本 — 日本 — 日本 — 日本 — 日本"},
        {.what = "no SMTP host", .to = "", .server = "",
         .box = "Please define an SMTP server (SMTP tab) in order to send this e-mail"},
        {.what = "port 0", .port = 0,
         .box = "Please enter a valid SMTP port number, usually 25 (SMTP tab)"},
        {.what = "no From", .from = "",
         .box = "Please provide a From: field (SMTP tab) to identify the sender"},
        {.what = "no To", .subject = "", .to = "",
         .box = "Please identify the recipient(s) by filling in the To: field"},
        {.what = "no Subject", .subject = "", .box = "Please fill in the Subject: field"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ComposedMessage message{.to = c.to, .subject = c.subject, .from = c.from};
        message.attachments.push_back({(folder / "five.bin").string(), "text/plain", 99});
        if (c.attachment_gone) {
            message.attachments.push_back({(folder / "gone.bin").string(), "text/plain", 0});
        }
        ScriptedServices services;
        EXPECT_EQ(CheckBeforeSend(message, {.server = c.server, .port = c.port}, false, services),
                  c.box == nullptr);
        const std::vector<MessageBoxRequest> boxes = services.Boxes();
        ASSERT_EQ(boxes.size(), c.box == nullptr ? 0u : 1u);
        if (c.box != nullptr) {
            EXPECT_EQ(std::tie(boxes[0].text, boxes[0].caption, boxes[0].icon),
                      std::make_tuple(c.box, c.caption, BoxIcon::Warning));
        } else {
            EXPECT_EQ(message.attachments[0].size, 5u) << "the size is taken again";
        }
    }
}

TEST(SendPreparation, GnupgWarningOnlyWithAttachments) {
    TempDir folder;
    WriteWholeFile(folder / "a.txt", "a");
    for (const BoxAnswer answer : {BoxAnswer::Yes, BoxAnswer::No}) {
        ComposedMessage message{.to = "bob@x.example", .subject = "signed", .from = "ann@x.example"};
        const SmtpSendSettings smtp{.server = "smtp.example.org"};
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
