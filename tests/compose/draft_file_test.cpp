#include "compose/draft_file.h"

#include <gtest/gtest.h>

#include <array>
#include <ctime>
#include <string>
#include <tuple>
#include <vector>

#include "codec/stored_text.h"
#include "compose/message_builder.h"
#include "support/temp_dir.h"

namespace tarvox {
namespace {

// A message whose every field holds something the reader must not touch.
const ComposedMessage kUntouched{"old-to@x", "old-cc@x", "old-bcc@x", "old subject", "old-from@x",
                                 "old-reply@x", "<old@x>", "<old-ref@x>", {"old body\r\n"},
                                 {{"/old/path", "text/plain", 3}}};

// The eight header fields of a message, for comparing them at once.
std::array<std::string, 8> Headers(const ComposedMessage& m) {
    return {m.to, m.cc, m.bcc, m.subject, m.from, m.reply_to, m.in_reply_to, m.references};
}

TEST(ReadDraftFile, WrittenDraftReadsBackEveryField) {
    TempDir dir;
    const std::string first = (dir / "first.bin").string();
    const std::string second = (dir / "second name.pdf").string();
    WriteWholeFile(first, "12345");
    WriteWholeFile(second, std::string(70000, 'x'));

    const ComposedMessage written{
        "Ann Example <ann@example.com>, \"Last, First\" <lf@example.com>, c@example.net",
        "cc1@example.com, cc2@example.com", "hidden@example.com", "Café plans: \"soon\"",
        "Me <me@example.com>", "replies@example.com", "<id1@example.com>",
        "<r1@example.com> <r2@example.com> <id1@example.com>",
        {"First line\r\n", "\r\n", "\tindented, and 8-bit ü\r\n", "last\r\n"},
        {{first, "application/pdf", 5},
         {(dir / "gone.txt").string(), "text/plain", 9},
         {dir.path().string(), "inode/directory", 0},
         {second, "application/octet-stream", 70000}}};

    const std::string path = (dir / "draft.txt").string();
    // Stored in ISO-8859-1, as drafts always were.
    WriteWholeFile(path, ToStoredText(ComposeText(written, true, std::time_t{1048329210})));

    ComposedMessage read = kUntouched;
    ASSERT_TRUE(ReadDraftFile(path, "image/png", read));
    EXPECT_EQ(Headers(read), Headers(written));
    EXPECT_EQ(read.body_lines, written.body_lines);
    // The attachments that are still files, measured again, with the type the composer offers now.
    ASSERT_EQ(read.attachments.size(), 2u);
    for (const auto& [attachment, path, size] : {std::tuple(read.attachments[0], first, 5),
                                                 std::tuple(read.attachments[1], second, 70000)}) {
        EXPECT_EQ(std::tie(attachment.path, attachment.mime_type), std::tie(path, "image/png"));
        EXPECT_EQ(attachment.size, static_cast<std::uint64_t>(size));
    }
    // No type offered: the default one.
    ASSERT_TRUE(ReadDraftFile(path, "", read));
    EXPECT_EQ(read.attachments.at(0).mime_type, "application/octet-stream");
    // An unreadable draft changes nothing.
    for (const std::string& unreadable : {(dir / "missing").string(), dir.path().string()}) {
        EXPECT_FALSE(ReadDraftFile(unreadable, "image/png", read));
    }
    EXPECT_EQ(read.attachments.at(0).mime_type, "application/octet-stream");
    EXPECT_EQ(Headers(read), Headers(written));
}

TEST(ReadDraftText, HeaderLinesAndBodySection) {
    using M = ComposedMessage;
    const struct {
        const char* what;
        std::string draft;
        std::vector<std::pair<std::string M::*, std::string>> set;  // the others keep kUntouched's
        std::vector<std::string> body = kUntouched.body_lines;
    } cases[] = {
        {"continuation of eight spaces and a tab after a comma",
         "To:     \ta@x,\r\n        \tb@y\r\n\r\n", {{&M::to, "a@x, b@y"}}},
        {"continuation after a value without a comma", "To: a@x\r\n\tb@y\r\n  c@z\r\n\r\n",
         {{&M::to, "a@x, b@y, c@z"}}},
        {"two To lines join without a separator", "To: a@x,\r\nTo: b@y\r\n\r\n", {{&M::to, "a@x,b@y"}}},
        {"CC and Cc", "CC: a@x\r\nCc: b@y\r\n\r\n", {{&M::cc, "a@xb@y"}}},
        {"Cc continues", "Cc:\ta@x\r\n \tb@y\r\n\r\n", {{&M::cc, "a@x, b@y"}}},
        {"BCC", "BCC:    \tz@x,\r\n        \tw@x\r\n\r\n", {{&M::bcc, "z@x, w@x"}}},
        {"ReplyTo", "ReplyTo:\tr@x\r\n\r\n", {{&M::reply_to, "r@x"}}},
        {"References continue with a blank", "References: <a@x>\r\n  <b@x>\r\n  <c@x>\r\n\r\n",
         {{&M::references, "<a@x> <b@x> <c@x>"}}},
        {"From and Subject values keep inner and trailing blanks",
         "From:\t  Me <m@x> \r\nSubject:\tHello  world \r\n\r\n",
         {{&M::from, "Me <m@x> "}, {&M::subject, "Hello  world "}}},
        {"a label without a value is ignored", "To:     \t\r\nSubject: \r\nFrom:\r\n\r\n", {}},
        {"a label without blanks is ignored", "To:a@x\r\nSubject:s\r\n\r\n", {}},
        {"labels are matched in their own case", "subject: s\r\nto: a@x\r\ncc: c@x\r\n\r\n", {}},
        {"the Date line and unknown lines are ignored",
         "Date:   \tSat, 22 Mar 2003 11:33:30 +0100\r\nX-Other: y\r\n\r\n", {}},
        {"a blank-led line with no field to continue is ignored", "  lost@x\r\n\r\n", {}},
        {"a set field ends the continuation", "To: a@x\r\nSubject: s\r\n  not-an-address\r\n\r\n",
         {{&M::to, "a@x"}, {&M::subject, "s"}}},
        {"Reply-To and In-Reply-To are not taken for To", "Reply-To: r@x\r\nIn-Reply-To: <i@x>\r\n\r\n",
         {{&M::reply_to, "r@x"}, {&M::in_reply_to, "<i@x>"}}},
        {"the rest of a long line is a line of its own, ignored",
         "From:\t" + std::string(600, 'f') + "\r\nTo: a@x\r\n\r\n",
         {{&M::from, std::string(511 - 6, 'f')}, {&M::to, "a@x"}}},
        {"a long line is never cut inside a character", "From:\t" + std::string(504, 'f') + "é\r\n\r\n",
         {{&M::from, std::string(504, 'f')}}},
        {"LF line ends read the same", "To: a@x,\n        \tb@y\nSubject: s\n\na\nb\n",
         {{&M::to, "a@x, b@y"}, {&M::subject, "s"}}, {"a\r\n", "b\r\n"}},
        // The body section: without a line of text the body stays.
        {"lines keep their order and get CR LF", "\r\none\r\n\r\ntwo", {}, {"one\r\n", "\r\n", "two\r\n"}},
        {"trailing empty lines become one line end", "\r\nend\r\n\r\n\r\n", {}, {"end\r\n"}},
        {"leading empty lines stay", "\r\n\r\n\r\nx\r\n", {}, {"\r\n", "\r\n", "x\r\n"}},
        {"header-like lines in the body are body", "\r\nTo: z@x\r\n", {}, {"To: z@x\r\n"}},
        {"an empty body section", "Subject: s\r\n\r\n", {{&M::subject, "s"}}},
        {"a body of empty lines", "\r\n\r\n\r\n", {}},
        {"no empty line: all header", "Subject: s\r\nsome text\r\n", {{&M::subject, "s"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ComposedMessage expected = kUntouched;
        for (const auto& [field, value] : c.set) {
            expected.*field = value;
        }
        ComposedMessage message = kUntouched;
        ReadDraftText(c.draft, "", message);
        EXPECT_EQ(Headers(message), Headers(expected));
        EXPECT_EQ(message.body_lines, c.body);
        EXPECT_TRUE(message.attachments.empty()) << "the attachment list is always emptied";
    }
}

}  // namespace
}  // namespace tarvox
