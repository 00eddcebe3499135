#include "compose/message_builder.h"

#include <gtest/gtest.h>

#include <ctime>
#include <tuple>
#include <vector>

#include "support/scoped_time_zone.h"

namespace tarvox {
namespace {

HeaderBlockRequest Wire(std::string boundary = "", bool quoted_printable = false) {
    return {.boundary = std::move(boundary), .quoted_printable = quoted_printable,
            .date = "Sat, 22 Mar 2003 11:33:30 +0100",
            .message_id = "<tvx.20030322113330.01020304@desk.example.org>"};
}

// Eight-bit names and subjects are encoded; the plain name stays as it is. Text that fits
// ISO-8859-1 goes in its bytes.
TEST(MessageBuilder, WireHeaderBlockForAPlainMessage) {
    const ComposedMessage message{
        .to = "\"Zoë\" <zoe@example.org>, \"Carol, C.\" <carol@example.org>",
        .subject = "Café ce soir", .from = "René <rene@example.org>", .references = "<a@x> <b@y>"};
    EXPECT_EQ(BuildHeaderBlock(message, Wire()),
              "Date: Sat, 22 Mar 2003 11:33:30 +0100\r\n"
              "From: =?iso-8859-1?Q?Ren=E9?= <rene@example.org>\r\n"
              "To: =?iso-8859-1?B?Wm/r?= <zoe@example.org>,\r\n"
              "\t\"Carol, C.\" <carol@example.org>\r\n"
              "Subject: =?iso-8859-1?Q?Caf=E9_ce_soir?=\r\n"
              "References: <a@x>\r\n"
              "  <b@y>\r\n"
              "Message-ID: <tvx.20030322113330.01020304@desk.example.org>\r\n"
              "X-Mailer: Tarvox Plus 3.3 beta3a\r\n");
}

TEST(MessageBuilder, MimeLinesFollowAttachmentsAndEncoding) {
    const ComposedMessage message{.cc = "c@x.org", .bcc = "hidden@x.org", .subject = "x",
                                  .from = "a@x.org", .reply_to = "r@x.org", .in_reply_to = "<m@x>"};
    std::string multipart = BuildHeaderBlock(message, Wire("--=_Boundary-0A0B0C0D", true));
    EXPECT_TRUE(multipart.ends_with(
        "MIME-Version: 1.0\r\n"
        "Content-Type: multipart/mixed; boundary=\"--=_Boundary-0A0B0C0D\"\r\n"));
    for (const char* line : {"CC: c@x.org\r\n", "Reply-To: r@x.org\r\n", "In-Reply-To: <m@x>\r\n"}) {
        EXPECT_NE(multipart.find(line), std::string::npos) << line;
    }
    EXPECT_EQ(multipart.find("hidden"), std::string::npos);  // BCC is in no header

    std::string eight_bit = BuildHeaderBlock(message, Wire("", true));
    EXPECT_TRUE(eight_bit.ends_with("MIME-Version: 1.0\r\n"
                                    "Content-Type: text/plain; charset=ISO-8859-1\r\n"
                                    "Content-Transfer-Encoding: QUOTED-PRINTABLE\r\n"));
    HeaderBlockRequest utf8 = Wire("", true);
    utf8.charset = MessageCharset::Utf8;
    EXPECT_NE(BuildHeaderBlock(message, utf8).find("charset=UTF-8\r\n"), std::string::npos);
    std::string seven_bit = BuildHeaderBlock(message, Wire());
    EXPECT_EQ(seven_bit.find("MIME-Version"), std::string::npos);
}

TEST(MessageBuilder, TextFormIsTabAligned) {
    const ComposedMessage message{
        .to = "bob@example.org, carol@example.org", .bcc = "hidden@example.org",
        .subject = "Café", .from = "Alice <alice@example.org>", .references = "<a@x> <b@y>",
        .attachments = {{"/home/alice/report.pdf", "application/pdf", 10}}};
    HeaderBlockRequest request = Wire();
    request.text_form = true;
    EXPECT_EQ(BuildHeaderBlock(message, request),
              "Date:   \tSat, 22 Mar 2003 11:33:30 +0100\r\n"
              "From:   \tAlice <alice@example.org>\r\n"
              "To:     \tbob@example.org,\r\n"
              "        \tcarol@example.org\r\n"
              "BCC:    \thidden@example.org\r\n"
              "Subject:\tCafé\r\n"
              "References: <a@x>\r\n"
              "  <b@y>\r\n"
              "Attach: \t/home/alice/report.pdf\r\n");
}

// The threading fields come from the message replied to: a line break in them, with the blanks
// that fold the next line, becomes one space, so that they cannot start a header line.
TEST(MessageBuilder, ThreadingFieldsStayOnTheirLines) {
    const ComposedMessage message{.subject = "s", .from = "a@x.org",
                                  .in_reply_to = "<m@x>\r\nBcc: x@y",
                                  .references = "<a@x>\r\n\t<b@y>\nBcc: x@y"};
    for (const bool text_form : {false, true}) {
        HeaderBlockRequest request = Wire();
        request.text_form = text_form;
        const std::string block = BuildHeaderBlock(message, request);
        EXPECT_NE(block.find("\r\nIn-Reply-To: <m@x> Bcc: x@y\r\n"), std::string::npos) << block;
        EXPECT_NE(block.find("\r\nReferences: <a@x>\r\n  <b@y>\r\n  Bcc:\r\n  x@y\r\n"),
                  std::string::npos) << block;
        EXPECT_EQ(block.find("\nBcc"), std::string::npos) << block;
    }
}

TEST(MessageBuilder, QuotedPrintableLines) {
    const std::string letters(200, 'a');
    const std::pair<std::string, std::vector<std::string>> cases[] = {
        {letters, {std::string(75, 'a') + "=", std::string(75, 'a') + "=", std::string(50, 'a')}},
        {"a=b", {"a=3Db"}}, {"trailing   \t", {"trailing"}}, {"tab\there", {"tab\there"}},
        {"\x7f", {"=7F"}}, {"caf\xe9", {"caf=E9"}}, {"", {""}},
        // An encoded character never crosses the 76-column limit.
        {std::string(72, 'x') + "\xe9\xe9", {std::string(72, 'x') + "=E9=", "=E9"}},
        {std::string(73, 'x') + "\xe9", {std::string(73, 'x') + "=", "=E9"}},
    };
    for (const auto& [line, expected] : cases) {
        std::vector<std::string> lines;
        EncodeQuotedPrintableLine(line, [&](std::string_view piece) { lines.emplace_back(piece); });
        EXPECT_EQ(lines, expected) << line;
    }
}

TEST(MessageBuilder, EightBitMeansAboveTilde) {
    ComposedMessage message{.body_lines = {"plain\r\n", "\x01\x1f control\r\n"}};
    EXPECT_FALSE(BodyHasEightBit(message));
    message.body_lines.push_back("\x7f");
    EXPECT_TRUE(BodyHasEightBit(message));
}

TEST(MessageBuilder, DatesAndIdentifiers) {
    // Winter and summer time in Berlin, and a half-hour zone.
    const std::tuple<const char*, std::time_t, const char*> dates[] = {
        {"Europe/Berlin", 1048329210, "Sat, 22 Mar 2003 11:33:30 +0100"},
        {"Europe/Berlin", 1057060800, "Tue, 01 Jul 2003 14:00:00 +0200"},
        {"America/St_Johns", 1048329210, "Sat, 22 Mar 2003 07:03:30 -0330"},
        {"UTC", 1048329210, "Sat, 22 Mar 2003 10:33:30 +0000"},
    };
    for (const auto& [zone, time, text] : dates) {
        ScopedTimeZone scoped(zone);
        EXPECT_EQ(MakeMailDate(time), text) << zone;
    }
    ScopedTimeZone utc("UTC");
    std::uint32_t next = 0x100 + 1;
    RandomDraw draw = [&next] { return next++; };  // draws 1, 2, 3, 4 (mod 256)
    EXPECT_EQ(MakeMessageId(1048329210, "desk.example.org", draw),
              "<tvx.20030322103330.04030201@desk.example.org>");
    EXPECT_EQ(MakeBoundary(draw), "--=_Boundary-08070605");
    EXPECT_EQ(MessageHost("given.example.org"), "given.example.org");
    EXPECT_FALSE(MessageHost("").empty());
}

TEST(MessageBuilder, ComposeTextKeepsEditorLines) {
    const ComposedMessage message{
        .subject = "s", .from = "a@example.org",
        .body_lines = {"first paragraph\r\n", "wrapped ", "line\r\n", "last"}};
    EXPECT_EQ(ComposeText(message, false, 0), "first paragraph\r\nwrapped \r\nline\r\nlast\r\n");
    // Sent in the body's charset, cut to the editor's limit of characters.
    const std::tuple<std::string, MessageCharset, std::string> lines[] = {
        {"paragraph\r\n", MessageCharset::Latin1, "paragraph"},
        {std::string(2000, 'z'), MessageCharset::Latin1, std::string(1024, 'z')},
        {"Grüße\r\n", MessageCharset::Latin1, "Gr\xfc\xdf" "e"},
        {"€ — 日本\r\n", MessageCharset::Utf8, "€ — 日本"},
        {"ü" + std::string(1100, 'z'), MessageCharset::Utf8, "ü" + std::string(1023, 'z')},
    };
    for (const auto& [line, charset, sent] : lines) {
        EXPECT_EQ(BodyLine(line, charset), sent) << line;
    }
    // The body goes in ISO-8859-1 when every character of it fits, else in UTF-8.
    ComposedMessage body{.subject = "€", .body_lines = {"Grüße\r\n"}};
    EXPECT_EQ(BodyCharset(body), MessageCharset::Latin1);
    body.body_lines.push_back("日本");
    EXPECT_EQ(BodyCharset(body), MessageCharset::Utf8);
}

}  // namespace
}  // namespace tarvox
