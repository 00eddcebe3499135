#include "message/viewer_text.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <string_view>
#include <tuple>

#include "message/message_test_files.h"

namespace tarvox {
namespace {

using testing::Lines;
using testing::ReadMessageFile;

constexpr ViewerOptions kFiltered{false, HtmlFilterMode::Filter};
constexpr ViewerOptions kAllHeaders{true, HtmlFilterMode::Filter};

std::string Data(const ViewedMessage& viewed, std::size_t index) {
    std::string data;
    EXPECT_TRUE(viewed.WriteAttachmentData(index, [&](std::string_view bytes) {
        data += bytes;
        return true;
    }));
    return data;
}

TEST(BuildViewerText, FormsHeaderBlockAndBody) {
    const std::string body = Lines({"", "First line.", ".Dot-stuffed line.", "Café line."});
    const std::string three_recipients = ReadMessageFile("viewer/three_recipients.eml");
    const std::tuple<const char*, ViewerOptions, std::string> cases[] = {
        // No Subject line; further To and CC entries on lines of their own; names decoded.
        {"viewer/three_recipients.eml", kFiltered,
         Lines({"Date:\t\tTue, 1 Apr 2003 09:00:00 +0200",
                "From:\t\tJürgen Müller <jm@example.org>", "To:\t\tAnn <ann@example.net>",
                "\t\t\"Smith, Bob\" <bob@example.net>", "\t\tcarol@example.net",
                "CC:\t\tdave@example.net", "\t\tRené" "e <renee@example.net>",
                "ReplyTo:\treplies@example.org"}) + body},
        // All headers: the header lines exactly as they stand, and no formatted block.
        {"viewer/three_recipients.eml", kAllHeaders,
         three_recipients.substr(0, three_recipients.find("\r\n\r\n") + 2) + body},
        {"bulk_offer.eml", {false, HtmlFilterMode::ShowRaw},
         Lines({"Date:\t\tMon, 7 Apr 2003 08:00:00 +0000", "From:\t\tDeals Team",
                "To:\t\tann@shop.example", "\t\tbob@shop.example", "\t\tcat@shop.example",
                "\t\tdan@shop.example", "\t\teve@shop.example", "Subject:\tWeekly offers", "",
                "<html><body>Offers</body></html>"})},
    };
    for (const auto& [file, options, text] : cases) {
        const std::string message = ReadMessageFile(file);
        EXPECT_EQ(BuildViewerText(message, options), text) << file;
        EXPECT_EQ(ViewedMessage(message, options).display_text(), text) << file;
    }
    // Empty values give no lines; all headers without an empty line stop at the last whole line.
    EXPECT_EQ(BuildViewerText("Subject:\r\nFrom:   \r\nDate: x\r\n\r\nBody\r\n", kFiltered),
              Lines({"Date:\t\tx", "", "Body"}));
    EXPECT_EQ(BuildViewerText("Subject: s\r\nBody", kAllHeaders), "Subject: s\r\n");
}

// Real-world charsets through the whole viewer: each part read in its own charset,
// characters cut by base64, quoted-printable or folded encoded words put together.
TEST(ViewedMessage, ReadsEveryCharset) {
    const std::string plain = "Content-Type: text/plain; charset=";
    std::string long_encoded;  // long enough to be converted in pieces
    std::string long_shown = "\r\n";
    for (int i = 0; i < 5000; ++i) {
        long_encoded += "caf=C3=\r\n=A9\r\n";
        long_shown += "café\r\n";
    }
    const std::tuple<std::string, std::string, std::string_view> cases[] = {
        {"Subject: =?UTF-8?B?5pel?=\r\n =?UTF-8?Q?=E6=9C=AC_caf=C3?=\r\n\t=?UTF-8?Q?=A9?=\r\n" +
             plain + "UTF-8\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\n" +
             "Caf=C3=\r\n=A9 =E2=82=AC5\r\n",
         "Subject:\t日本 café\r\n\r\nCafé €5\r\n", ""},
        {plain + "iso-8859-15\r\n\r\n\xA4 \xBD\r\n", "\r\n€ œ\r\n", ""},
        {"Content-Type: text/plain\r\n\r\n\x93quoted\x94\r\n", "\r\n“quoted”\r\n", ""},
        {plain + "koi8-r\r\n\r\n\xF0\xD2\xC9\xD7\xC5\xD4\r\n", "\r\nПривет\r\n", ""},
        {plain + "utf-8\r\nContent-Transfer-Encoding: base64\r\n\r\nw6nm\r\nl6U=\r\n", "é日",
         ""},
        {plain + "ISO-2022-JP\r\n\r\n\x1B$BF|K\\8l\x1B(B\r\n", "\r\n日本語\r\n", ""},
        {"Content-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\n" + plain +
             "gb2312\r\n\r\n\xD6\xD0\xCE\xC4\r\n--b\r\n\r\ncaf\xE9\r\n--b--\r\n",
         "\r\n\r\n中文\r\n\r\ncafé\r\n", ""},
        {"Content-Type: text/html\r\n\r\n<meta charset=\"Shift_JIS\"><p>\x83"
         "e\x83X\x83g &#8364;</p>\r\n",
         "\r\n \r\nテスト €\r\n", ""},
        {plain + "utf-8\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\n" + long_encoded,
         long_shown, ""},
        {plain + "utf-8\r\n\r\na\xC3(b\r\n", "\r\na\xEF\xBF\xBD(b\r\n", ""},  // broken
        {plain + "x-klingon\r\n\r\ncaf\xE9\r\n", "\r\ncafé\r\n", "x-klingon"},
    };
    for (const auto& [message, display, unknown] : cases) {
        const ViewedMessage viewed(message, kFiltered);
        EXPECT_EQ(viewed.display_text(), display) << message;
        EXPECT_EQ(viewed.unknown_charset(), unknown) << message;
    }
    // The raw view: the bytes as they arrived, read in the message's charset.
    EXPECT_EQ(ViewedMessage(std::get<0>(cases[1]), kFiltered).raw_display_text(),
              plain + "iso-8859-15\r\n\r\n€ œ\r\n");
}

TEST(BuildReferencesText, JoinsTokensOfTheThreeHeaders) {
    const std::array<std::string_view, 4> cases[] = {  // References, In-Reply-To, Message-ID, text
        {"<a@x> <b@x>", "<b@x>", "<c@x>", "<a@x> <b@x> <c@x>"},
        // Text outside tokens is dropped; only the first In-Reply-To and Message-ID tokens count.
        {"junk <a@x>junk\r\n\t<b@x> tail", "(comment) <z@x> <y@x>", "<c@x> <d@x>",
         "<a@x> <b@x> <z@x> <c@x>"},
        {"", "", "<c@x>", "<c@x>"}, {"", "<b@x>", "<c@x>", "<b@x> <c@x>"}, {"", "", "", ""},
        {"no tokens", "none", "either", ""},
        // An unclosed "<" is no token; a token runs to the first ">".
        {"<a@x", "", "<c@x>", "<c@x>"}, {"<a<b>>", "", "<c@x>", "<a<b> <c@x>"},
        // In-Reply-To is left out when its token occurs anywhere in the text.
        {"<a<b@x>", "<b@x>", "<c@x>", "<a<b@x> <c@x>"},
        {"<xa@x>", "<a@x>", "<c@x>", "<xa@x> <a@x> <c@x>"},
        {"<a@x>", "<a@x>", "<a@x>", "<a@x> <a@x>"},
        {"<a@x>", "", "", "<a@x> "},  // without a Message-ID the blank before it stays
    };
    for (const auto& [references, in_reply_to, message_id, text] : cases) {
        EXPECT_EQ(BuildReferencesText(references, in_reply_to, message_id), text)
            << references << " | " << in_reply_to << " | " << message_id;
    }
}

TEST(ViewedMessage, KeepsReplyValues) {
    const ViewedMessage viewed(ReadMessageFile("threaded_reply.eml"), kFiltered);
    EXPECT_EQ(viewed.reply_values(),
              (ReplyValues{"André Pirard <andre@example.org>", "list@example.org",
                           "Re: Café at noon", "<3E7C3A2A.5060904@example.org>",
                           "<3E7A0000.2000000@example.net> <3E7B1F00.1000000@example.net> "
                           "<3E7C3A2A.5060904@example.org>"}));
}

TEST(ViewedMessage, ListsAttachmentsWithDecodedNamesAndLabels) {
    using View = std::string_view;
    const std::tuple<View, View, View, std::string> expected[] = {
        // The name as found, decoded when it differs, the label and the data.
        {"../../evil", "", "Base64", ReadMessageFile("viewer/every-byte.bin")},
        {"/etc/passwd", "", "Text", ReadMessageFile("viewer/passwd.bin")},
        {"=?ISO-8859-1?Q?caf=E9.bin?=", "café.bin", "Base64", ""},
        {"..", "", "Base64", "dots"}, {"C:\\temp\\win.txt", "", "Text", "windows path"},
        {"sub/dir/uu.bin", "", "UUEncoded", ReadMessageFile("viewer/uu.bin")},
    };
    const std::string crlf = ReadMessageFile("viewer/hostile_names.eml");
    std::string lf = crlf;
    std::erase(lf, '\r');
    // A file with line feeds reads as CR LF.
    const ViewedMessage from_file(lf, kFiltered, MessageOrigin::File);
    const ViewedMessage viewed(crlf, kFiltered);
    EXPECT_EQ(from_file.message_text(), lf);
    EXPECT_EQ(from_file.display_text(), viewed.display_text());
    ASSERT_EQ(viewed.attachments().size(), std::size(expected));
    ASSERT_EQ(from_file.attachments().size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        const auto& [name, decoded, label, data] = expected[i];
        const ViewedAttachment& found = viewed.attachments()[i];
        EXPECT_EQ(found.ref.name, name);
        EXPECT_EQ(found.display_name, decoded.empty() ? name : decoded);
        EXPECT_EQ(found.label, label) << name;
        EXPECT_EQ(Data(viewed, i), data) << name;
        EXPECT_EQ(Data(from_file, i), data) << name;
    }
}

TEST(ViewedMessage, AttachmentScanUsesTheBoundaryTheBodyWalkLeft) {
    // With the outer boundary the inner part's text would run on into the next part.
    const ViewedMessage viewed(
        Lines({"Content-Type: multipart/mixed; boundary=\"outer\"", "", "--outer",
               "Content-Type: multipart/alternative; boundary=\"inner\"", "", "--inner",
               "Content-Type: text/plain; name=\"in.txt\"", "", "inside", "--inner--",
               "--outer--"}),
        kFiltered);
    ASSERT_EQ(viewed.attachments().size(), 1u);
    EXPECT_EQ(viewed.attachments()[0].ref.boundary_line, "--inner\r\n");
    EXPECT_EQ(Data(viewed, 0), "inside");
}

}  // namespace
}  // namespace tarvox
