#include "message/attachments.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "message/message_test_files.h"

namespace tarvox {
namespace {

using namespace std::string_literals;
using std::nullopt;
using testing::ReadMessageFile;

TEST(AttachmentName, ParametersOnHeaderLines) {
    const std::string long_value(506, 'x');
    const std::pair<std::string, std::optional<std::string>> cases[] = {
        {"Content-Type: image/jpeg; name=\"my photo.jpg\"", "my photo.jpg"},
        {"Content-Type: text/plain; name=notes.txt; x=y", "notes.txt; x=y"},  // to the line end
        {"Content-Disposition: attachment; filename=Report.PDF", "Report.PDF"},
        {"NAME=UPPER.TXT", "UPPER.TXT"}, {"\tname = spaced.txt", "spaced.txt"},
        {"\tname =first.txt second", "first.txt second"}, {"name=\"unclosed.txt", "unclosed.txt"},
        {"name= \"quoted after a blank.txt\"", "quoted after a blank.txt"},
        {"name=\"\"", "\"\""}, {"name=up\"to the quote", "up"}, {"name=cr\r", "cr"},
        {"Content-Disposition: attachment; filename*=UTF-8''a.txt", nullopt},  // RFC 2231 form
        {"Content-Type: application/x-name; name=\"a.txt\"", nullopt},  // the first "name" counts
        {"nameless", nullopt}, {"name=", nullopt}, {"", nullopt},
        {"name=" + long_value, long_value}, {"name=" + long_value + "y", nullopt},  // 511, 512
    };
    for (const auto& [line, name] : cases) {
        const std::string message = line + "\r\n";
        const auto at = FindNameParameter(message, 0);
        EXPECT_EQ(at ? std::optional(ExtractNameValue(message, *at)) : nullopt, name) << line;
    }
    const std::pair<std::string, std::string> values[] = {
        {std::string(507, 'v') + "\r\n", std::string(507, 'v')},
        {std::string(508, 'v') + "\r\n", "untitled"}, {"\r\n", "untitled"}, {"", "untitled"},
        {"no line end", "no line end"},
    };
    for (const auto& [message, name] : values) {
        EXPECT_EQ(ExtractNameValue(message, 0), name) << message.size();
    }
}

TEST(AttachmentName, UuencodeStartLines) {
    const std::string padding(511 - 13, 'n');
    const std::pair<std::string, std::optional<std::string>> cases[] = {
        {"begin 644 photo.jpg\r\n", "photo.jpg"}, {"begin 600 my photo.jpg\r\n", "my photo.jpg"},
        {"begin 0644 photo.jpg\r\n", nullopt},  // the tenth character must be a blank
        {"begin 64 photo.jpg\r\n", nullopt}, {"Begin 644 photo.jpg\r\n", nullopt},
        {"begin abc photo.jpg\r\n", nullopt}, {"begin 644 \r\n", nullopt},
        {"begin 644 x" + padding + "\r\n", "x" + padding},  // 511 characters
        {"begin 644 xy" + padding + "\r\n", nullopt},
    };
    for (const auto& [line, name] : cases) {
        const auto at = FindUuencodeName(line);
        EXPECT_EQ(at ? std::optional(ExtractNameValue(line, *at)) : nullopt, name) << line;
    }
}

TEST(Attachments, HeaderBlocksThatOfferAnAttachment) {
    const std::string named = "Content-Type: a/b; name=x\r\n";
    const std::string base64 = "Content-Transfer-Encoding: base64\r\n";
    // {text, kind (nothing: no attachment), the text at the data start}
    const std::tuple<std::string, std::optional<AttachmentKind>, std::string_view> cases[] = {
        {named + "\r\ndata\r\n", AttachmentKind::PlainText, "data\r\n"},
        {named + "Content-Transfer-Encoding: quoted-printable\r\n\r\ndata\r\n",
         AttachmentKind::QuotedPrintable, "data\r\n"},
        // Base64 data starts at the empty line itself; an earlier block's encoding still holds.
        {named + base64 + "\r\ndata\r\n", AttachmentKind::Base64, "\r\ndata\r\n"},
        {base64 + "\r\nbody\r\n" + named + "\r\ndata\r\n", AttachmentKind::Base64, "\r\ndata\r\n"},
        {"Content-Disposition: attachment\r\n\tfilename=y\r\n\r\nd\r\n", AttachmentKind::PlainText,
         "d\r\n"},
        {"Content-Transfer-Encoding: 7bit\r\n\tname=y\r\n\r\nd\r\n", AttachmentKind::PlainText,
         "d\r\n"},
        // A name counts only after a content or encoding line of the same block.
        {"X-Other: 1\r\n\tname=z\r\n\r\ndata\r\n", nullopt, ""},
        {"Content-Type: text/plain\r\n\r\nmy name=joe\r\n\r\ndata\r\n", nullopt, ""},
        {named, nullopt, ""},  // no empty line yet
    };
    for (const auto& [text, kind, data] : cases) {
        const auto found = ScanNextAttachment(text, 0, "");
        ASSERT_EQ(found.has_value(), kind.has_value()) << text;
        if (found) {
            EXPECT_EQ(found->kind, *kind) << text;
            EXPECT_EQ(std::string_view(text).substr(found->data_start), data) << text;
        }
    }
}

std::string Written(std::string_view message, const AttachmentRef& attachment) {
    std::string bytes;
    EXPECT_TRUE(WriteAttachment(message, attachment, [&](std::string_view piece) {
        bytes += piece;
        return true;
    }));
    return bytes;
}

TEST(Attachments, FoundInMessagesAndWrittenExactly) {
    using enum AttachmentKind;
    using Expected = std::tuple<std::string, AttachmentKind, std::string>;  // name, kind, bytes
    const std::string every_byte = ReadMessageFile("mime/every-byte.bin");
    const std::tuple<const char*, std::string, std::vector<Expected>> cases[] = {
        // Unnamed parts are not offered; a block's later name and its last encoding win; an
        // RFC 2231 name is decoded.
        {"attachments.eml", "--att-boundary\r\n",
         {{"my file.bin", Base64, "spaced name"},
          {"notes.txt; charset=us-ascii", PlainText, "Notes, line one.\r\nNotes, line two."},
          {"réport 1.pdf", Base64, "extended name only"},
          {"second.txt", QuotedPrintable, "caf\xE9"}}},
        {"uuencode_in_text.eml", "", {{"photo.jpg", UUEncoded, every_byte.substr(0, 100)}}},
        // Cut by a preview download: what arrived is written.
        {"preview_cut.eml", "--cut-boundary\r\n", {{"cut.bin", Base64, every_byte.substr(0, 114)}}},
        {"roundtrip_base64.eml", "--rt-base64\r\n",
         {{"empty.bin", Base64, ""}, {"every-byte.bin", Base64, every_byte}}},
        {"roundtrip_quoted_printable.eml", "--rt-qp\r\n",
         {{"empty.bin", QuotedPrintable, ""}, {"every-byte.bin", QuotedPrintable, every_byte}}},
        // The last file's only line starts with "." and is dot-stuffed.
        {"roundtrip_uuencode.eml", "",
         {{"empty.bin", UUEncoded, ""}, {"every-byte.bin", UUEncoded, every_byte},
          {"dot.bin", UUEncoded, "fourteen bytes"}}},
    };
    for (const auto& [file, boundary_line, attachments] : cases) {
        const std::string message = ReadMessageFile(std::string("mime/") + file);
        const std::vector<AttachmentRef> found = FindAttachments(message, boundary_line);
        ASSERT_EQ(found.size(), attachments.size()) << file;
        for (std::size_t i = 0; i < found.size(); ++i) {
            const auto& [name, kind, bytes] = attachments[i];
            const AttachmentRef& ref = found[i];
            EXPECT_EQ(ref.extended_name ? DecodeExtendedValue(ref.name) : ref.name, name);
            EXPECT_EQ(ref, (AttachmentRef{ref.name, ref.data_start, kind, boundary_line,
                                          ref.extended_name}));
            EXPECT_EQ(Written(message, found[i]), bytes) << file << " " << name;
        }
    }
}

TEST(Attachments, DataDecoders) {
    using enum AttachmentKind;
    std::string base64, uuencoded;  // large data arrives whole
    for (int line = 0; line < 20000; ++line) {
        base64 += std::string(76, 'A') + "\r\n";        // 57 zero bytes a line
        uuencoded += "M" + std::string(60, '`') + "\r\n";  // 45 zero bytes a line
    }
    const struct {
        AttachmentKind kind;
        std::string text;  // the data starts at its beginning
        std::string bytes;
        std::string boundary_line = "";
    } cases[] = {
        {Base64, "\r\n\r\nQUJD\r\nREVG\r\n--b", "ABCDEF"},
        {Base64, "QUJDRA==\r\nQQ==\r\n", "ABCDA"}, {Base64, "QUJDREU=\r\n.\r\n", "ABCDE"},
        {Base64, "QUJ", "AB"}, {Base64, "QU", "A"},  // cut: the bytes the characters complete
        // Line breaks inside a group and characters outside the alphabet are decoded as 0.
        {Base64, "QUJ\r\nD\r\n", "AB@\0000\0"s},
        {UUEncoded, "#86)C\r\n`\r\nend\r\n", "abc"}, {UUEncoded, "!86)C\r\n", "a"},
        {UUEncoded, "..86)C\r\n", "abc"}, {UUEncoded, "#````\r\n", "\0\0\0"s},  // dot-stuffed "."
        // A group cut by the line end ends the line, not the data.
        {UUEncoded, "$86)C8\r\n#86)C\r\n", "abcabc"},
        {UUEncoded, "#86)C\r\n#86)\r\n#86)C\r\n", "abc"}, {UUEncoded, "#86)C", "abc"},
        {PlainText, "abc\r\n--b\r\n", "abc", "--b\r\n"},
        {PlainText, "abc\n--b--", "abc", "--b\r\n"},
        {PlainText, "abc\r\n\r\n--b", "abc\r\n", "--b\r\n"},
        {PlainText, "abc\r\n--other\r\n", "abc\r\n--other\r\n", "--b\r\n"},
        {PlainText, "abc\r\n--b\r\n", "abc\r\n--b\r\n"},
        // Lines the server dot-stuffed lose the extra dot (RFC 1939 section 3).
        {PlainText, "..hidden\r\nx.\r\n...\r\n--b\r\n", ".hidden\r\nx.\r\n..", "--b\r\n"},
        {QuotedPrintable, "..caf=E9\r\n--b", ".caf\xE9", "--b\r\n"},
        {QuotedPrintable, "caf=E9=\r\n=00x\r\n--b", "caf\xE9\0x"s, "--b\r\n"},  // NUL kept
        {Base64, base64, std::string(57 * 20000, '\0')},
        {UUEncoded, uuencoded, std::string(45 * 20000, '\0')},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Written(c.text, {"x", 0, c.kind, c.boundary_line}), c.bytes) << c.text.substr(0, 40);
    }
}

}  // namespace
}  // namespace tarvox
