#include "message/viewer_text.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <string_view>

namespace tarvox {
namespace {

std::string ReadDataFile(std::string_view relative) {
    const std::filesystem::path path =
        std::filesystem::path(TARVOX_TEST_DATA_DIR) / "message" / std::filesystem::path(relative);
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in.good()) << path;
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The lines, each with its CR LF.
std::string Lines(std::initializer_list<std::string_view> lines) {
    std::string text;
    for (std::string_view line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

constexpr ViewerOptions kFiltered{false, HtmlFilterMode::Filter};
constexpr ViewerOptions kRawHtml{false, HtmlFilterMode::ShowRaw};
constexpr ViewerOptions kAllHeaders{true, HtmlFilterMode::Filter};

const std::string kThreeRecipientsBody =
    Lines({"", "First line.", ".Dot-stuffed line.", "Caf\xE9 line."});

struct ViewerCase {
    const char* file;
    ViewerOptions options;
    std::string text;
};

TEST(BuildViewerText, FormsHeaderBlockAndBody) {
    const ViewerCase cases[] = {
        // No Subject line; further To and CC entries on lines of their own
        // that start with two tabs; names decoded.
        {"viewer/three_recipients.eml", kFiltered,
         Lines({"Date:\t\tTue, 1 Apr 2003 09:00:00 +0200",
                "From:\t\tJ\xFCrgen M\xFCller <jm@example.org>", "To:\t\tAnn <ann@example.net>",
                "\t\t\"Smith, Bob\" <bob@example.net>", "\t\tcarol@example.net",
                "CC:\t\tdave@example.net",
                "\t\tRen\xE9"
                "e <renee@example.net>",
                "ReplyTo:\treplies@example.org"}) +
             kThreeRecipientsBody},
        // All headers: the header lines exactly as they stand, encoded words
        // and the Received line included, and no formatted block.
        {"viewer/three_recipients.eml", kAllHeaders,
         Lines({"Received: from mx.example.org by pop.example.net; Tue, 1 Apr 2003 09:00:00 +0200",
                "Date: Tue, 1 Apr 2003 09:00:00 +0200",
                "From: =?ISO-8859-1?Q?J=FCrgen_M=FCller?= <jm@example.org>",
                "To: Ann <ann@example.net>, \"Smith, Bob\" <bob@example.net>,",
                " carol@example.net",
                "Cc: dave@example.net, =?ISO-8859-1?Q?Ren=E9e?= <renee@example.net>",
                "Reply-To: replies@example.org", "Message-ID: <no-subject.1@example.org>",
                "X-Mailer: Hand"}) +
             kThreeRecipientsBody},
        // The Date keeps its text, less the blanks after the colon; a folded
        // Subject keeps its first line. The closing delimiter of a boundary
        // this short is hidden too.
        {"threaded_reply.eml", kFiltered,
         Lines({"Date:\t\tSat, 22 Mar 2003 11:33:30 +0100",
                "From:\t\tAndr\xE9 Pirard <andre@example.org>", "To:\t\tBob <bob@example.net>",
                "\t\t\"Doe, Jane\" <jane@example.net>", "CC:\t\tcarol@example.net (Carol)",
                "ReplyTo:\tlist@example.org", "Subject:\tRe: Caf\xE9 at noon", "", "",
                "See you there."})},
        // HTML shown raw (the "htmlfilt" setting off).
        {"bulk_offer.eml", kRawHtml,
         Lines({"Date:\t\tMon, 7 Apr 2003 08:00:00 +0000", "From:\t\tDeals Team",
                "To:\t\tann@shop.example", "\t\tbob@shop.example", "\t\tcat@shop.example",
                "\t\tdan@shop.example", "\t\teve@shop.example", "Subject:\tWeekly offers", "",
                "<html><body>Offers</body></html>"})},
    };
    for (const ViewerCase& c : cases) {
        const std::string message = ReadDataFile(c.file);
        EXPECT_EQ(BuildViewerText(message, c.options), c.text)
            << c.file << " all headers " << c.options.all_headers;
        const ViewedMessage viewed(message, c.options);
        EXPECT_EQ(viewed.display_text(), c.text) << c.file;
        EXPECT_EQ(viewed.message_text(), message) << c.file;
    }
}

TEST(BuildViewerText, HtmlFilterSettingDecidesHowHtmlShows) {
    const std::string message = ReadDataFile("bulk_offer.eml");
    const std::string filtered = BuildViewerText(message, kFiltered);
    const std::string raw = BuildViewerText(message, kRawHtml);
    EXPECT_EQ(filtered.find("<html>"), std::string::npos);
    EXPECT_NE(filtered.find("Offers"), std::string::npos);
    EXPECT_NE(raw.find("<html><body>Offers</body></html>"), std::string::npos);
    // An HTML part of a multipart message is announced when filtered.
    const std::string parts = ReadDataFile("mime/alternative.eml");
    EXPECT_NE(BuildViewerText(parts, kFiltered).find(kHtmlContentMarker), std::string::npos);
    EXPECT_EQ(BuildViewerText(parts, kRawHtml).find(kHtmlContentMarker), std::string::npos);
}

TEST(BuildViewerText, EmptyHeaderValuesGiveNoLines) {
    const std::string message = "Subject:\r\nFrom:   \r\nDate: x\r\n\r\nBody\r\n";
    EXPECT_EQ(BuildViewerText(message, kFiltered), Lines({"Date:\t\tx", "", "Body"}));
    // Without an empty line the scan stops at the last complete line, and
    // the all-headers view shows the text up to there.
    EXPECT_EQ(BuildViewerText("Subject: s\r\nBody", kAllHeaders), "Subject: s\r\n");
}

struct ReferencesCase {
    std::string_view references;
    std::string_view in_reply_to;
    std::string_view message_id;
    std::string_view text;
};

TEST(BuildReferencesText, JoinsTokensOfTheThreeHeaders) {
    const ReferencesCase cases[] = {
        {"<a@x> <b@x>", "<b@x>", "<c@x>", "<a@x> <b@x> <c@x>"},
        {"<a@x>", "<b@x>", "<c@x>", "<a@x> <b@x> <c@x>"},
        // Text outside tokens is dropped; only the first In-Reply-To and
        // Message-ID tokens count.
        {"junk <a@x>junk\r\n\t<b@x> tail", "(comment) <z@x> <y@x>", "<c@x> <d@x>",
         "<a@x> <b@x> <z@x> <c@x>"},
        {"", "", "<c@x>", "<c@x>"},
        {"", "<b@x>", "<c@x>", "<b@x> <c@x>"},
        {"", "", "", ""},
        {"no tokens", "none", "either", ""},
        // An unclosed "<" is no token; a token runs to the first ">".
        {"<a@x", "", "<c@x>", "<c@x>"},
        {"<a<b>>", "", "<c@x>", "<a<b> <c@x>"},
        // In-Reply-To is left out when its token occurs anywhere in the text,
        // even inside another token.
        {"<a<b@x>", "<b@x>", "<c@x>", "<a<b@x> <c@x>"},
        {"<xa@x>", "<a@x>", "<c@x>", "<xa@x> <a@x> <c@x>"},
        {"<a@x>", "<a@x>", "<a@x>", "<a@x> <a@x>"},
        // Without a Message-ID the blank before it stays.
        {"<a@x>", "", "", "<a@x> "},
    };
    for (const ReferencesCase& c : cases) {
        EXPECT_EQ(BuildReferencesText(c.references, c.in_reply_to, c.message_id), c.text)
            << c.references << " | " << c.in_reply_to << " | " << c.message_id;
    }
}

TEST(FirstAngleToken, TakesTextFromLessThanToNextGreaterThan) {
    EXPECT_EQ(FirstAngleToken("  <id@x> <other@x>"), "<id@x>");
    EXPECT_EQ(FirstAngleToken("id@x>"), "");
    EXPECT_EQ(FirstAngleToken("<id@x"), "");
    EXPECT_EQ(FirstAngleToken("a<>b"), "<>");
}

TEST(ViewedMessage, KeepsReplyValues) {
    const ViewedMessage viewed(ReadDataFile("threaded_reply.eml"), kFiltered);
    const ReplyValues expected{
        "Andr\xE9 Pirard <andre@example.org>",
        "list@example.org",
        "Re: Caf\xE9 at noon",
        "<3E7C3A2A.5060904@example.org>",
        "<3E7A0000.2000000@example.net> <3E7B1F00.1000000@example.net> "
        "<3E7C3A2A.5060904@example.org>",
    };
    EXPECT_EQ(viewed.reply_values(), expected);

    const ViewedMessage no_subject(ReadDataFile("viewer/three_recipients.eml"), kFiltered);
    EXPECT_EQ(no_subject.reply_values().subject, "");
    EXPECT_EQ(no_subject.reply_values().message_id, "<no-subject.1@example.org>");
    EXPECT_EQ(no_subject.reply_values().references, "<no-subject.1@example.org>");
}

struct AttachmentCase {
    std::string_view found_name;
    std::string_view display_name;
    std::string_view label;
    AttachmentKind kind;
    std::string data;
};

TEST(ViewedMessage, ListsAttachmentsWithDecodedNamesAndLabels) {
    const AttachmentCase expected[] = {
        {"../../evil", "../../evil", "Base64", AttachmentKind::Base64,
         ReadDataFile("viewer/every-byte.bin")},
        {"/etc/passwd", "/etc/passwd", "Text", AttachmentKind::QuotedPrintable,
         ReadDataFile("viewer/passwd.bin")},
        {"=?ISO-8859-1?Q?caf=E9.bin?=", "caf\xE9.bin", "Base64", AttachmentKind::Base64, ""},
        {"..", "..", "Base64", AttachmentKind::Base64, "dots"},
        {"C:\\temp\\win.txt", "C:\\temp\\win.txt", "Text", AttachmentKind::PlainText,
         "windows path"},
        {"sub/dir/uu.bin", "sub/dir/uu.bin", "UUEncoded", AttachmentKind::UUEncoded,
         ReadDataFile("viewer/uu.bin")},
    };
    const ViewedMessage viewed(ReadDataFile("viewer/hostile_names.eml"), kFiltered);
    ASSERT_EQ(viewed.attachments().size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        const ViewedAttachment& found = viewed.attachments()[i];
        const AttachmentCase& want = expected[i];
        EXPECT_EQ(found.ref.name, want.found_name) << i;
        EXPECT_EQ(found.display_name, want.display_name) << i;
        EXPECT_EQ(found.label, want.label) << i;
        EXPECT_EQ(found.ref.kind, want.kind) << i;
        std::string data;
        EXPECT_TRUE(viewed.WriteAttachmentData(i, [&](std::string_view bytes) {
            data += bytes;
            return true;
        }));
        EXPECT_EQ(data, want.data) << i;
    }
}

TEST(ViewedMessage, ReadsAFileWithLineFeedsAsCrLf) {
    const std::string crlf = ReadDataFile("viewer/hostile_names.eml");
    std::string lf = crlf;
    std::erase(lf, '\r');
    const ViewedMessage original(crlf, kFiltered);
    const ViewedMessage from_file(lf, kFiltered, MessageOrigin::File);
    EXPECT_EQ(from_file.message_text(), lf);
    EXPECT_EQ(from_file.display_text(), original.display_text());
    const auto data = [](const ViewedMessage& viewed, std::size_t index) {
        std::string out;
        viewed.WriteAttachmentData(index, [&out](std::string_view bytes) {
            out += bytes;
            return true;
        });
        return out;
    };
    ASSERT_EQ(from_file.attachments().size(), original.attachments().size());
    for (std::size_t i = 0; i < original.attachments().size(); ++i) {
        EXPECT_EQ(data(from_file, i), data(original, i)) << i;
    }
}

TEST(ViewedMessage, AttachmentScanUsesTheBoundaryTheBodyWalkLeft) {
    // The inner boundary ends the text attachment of the inner part; with the
    // outer one the text would run on into the next part.
    const std::string message = Lines({
        "Content-Type: multipart/mixed; boundary=\"outer\"",
        "",
        "--outer",
        "Content-Type: multipart/alternative; boundary=\"inner\"",
        "",
        "--inner",
        "Content-Type: text/plain; name=\"in.txt\"",
        "",
        "inside",
        "--inner--",
        "--outer--",
    });
    const ViewedMessage viewed(message, kFiltered);
    ASSERT_EQ(viewed.attachments().size(), 1u);
    EXPECT_EQ(viewed.attachments()[0].ref.boundary_line, "--inner\r\n");
    std::string data;
    viewed.WriteAttachmentData(0, [&](std::string_view bytes) {
        data += bytes;
        return true;
    });
    EXPECT_EQ(data, "inside");
}

}  // namespace
}  // namespace tarvox
