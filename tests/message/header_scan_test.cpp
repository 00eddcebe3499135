#include "message/header_scan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace tarvox {
namespace {

std::vector<std::string> Addresses(const AddressList& list) {
    std::vector<std::string> addresses;
    for (const AddressEntry& entry : list) {
        addresses.push_back(entry.address);
    }
    return addresses;
}

TEST(ScanHeaders, ReadsAThreadedReply) {
    const std::string message = ReadWholeFile(std::filesystem::path(TARVOX_TEST_DATA_DIR) /
                                              "message" / "threaded_reply.eml");
    const HeaderSummary summary = ScanHeaders(message);

    EXPECT_EQ(summary.message_id, " <3E7C3A2A.5060904@example.org>");
    EXPECT_EQ(summary.in_reply_to, " <3E7B1F00.1000000@example.net>");
    EXPECT_EQ(summary.references,
              " <3E7A0000.2000000@example.net>\t<3E7B1F00.1000000@example.net>");
    EXPECT_EQ(summary.from, "Andr\xe9 Pirard <andre@example.org>");
    EXPECT_EQ(summary.reply_to, "list@example.org");
    EXPECT_EQ(summary.date, "Sat, 22 Mar 2003 11:33:30 +0100");
    // The folded subject keeps its first line only.
    EXPECT_EQ(summary.subject, "Re: Caf\xe9 at noon");
    EXPECT_EQ(Addresses(summary.to),
              (std::vector<std::string>{"bob@example.net", "jane@example.net"}));
    EXPECT_EQ(summary.to[1].name, "Doe, Jane");
    ASSERT_EQ(summary.cc.size(), 1u);
    EXPECT_EQ(summary.cc[0].name, "Carol");
    EXPECT_EQ(summary.status_flags, kStatusSeen | kStatusAnswered);
    // multipart/alternative is not multipart/mixed; its boundary is taken
    // from the continuation line.
    EXPECT_FALSE(summary.multipart);
    EXPECT_EQ(summary.boundary_line, "--q\r\n");
    EXPECT_EQ(summary.transfer_encoding, TransferEncoding::SevenBit);
    EXPECT_EQ(summary.body_start, message.find("\r\n\r\n") + 2);
}

TEST(ScanHeaders, TextFieldsComeFromSingleLines) {
    struct Case {
        std::string message;
        std::string HeaderSummary::*field;
        std::string expected;
    };
    const std::string long_value(511 - 9, 'x');  // "Subject: " + value = 511
    const std::string long_line = "X-Long: " + std::string(511 - 8, 'x');
    const Case cases[] = {
        {"Subject: one\r\nSUBJECT:two\r\n\r\n", &HeaderSummary::subject, "two"},
        {"Subject: \t hi  \r\n\r\n", &HeaderSummary::subject, "hi  "},
        {"Subject: " + long_value + "\r\n\r\n", &HeaderSummary::subject, ""},
        {"Subject: " + long_value.substr(1) + "\r\n\r\n", &HeaderSummary::subject,
         long_value.substr(1)},
        // An over-long line does not end the scan, and it closes the open
        // header.
        {"References: <a>\r\n" + long_line + "\r\n <b>\r\nSubject: s\r\n\r\n",
         &HeaderSummary::references, " <a>"},
        {"References: <a>\r\n" + long_line + "\r\n <b>\r\nSubject: s\r\n\r\n",
         &HeaderSummary::subject, "s"},
        // Only In-Reply-To and References take continuation lines.
        {"References: <a>\r\nSubject: s\r\n <b>\r\n\r\n", &HeaderSummary::references, " <a>"},
        {"In-Reply-To: <a>\r\n  <b>\r\n\r\n", &HeaderSummary::in_reply_to, " <a>  <b>"},
        // The scan ends at an empty line, "." or " ", and at text without CR LF.
        {"\r\nSubject: s\r\n", &HeaderSummary::subject, ""},
        {"From: f\r\n.\r\nSubject: s\r\n", &HeaderSummary::subject, ""},
        {"From: f\r\n \r\nSubject: s\r\n", &HeaderSummary::subject, ""},
        {"From: f\r\n  \r\nSubject: s\r\n", &HeaderSummary::subject, "s"},
        {"Subject: s", &HeaderSummary::subject, ""},
        {"Subject: s\r", &HeaderSummary::subject, ""},
        {std::string("From: f\r\nSub\0ject: s\r\n", 23), &HeaderSummary::subject, ""},
        // A lone CR ends the line; the next line starts after the next CR LF.
        {"Subject: a\rb\r\nFrom: f\r\n\r\n", &HeaderSummary::subject, "a"},
        {"Subject: a\rb\r\nFrom: f\r\n\r\n", &HeaderSummary::from, "f"},
        // A malformed encoded word leaves the value as it stands.
        {"From: =?ISO-8859-1?Q?a b?= <a@x>\r\n\r\n", &HeaderSummary::from,
         "=?ISO-8859-1?Q?a b?= <a@x>"},
        {"Reply-To: =?iso-8859-1?q?r=E9?= <r@x>\r\n\r\n", &HeaderSummary::reply_to, "r\xe9 <r@x>"},
        // A boundary alone on a tab-indented continuation line; unquoted, it
        // ends at ";".
        {"Content-Type: text/plain;\r\n\tboundary=abc;\r\n\r\n", &HeaderSummary::boundary_line,
         "--abc\r\n"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ScanHeaders(c.message).*c.field, c.expected) << c.message;
    }
}

TEST(ScanHeaders, ContentFactsAndStatusFlags) {
    struct Case {
        std::string message;
        bool multipart;
        bool html;
        bool plain_text;
        TransferEncoding encoding;
        std::uint32_t status;
    };
    using enum TransferEncoding;
    const Case cases[] = {
        {"Content-Type: Multipart/Mixed; boundary=b\r\n", true, false, false, None, 0},
        {"Content-Type:multipart/mixed\r\n", false, false, false, None, 0},
        {"CONTENT-TYPE: TEXT/HTML\r\n", false, true, false, None, 0},
        {"content-type: text/plain; charset=us-ascii\r\n", false, false, true, None, 0},
        {"Content-Transfer-Encoding: quoted-printable\r\n"
         "Content-Transfer-Encoding: 7bit\r\n",
         false, false, false, SevenBit, 0},
        {"Content-Transfer-Encoding: 8bit\r\n"
         "Content-Transfer-Encoding: BASE64\r\n",
         false, false, false, Base64, 0},
        {"Status: RO\r\n", false, false, false, None, kStatusSeen},
        {"X-Status: A\r\n", false, false, false, None, kStatusAnswered},
        {"Status: O\r\nX-Status: \r\n", false, false, false, None, 0},
        // The Status names are matched in this letter case only.
        {"status: RO\r\nX-STATUS: A\r\n", false, false, false, None, 0},
    };
    for (const Case& c : cases) {
        const HeaderSummary summary = ScanHeaders(c.message + "\r\n");
        EXPECT_EQ(summary.multipart, c.multipart) << c.message;
        EXPECT_EQ(summary.html, c.html) << c.message;
        EXPECT_EQ(summary.plain_text, c.plain_text) << c.message;
        EXPECT_EQ(summary.transfer_encoding, c.encoding) << c.message;
        EXPECT_EQ(summary.status_flags, c.status) << c.message;
    }
}

TEST(ScanHeaders, UnfoldsToAndCc) {
    struct Case {
        std::string message;
        std::vector<std::string> to;
        std::vector<std::string> cc;
    };
    const Case cases[] = {
        {"To: a@x,\r\n b@x\r\n\r\n", {"a@x", "b@x"}, {}},
        {"CC: a@x,\r\n\tB <b@x>\r\nTo: c@x\r\nto: d@x\r\n\r\n", {"c@x", "d@x"}, {"a@x", "b@x"}},
        {"To: a@x,\r\nSubject: s\r\n b@x\r\n\r\n", {"a@x"}, {}},
        {"Reply-To: r@x\r\nX-To: x@x\r\n\r\n", {}, {}},
    };
    for (const Case& c : cases) {
        const HeaderSummary summary = ScanHeaders(c.message);
        EXPECT_EQ(Addresses(summary.to), c.to) << c.message;
        EXPECT_EQ(Addresses(summary.cc), c.cc) << c.message;
    }
}

TEST(ScanHeaders, DecodesRecipientNamesAndRawTexts) {
    const HeaderSummary summary = ScanHeaders(
        "To: =?ISO-8859-1?Q?J=E9r=F4me?= <j@x>, \"=?ISO-8859-1?Q?Ren=E9?=\" <r@x>\r\n\r\n");
    ASSERT_EQ(summary.to.size(), 2u);
    EXPECT_EQ(summary.to[0].name, "");
    EXPECT_EQ(summary.to[0].raw, "J\xe9r\xf4me <j@x>");
    EXPECT_EQ(summary.to[1].name, "");
    // Text stuck to "?=" up to the next blank is lost: the closing quote.
    EXPECT_EQ(summary.to[1].raw, "\"Ren\xe9 <r@x>");
}

}  // namespace
}  // namespace tarvox
