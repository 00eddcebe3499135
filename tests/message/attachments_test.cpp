#include "message/attachments.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "message/mime_test_files.h"

namespace tarvox {
namespace {

using namespace std::string_literals;
using testing::ReadMimeTestFile;

// The name read from one header line, as the attachment scan reads it.
std::optional<std::string> NameOn(const std::string& line) {
    const std::string message = line + "\r\n";
    const auto at = FindNameParameter(message, 0);
    if (!at) {
        return std::nullopt;
    }
    return ExtractNameValue(message, *at);
}

TEST(AttachmentName, ParametersOnHeaderLines) {
    struct Case {
        std::string line;
        std::optional<std::string> name;
    };
    const std::string long_value(506, 'x');
    const Case cases[] = {
        {"Content-Type: image/jpeg; name=\"my photo.jpg\"", "my photo.jpg"},
        // An unquoted value runs to the end of the line.
        {"Content-Type: text/plain; name=notes.txt; x=y", "notes.txt; x=y"},
        {"Content-Disposition: attachment; filename=Report.PDF", "Report.PDF"},
        {"NAME=UPPER.TXT", "UPPER.TXT"},
        {"\tname = spaced.txt", "spaced.txt"},
        {"\tname =first.txt second", "first.txt second"},
        {"name= \"quoted after a blank.txt\"", "quoted after a blank.txt"},
        {"name=\"unclosed.txt", "unclosed.txt"},
        {"name=\"\"", "\"\""},
        {"name=up\"to the quote", "up"},
        {"name=cr\r", "cr"},
        // The extended form (RFC 2231) is not read.
        {"Content-Disposition: attachment; filename*=UTF-8''a.txt", std::nullopt},
        // Only the first "name" on the line counts.
        {"Content-Type: application/x-name; name=\"a.txt\"", std::nullopt},
        {"nameless", std::nullopt},
        {"name=", std::nullopt},
        {"", std::nullopt},
        // Lines of 511 characters are read, of 512 not.
        {"name=" + long_value, long_value},
        {"name=" + long_value + "y", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(NameOn(c.line), c.name) << c.line;
    }
}

TEST(AttachmentName, UnreadableValuesAreUntitled) {
    struct Case {
        std::string message;
        std::string name;
    };
    const Case cases[] = {
        {std::string(507, 'v') + "\r\n", std::string(507, 'v')},
        {std::string(508, 'v') + "\r\n", "untitled"},
        {"\r\n", "untitled"},
        {"", "untitled"},
        {"no line end", "no line end"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ExtractNameValue(c.message, 0), c.name) << c.message.size();
    }
}

TEST(AttachmentName, UuencodeStartLines) {
    struct Case {
        std::string line;
        std::optional<std::string> name;
    };
    const std::string padding(511 - 13, 'n');
    const Case cases[] = {
        {"begin 644 photo.jpg\r\n", "photo.jpg"},
        {"begin 600 my photo.jpg\r\n", "my photo.jpg"},
        {"begin 0644 photo.jpg\r\n", std::nullopt},  // the tenth character must be a blank
        {"begin 64 photo.jpg\r\n", std::nullopt},
        {"Begin 644 photo.jpg\r\n", std::nullopt},
        {"begin abc photo.jpg\r\n", std::nullopt},
        {"begin 644 \r\n", std::nullopt},
        {"begin 644 x" + padding + "\r\n", "x" + padding},  // 511 characters
        {"begin 644 xy" + padding + "\r\n", std::nullopt},
    };
    for (const Case& c : cases) {
        const auto at = FindUuencodeName(c.line);
        const auto name = at ? std::optional(ExtractNameValue(c.line, *at)) : std::nullopt;
        EXPECT_EQ(name, c.name) << c.line;
    }
}

TEST(Attachments, HeaderBlocksThatOfferAnAttachment) {
    struct Case {
        std::string text;
        std::optional<AttachmentKind> kind;  // nothing: no attachment
        std::string_view data;               // the text at the data start
    };
    const std::string named = "Content-Type: a/b; name=x\r\n";
    const Case cases[] = {
        {named + "\r\ndata\r\n", AttachmentKind::PlainText, "data\r\n"},
        {named + "Content-Transfer-Encoding: quoted-printable\r\n\r\ndata\r\n",
         AttachmentKind::QuotedPrintable, "data\r\n"},
        // Base64 data starts at the empty line itself.
        {named + "Content-Transfer-Encoding: base64\r\n\r\ndata\r\n", AttachmentKind::Base64,
         "\r\ndata\r\n"},
        // The encoding of an earlier block still holds.
        {"Content-Transfer-Encoding: base64\r\n\r\nbody\r\n" + named + "\r\ndata\r\n",
         AttachmentKind::Base64, "\r\ndata\r\n"},
        {"Content-Disposition: attachment\r\n\tfilename=y\r\n\r\ndata\r\n",
         AttachmentKind::PlainText, "data\r\n"},
        {"Content-Transfer-Encoding: 7bit\r\n\tname=y\r\n\r\ndata\r\n", AttachmentKind::PlainText,
         "data\r\n"},
        // A name counts only after a Content-Type, Content-Disposition or
        // encoding line of the same header block.
        {"X-Other: 1\r\n\tname=z\r\n\r\ndata\r\n", std::nullopt, ""},
        {"Content-Type: text/plain\r\n\r\nmy name=joe\r\n\r\ndata\r\n", std::nullopt, ""},
        // No empty line yet (a preview cut inside the header).
        {named, std::nullopt, ""},
    };
    for (const Case& c : cases) {
        const auto found = ScanNextAttachment(c.text, 0, "");
        ASSERT_EQ(found.has_value(), c.kind.has_value()) << c.text;
        if (found) {
            EXPECT_EQ(found->kind, *c.kind) << c.text;
            EXPECT_EQ(std::string_view(c.text).substr(found->data_start), c.data) << c.text;
        }
    }
}

std::string Written(std::string_view message, const AttachmentRef& attachment) {
    std::string bytes;
    const bool written = WriteAttachment(message, attachment, [&](std::string_view piece) {
        bytes += piece;
        return true;
    });
    EXPECT_TRUE(written);
    return bytes;
}

TEST(Attachments, FoundInMessagesAndWrittenExactly) {
    struct Expected {
        std::string name;
        AttachmentKind kind;
        std::string bytes;
    };
    struct Case {
        const char* file;
        std::string boundary_line;
        std::vector<Expected> attachments;
    };
    const std::string every_byte = ReadMimeTestFile("every-byte.bin");
    ASSERT_EQ(every_byte.size(), 1024u);
    const Case cases[] = {
        // Parts without a plain name parameter are not offered: the unnamed
        // inline image, the "filename*=" document. The later name of a block
        // wins; the kind follows the last encoding seen.
        {"attachments.eml",
         "--att-boundary\r\n",
         {{"my file.bin", AttachmentKind::Base64, "spaced name"},
          {"notes.txt; charset=us-ascii", AttachmentKind::PlainText,
           "Notes, line one.\r\nNotes, line two."},
          {"second.txt", AttachmentKind::QuotedPrintable, "caf\xE9"}}},
        {"uuencode_in_text.eml",
         "",
         {{"photo.jpg", AttachmentKind::UUEncoded, every_byte.substr(0, 100)}}},
        // Cut by a preview download: what arrived is written.
        {"preview_cut.eml",
         "--cut-boundary\r\n",
         {{"cut.bin", AttachmentKind::Base64, every_byte.substr(0, 2 * 57)}}},
        {"roundtrip_base64.eml",
         "--rt-base64\r\n",
         {{"empty.bin", AttachmentKind::Base64, ""},
          {"every-byte.bin", AttachmentKind::Base64, every_byte}}},
        {"roundtrip_quoted_printable.eml",
         "--rt-qp\r\n",
         {{"empty.bin", AttachmentKind::QuotedPrintable, ""},
          {"every-byte.bin", AttachmentKind::QuotedPrintable, every_byte}}},
        // The last file's only line starts with "." and is dot-stuffed.
        {"roundtrip_uuencode.eml",
         "",
         {{"empty.bin", AttachmentKind::UUEncoded, ""},
          {"every-byte.bin", AttachmentKind::UUEncoded, every_byte},
          {"dot.bin", AttachmentKind::UUEncoded, "fourteen bytes"}}},
    };
    for (const Case& c : cases) {
        const std::string message = ReadMimeTestFile(c.file);
        const std::vector<AttachmentRef> found = FindAttachments(message, c.boundary_line);
        ASSERT_EQ(found.size(), c.attachments.size()) << c.file;
        for (std::size_t i = 0; i < found.size(); ++i) {
            const Expected& expected = c.attachments[i];
            EXPECT_EQ(found[i].name, expected.name) << c.file;
            EXPECT_EQ(found[i].kind, expected.kind) << c.file << " " << expected.name;
            EXPECT_EQ(found[i].boundary_line, c.boundary_line) << c.file;
            EXPECT_EQ(Written(message, found[i]), expected.bytes) << c.file << " " << expected.name;
        }
    }
}

TEST(Attachments, DataDecoders) {
    struct Case {
        AttachmentKind kind;
        std::string text;  // the data starts at its beginning
        std::string boundary_line;
        std::string bytes;
    };
    const Case cases[] = {
        {AttachmentKind::Base64, "\r\n\r\nQUJD\r\nREVG\r\n--b", "", "ABCDEF"},
        {AttachmentKind::Base64, "QUJDRA==\r\nQQ==\r\n", "", "ABCDA"},
        {AttachmentKind::Base64, "QUJDREU=\r\n.\r\n", "", "ABCDE"},
        // Cut by the end of the text: the bytes that the characters complete.
        {AttachmentKind::Base64, "QUJ", "", "AB"},
        {AttachmentKind::Base64, "QU", "", "A"},
        // Line breaks inside a group and characters outside the alphabet are
        // decoded as 0.
        {AttachmentKind::Base64, "QUJ\r\nD\r\n", "", "AB@\0000\0"s},
        {AttachmentKind::UUEncoded, "#86)C\r\n`\r\nend\r\n", "", "abc"},
        {AttachmentKind::UUEncoded, "!86)C\r\n", "", "a"},
        {AttachmentKind::UUEncoded, "..86)C\r\n", "", "abc"},  // dot-stuffed count "."
        {AttachmentKind::UUEncoded, "#````\r\n", "", "\0\0\0"s},
        // A group cut by the line end ends the line, not the data.
        {AttachmentKind::UUEncoded, "$86)C8\r\n#86)C\r\n", "", "abcabc"},
        {AttachmentKind::UUEncoded, "#86)C\r\n#86)\r\n#86)C\r\n", "", "abc"},
        {AttachmentKind::UUEncoded, "#86)C", "", "abc"},
        {AttachmentKind::PlainText, "abc\r\n--b\r\n", "--b\r\n", "abc"},
        {AttachmentKind::PlainText, "abc\n--b--", "--b\r\n", "abc"},
        {AttachmentKind::PlainText, "abc\r\n\r\n--b", "--b\r\n", "abc\r\n"},
        {AttachmentKind::PlainText, "abc\r\n--other\r\n", "--b\r\n", "abc\r\n--other\r\n"},
        {AttachmentKind::PlainText, "abc\r\n--b\r\n", "", "abc\r\n--b\r\n"},
        // Lines the server dot-stuffed lose the extra dot (RFC 1939 section 3).
        {AttachmentKind::PlainText, "..hidden\r\nx.\r\n...\r\n--b\r\n", "--b\r\n",
         ".hidden\r\nx.\r\n.."},
        {AttachmentKind::QuotedPrintable, "..caf=E9\r\n--b", "--b\r\n", ".caf\xE9"},
        // Saved quoted-printable keeps NUL bytes and has no length limit.
        {AttachmentKind::QuotedPrintable, "caf=E9=\r\n=00x\r\n--b", "--b\r\n", "caf\xE9\0x"s},
        {AttachmentKind::QuotedPrintable, std::string(1500, 'q') + "\r\n--b", "--b\r\n",
         std::string(1500, 'q')},
    };
    for (const Case& c : cases) {
        const AttachmentRef attachment{"x", 0, c.kind, c.boundary_line};
        EXPECT_EQ(Written(c.text, attachment), c.bytes) << c.text.substr(0, 40);
    }
}

TEST(Attachments, LargeDataArrivesWholeAcrossBufferFlushes) {
    const std::size_t size = 2 * 262143 + 3;  // decoded bytes, all zero
    std::string base64, uuencoded;
    for (std::size_t i = 0; i < size / 3; ++i) {
        base64 += i % 19 == 18 ? "AAAA\r\n" : "AAAA";
    }
    for (std::size_t left = size; left > 0; left -= std::min<std::size_t>(left, 45)) {
        const std::size_t count = std::min<std::size_t>(left, 45);
        uuencoded += static_cast<char>(32 + count) + std::string((count + 2) / 3 * 4, '`') + "\r\n";
    }
    for (const auto& [kind, text] : {std::pair{AttachmentKind::Base64, base64},
                                     std::pair{AttachmentKind::UUEncoded, uuencoded}}) {
        EXPECT_EQ(Written(text, {"x", 0, kind, ""}), std::string(size, '\0'));
    }
}

TEST(Attachments, RefusedWriteStopsTheWriter) {
    const std::string large = std::string(4 * 100000, 'A');  // 300000 bytes
    for (AttachmentKind kind :
         {AttachmentKind::Base64, AttachmentKind::PlainText, AttachmentKind::QuotedPrintable}) {
        int calls = 0;
        const bool written = WriteAttachment(large, {"x", 0, kind, ""}, [&](std::string_view) {
            ++calls;
            return false;
        });
        EXPECT_FALSE(written);
        EXPECT_EQ(calls, 1);
    }
}

}  // namespace
}  // namespace tarvox
