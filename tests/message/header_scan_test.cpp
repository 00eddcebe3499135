#include "message/header_scan.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "message/message_test_files.h"

namespace tarvox {
namespace {

std::vector<std::string> RawTexts(const AddressList& list) {
    std::vector<std::string> texts;
    for (const AddressEntry& entry : list) {
        texts.push_back(entry.raw);
    }
    return texts;
}

TEST(ScanHeaders, ReadsAThreadedReply) {
    const std::string message = testing::ReadMessageFile("threaded_reply.eml");
    const HeaderSummary summary = ScanHeaders(message);
    EXPECT_EQ(summary.message_id, " <3E7C3A2A.5060904@example.org>");
    EXPECT_EQ(summary.in_reply_to, " <3E7B1F00.1000000@example.net>");
    EXPECT_EQ(summary.references,
              " <3E7A0000.2000000@example.net>\t<3E7B1F00.1000000@example.net>");
    EXPECT_EQ(RawTexts(summary.to), (std::vector<std::string>{"Bob <bob@example.net>",
                                                              "\"Doe, Jane\" <jane@example.net>"}));
    EXPECT_EQ(summary.status_flags, kStatusSeen | kStatusAnswered);
    // multipart/alternative is not multipart/mixed; the boundary is on the continuation line.
    EXPECT_FALSE(summary.multipart);
    EXPECT_EQ(summary.boundary_line, "--q\r\n");
    EXPECT_EQ(summary.body_start, message.find("\r\n\r\n") + 2);
}

TEST(ScanHeaders, TextFieldsComeFromSingleLines) {
    using S = HeaderSummary;
    const std::string long_value(511 - 9, 'x');  // "Subject: " + value = 511
    const std::string long_line = "References: <a>\r\nX-Long: " + std::string(503, 'x') +
                                  "\r\n <b>\r\nSubject: s\r\n\r\n";
    const std::tuple<std::string, std::string S::*, std::string> cases[] = {
        {"Subject: one\r\nSUBJECT:two\r\n\r\n", &S::subject, "two"},
        {"Subject: \t hi  \r\n\r\n", &S::subject, "hi  "},
        {"Subject: " + long_value + "\r\n\r\n", &S::subject, ""},
        {"Subject: " + long_value.substr(1) + "\r\n\r\n", &S::subject, long_value.substr(1)},
        // An over-long line does not end the scan, and it closes the open header.
        {long_line, &S::references, " <a>"}, {long_line, &S::subject, "s"},
        // Only In-Reply-To and References take continuation lines.
        {"Subject: a\r\n b\r\n\r\n", &S::subject, "a"},
        {"References: <a>\r\nSubject: s\r\n <b>\r\n\r\n", &S::references, " <a>"},
        {"In-Reply-To: <a>\r\n  <b>\r\n\r\n", &S::in_reply_to, " <a>  <b>"},
        // The scan ends at an empty line, "." or " ", and at text without CR LF.
        {"\r\nSubject: s\r\n", &S::subject, ""},
        {"From: f\r\n.\r\nSubject: s\r\n", &S::subject, ""},
        {"From: f\r\n \r\nSubject: s\r\n", &S::subject, ""},
        {"From: f\r\n  \r\nSubject: s\r\n", &S::subject, "s"}, {"Subject: s", &S::subject, ""},
        {"Subject: s\r", &S::subject, ""},
        {std::string("From: f\r\nSub\0ject: s\r\n", 23), &S::subject, ""},
        // A lone CR ends the line; the next line starts after the next CR LF.
        {"Subject: a\rb\r\nFrom: f\r\n\r\n", &S::subject, "a"},
        {"Subject: a\rb\r\nFrom: f\r\n\r\n", &S::from, "f"},
        // A malformed encoded word leaves the value as it stands.
        {"From: =?ISO-8859-1?Q?a b?= <a@x>\r\n\r\n", &S::from, "=?ISO-8859-1?Q?a b?= <a@x>"},
        {"Reply-To: =?iso-8859-1?q?r=E9?= <r@x>\r\n\r\n", &S::reply_to, "ré <r@x>"},
        // A boundary alone on a tab-indented continuation line; unquoted, it ends at ";".
        {"Content-Type: text/plain;\r\n\tboundary=abc;\r\n\r\n", &S::boundary_line, "--abc\r\n"},
        {"Content-Type: text/plain;\r\n\tCharset=\"koi8-r\"\r\n\r\n", &S::charset, "koi8-r"},
    };
    for (const auto& [message, field, expected] : cases) {
        EXPECT_EQ(ScanHeaders(message).*field, expected) << message;
    }
}

TEST(ScanHeaders, ContentFactsAndStatusFlags) {
    using enum TransferEncoding;
    // {header lines, multipart, html, plain text, encoding, status}
    const std::tuple<std::string, bool, bool, bool, TransferEncoding, std::uint32_t> cases[] = {
        {"Content-Type: Multipart/Mixed; boundary=b\r\n", true, false, false, None, 0},
        {"Content-Type:multipart/mixed\r\n", false, false, false, None, 0},
        {"CONTENT-TYPE: TEXT/HTML\r\n", false, true, false, None, 0},
        {"content-type: text/plain; charset=us-ascii\r\n", false, false, true, None, 0},
        {"Content-Transfer-Encoding: quoted-printable\r\nContent-Transfer-Encoding: 7bit\r\n",
         false, false, false, SevenBit, 0},
        {"Content-Transfer-Encoding: 8bit\r\nContent-Transfer-Encoding: BASE64\r\n", false, false,
         false, Base64, 0},
        {"Status: RO\r\n", false, false, false, None, kStatusSeen},
        {"X-Status: A\r\n", false, false, false, None, kStatusAnswered},
        {"Status: O\r\nX-Status: \r\n", false, false, false, None, 0},
        {"status: RO\r\nX-STATUS: A\r\n", false, false, false, None, 0},  // names in this case only
    };
    for (const auto& [message, multipart, html, plain_text, encoding, status] : cases) {
        const HeaderSummary summary = ScanHeaders(message + "\r\n");
        EXPECT_EQ(std::tuple(summary.multipart, summary.html, summary.plain_text,
                             summary.transfer_encoding, summary.status_flags),
                  std::tuple(multipart, html, plain_text, encoding, status))
            << message;
    }
}

// The entries' raw texts, with encoded words decoded.
TEST(ScanHeaders, UnfoldsAndDecodesToAndCc) {
    using Texts = std::vector<std::string>;
    const std::tuple<std::string, Texts, Texts> cases[] = {
        {"To: a@x,\r\n b@x\r\n\r\n", {"a@x", "b@x"}, {}},
        {"CC: a@x,\r\n\tB <b@x>\r\nTo: c@x\r\nto: d@x\r\n\r\n", {"c@x", "d@x"}, {"a@x", "B <b@x>"}},
        {"To: a@x,\r\nSubject: s\r\n b@x\r\n\r\n", {"a@x"}, {}},
        {"Reply-To: r@x\r\nX-To: x@x\r\n\r\n", {}, {}},
        {"To: =?ISO-8859-1?Q?J=E9r=F4me?= <j@x>\r\n\r\n", {"Jérôme <j@x>"}, {}},
    };
    for (const auto& [message, to, cc] : cases) {
        const HeaderSummary summary = ScanHeaders(message);
        EXPECT_EQ(RawTexts(summary.to), to) << message;
        EXPECT_EQ(RawTexts(summary.cc), cc) << message;
    }
}

}  // namespace
}  // namespace tarvox
