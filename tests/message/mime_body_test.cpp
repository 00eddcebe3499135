#include "message/mime_body.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <string_view>

#include "message/mime_test_files.h"

namespace tarvox {
namespace {

using testing::EmptyLineAfterHeader;
using testing::ReadMimeTestFile;

// The lines, each with its CR LF.
std::string Lines(std::initializer_list<std::string_view> lines) {
    std::string text;
    for (std::string_view line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

struct BodyCase {
    const char* file;
    BodyWalkStart from;
    HtmlFilterMode mode;
    std::string display;
    std::string boundary_line;  // what the walk leaves for the attachment scan
};

TEST(BuildBodyText, MessagesShowAsExpected) {
    constexpr auto kNone = TransferEncoding::None;
    constexpr auto kQp = TransferEncoding::QuotedPrintable;
    const std::string marker(kHtmlContentMarker);
    const BodyCase cases[] = {
        // The empty line after the top-level header ends the hiding, so the
        // preamble shows; the closing delimiter is hidden like a boundary.
        {"preamble.eml",
         {"--outer-1\r\n", kNone, false, false},
         HtmlFilterMode::Filter,
         Lines({"", "This is a multi-part message in MIME format.",
                "A shown line with boundary=ignored does not change the boundary.", "", "Hello."}),
         "--outer-1\r\n"},
        {"alternative.eml",
         {"--=_alt_1234\r\n", kNone, false, false},
         HtmlFilterMode::Filter,
         "\r\n\r\nPlain text.\r\n" + marker + " \r\n\r\nCaf\xE9 & more\r\n\r\n",
         "--=_alt_1234\r\n"},
        {"alternative.eml",
         {"--=_alt_1234\r\n", kNone, false, false},
         HtmlFilterMode::ShowRaw,
         Lines({"", "", "Plain text.", "", "<html><body><p>Caf&eacute; &amp; more</p>",
                "</body></html>"}),
         "--=_alt_1234\r\n"},
        // Base64 text is decoded line by line up to a decoded NUL; a 77-character
        // line, a non-text part and a part after it that declares no encoding of
        // its own (the encoding is never reset) show nothing.
        {"base64_parts.eml",
         {"--b64-parts\r\n", kNone, false, false},
         HtmlFilterMode::Filter,
         "\r\nA base64 text part decodes line by line, so every line of it must hold a "
         "multiple of four characters.\r\nKept. Cut Also kept.",
         "--b64-parts\r\n"},
        {"quoted_printable.eml",
         {"", kQp, false, true},
         HtmlFilterMode::Filter,
         Lines({"", "Caf\xE9 cr\xE8me, soft break joined.", "Broken 4G escape and 4A."}),
         ""},
        // Once quoted-printable, a later 7bit part stays so; base64 takes over.
        {"encoding_kept.eml",
         {"--kept-boundary\r\n", kNone, false, false},
         HtmlFilterMode::Filter,
         Lines({"", "", "one=one", "", "two=two"}) + "three",
         "--kept-boundary\r\n"},
        // After the inner closing delimiter, the outer boundary is not known any
        // more: the rest shows with its header lines.
        {"nested.eml",
         {"--outer-boundary\r\n", kNone, false, false},
         HtmlFilterMode::Filter,
         Lines({"", "", "", "Inner text.", "", "--outer-boundary", "Content-Type: text/plain", "",
                "Outer second part.", "--outer-boundary--"}),
         "--inner-boundary\r\n"},
        {"short_boundary_abcd.eml",
         {"--abcd\r\n", kNone, false, false},
         HtmlFilterMode::Filter,
         Lines({"", "", "Short."}),
         "--abcd\r\n"},
        {"short_boundary_abcde.eml",
         {"--abcde\r\n", kNone, false, false},
         HtmlFilterMode::Filter,
         Lines({"", "", "Short."}),
         "--abcde\r\n"},
        // A "begin" line with a three-digit mode hides up to the next empty
        // line; with four digits it is text.
        {"uuencode_in_text.eml",
         {"", kNone, false, true},
         HtmlFilterMode::Filter,
         Lines({"", "Here is the photo:", "", "", "Bye.", "begin 0644 other.jpg",
                "/9F]U<BUD:6=I=\"!M;V1E", "`", "end"}),
         ""},
        // HTML is filtered first and decoded after, line by line: a soft line
        // break becomes the blank that joins filtered lines.
        {"html_quoted_printable.eml",
         {"", kQp, true, false},
         HtmlFilterMode::Filter,
         "\r\n \r\nCaf\xE9 & more soft break\r\n",
         ""},
        {"html_quoted_printable.eml",
         {"", kQp, true, false},
         HtmlFilterMode::ShowRaw,
         Lines({"", "<p>Caf\xE9 &amp; <a", "href=\"x\">more</a> softbreak</p>"}),
         ""},
        {"unterminated.eml",
         {"", kNone, false, false},
         HtmlFilterMode::Filter,
         "\r\nshown\r\n",
         ""},
    };
    for (const BodyCase& c : cases) {
        const std::string message = ReadMimeTestFile(c.file);
        std::string display = "Header block\r\n";
        const std::string boundary_line =
            BuildBodyText(message, EmptyLineAfterHeader(message), c.from, c.mode, display);
        const bool filtered = c.mode == HtmlFilterMode::Filter;
        EXPECT_EQ(display, "Header block\r\n" + c.display) << c.file << " filtered " << filtered;
        EXPECT_EQ(boundary_line, c.boundary_line) << c.file;
    }
}

}  // namespace
}  // namespace tarvox
