#include "message/mime_body.h"

#include <gtest/gtest.h>

#include <tuple>

#include <string>

#include "message/header_scan.h"
#include "message/message_test_files.h"

namespace tarvox {
namespace {

using testing::Lines;

TEST(BuildBodyText, MessagesShowAsExpected) {
    constexpr auto kFilter = HtmlFilterMode::Filter;
    constexpr auto kRaw = HtmlFilterMode::ShowRaw;
    // {file, mode, display, the boundary the walk leaves for the attachment scan}
    const std::tuple<const char*, HtmlFilterMode, std::string, std::string> cases[] = {
        // The preamble shows; the closing delimiter is hidden like a boundary.
        {"preamble.eml", kFilter,
         Lines({"", "This is a multi-part message in MIME format.",
                "A shown line with boundary=ignored does not change the boundary.", "", "Hello."}),
         "--outer-1\r\n"},
        {"alternative.eml", kFilter,
         "\r\n\r\nPlain text.\r\n" + std::string(kHtmlContentMarker) +
             " \r\n\r\nCafé & more\r\n\r\n",
         "--=_alt_1234\r\n"},
        {"alternative.eml", kRaw,
         Lines({"", "", "Plain text.", "", "<html><body><p>Caf&eacute; &amp; more</p>",
                "</body></html>"}),
         "--=_alt_1234\r\n"},
        // Base64 decodes per line up to a NUL; a 77-char line, non-text or unencoded part shows nothing.
        {"base64_parts.eml", kFilter,
         "\r\nA base64 text part decodes line by line, so every line of it must hold a "
         "multiple of four characters.\r\nKept. Cut Also kept.",
         "--b64-parts\r\n"},
        {"quoted_printable.eml", kFilter,
         Lines({"", "Café crème, soft break joined.", "Broken 4G escape and 4A."}), ""},
        // Once quoted-printable, a later 7bit part stays so; base64 takes over.
        {"encoding_kept.eml", kFilter, Lines({"", "", "one=one", "", "two=two"}) + "three",
         "--kept-boundary\r\n"},
        // After the inner closing delimiter the outer boundary is not known any more.
        {"nested.eml", kFilter,
         Lines({"", "", "", "Inner text.", "", "--outer-boundary", "Content-Type: text/plain", "",
                "Outer second part.", "--outer-boundary--"}),
         "--inner-boundary\r\n"},
        {"short_boundary_abcd.eml", kFilter, "\r\n\r\nShort.\r\n", "--abcd\r\n"},
        {"short_boundary_abcde.eml", kFilter, "\r\n\r\nShort.\r\n", "--abcde\r\n"},
        // A "begin" line with a three-digit mode hides up to the next empty line.
        {"uuencode_in_text.eml", kFilter,
         Lines({"", "Here is the photo:", "", "", "Bye.", "begin 0644 other.jpg",
                "/9F]U<BUD:6=I=\"!M;V1E", "`", "end"}),
         ""},
        // HTML is filtered, then decoded line by line: a soft break is the joining blank.
        {"html_quoted_printable.eml", kFilter, "\r\n \r\nCafé & more softbreak\r\n", ""},
        {"html_quoted_printable.eml", kRaw,
         Lines({"", "<p>Café &amp; <a", "href=\"x\">more</a> softbreak</p>"}), ""},
        {"unterminated.eml", kFilter, "\r\nshown\r\n", ""},
    };
    for (const auto& [file, mode, display, boundary_line] : cases) {
        const std::string message = testing::ReadMessageFile(std::string("mime/") + file);
        const HeaderSummary summary = ScanHeaders(message);
        std::string shown = "Header block\r\n";
        EXPECT_EQ(
            BuildBodyText(message, summary.body_start, BodyWalkStartFrom(summary), mode, shown)
                .boundary_line,
            boundary_line)
            << file;
        EXPECT_EQ(shown, "Header block\r\n" + display) << file << " " << int(mode);
    }
}

}  // namespace
}  // namespace tarvox
