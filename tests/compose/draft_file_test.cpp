#include "compose/draft_file.h"

#include <gtest/gtest.h>

#include <ctime>
#include <string>
#include <vector>

#include "compose/message_builder.h"
#include "support/temp_dir.h"

namespace tarvox {
namespace {

// A message whose every field holds something the reader must not touch.
ComposedMessage Untouched() {
    ComposedMessage message;
    message.to = "old-to@x";
    message.cc = "old-cc@x";
    message.bcc = "old-bcc@x";
    message.subject = "old subject";
    message.from = "old-from@x";
    message.reply_to = "old-reply@x";
    message.in_reply_to = "<old@x>";
    message.references = "<old-ref@x>";
    message.body_lines = {"old body\r\n"};
    message.attachments = {{"/old/path", "text/plain", 3}};
    return message;
}

TEST(ReadDraftFile, WrittenDraftReadsBackEveryField) {
    TempDir dir;
    const std::string first = (dir / "first.bin").string();
    const std::string second = (dir / "second name.pdf").string();
    WriteWholeFile(first, "12345");
    WriteWholeFile(second, std::string(70000, 'x'));

    ComposedMessage written;
    written.to = "Ann Example <ann@example.com>, \"Last, First\" <lf@example.com>, c@example.net";
    written.cc = "cc1@example.com, cc2@example.com";
    written.bcc = "hidden@example.com";
    written.subject = "Caf\xE9 plans: \"soon\"";
    written.from = "Me <me@example.com>";
    written.reply_to = "replies@example.com";
    written.in_reply_to = "<id1@example.com>";
    written.references = "<r1@example.com> <r2@example.com> <id1@example.com>";
    written.body_lines = {"First line\r\n", "\r\n", "\tindented, and 8-bit \xFC\r\n", "last\r\n"};
    written.attachments = {{first, "application/pdf", 5},
                           {(dir / "gone.txt").string(), "text/plain", 9},
                           {second, "application/octet-stream", 70000}};

    const std::string path = (dir / "draft.txt").string();
    WriteWholeFile(path, ComposeText(written, true, std::time_t{1048329210}));

    ComposedMessage read = Untouched();
    ASSERT_TRUE(ReadDraftFile(path, "image/png", read));
    EXPECT_EQ(read.to, written.to);
    EXPECT_EQ(read.cc, written.cc);
    EXPECT_EQ(read.bcc, written.bcc);
    EXPECT_EQ(read.subject, written.subject);
    EXPECT_EQ(read.from, written.from);
    EXPECT_EQ(read.reply_to, written.reply_to);
    EXPECT_EQ(read.in_reply_to, written.in_reply_to);
    EXPECT_EQ(read.references, written.references);
    EXPECT_EQ(read.body_lines, written.body_lines);
    // The attachments that still exist, with the type the composer offers now.
    ASSERT_EQ(read.attachments.size(), 2u);
    EXPECT_EQ(read.attachments[0].path, first);
    EXPECT_EQ(read.attachments[0].mime_type, "image/png");
    EXPECT_EQ(read.attachments[0].size, 5u);
    EXPECT_EQ(read.attachments[1].path, second);
    EXPECT_EQ(read.attachments[1].size, 70000u);
}

struct HeaderCase {
    const char* what;
    std::string draft;
    // Expected fields; the others must keep their Untouched() values.
    std::string to = "old-to@x";
    std::string cc = "old-cc@x";
    std::string bcc = "old-bcc@x";
    std::string subject = "old subject";
    std::string from = "old-from@x";
    std::string reply_to = "old-reply@x";
    std::string in_reply_to = "<old@x>";
    std::string references = "<old-ref@x>";
};

TEST(ReadDraftText, HeaderLines) {
    std::vector<HeaderCase> cases;
    auto add = [&](const char* what, std::string draft) -> HeaderCase& {
        cases.push_back(HeaderCase{what, std::move(draft)});
        return cases.back();
    };
    add("continuation of eight spaces and a tab after a comma",
        "To:     \ta@x,\r\n        \tb@y\r\n\r\n")
        .to = "a@x, b@y";
    add("continuation after a value without a comma", "To: a@x\r\n\tb@y\r\n  c@z\r\n\r\n").to =
        "a@x, b@y, c@z";
    add("two To lines join without a separator", "To: a@x,\r\nTo: b@y\r\n\r\n").to = "a@x,b@y";
    add("CC and Cc", "CC: a@x\r\nCc: b@y\r\n\r\n").cc = "a@xb@y";
    add("Cc continues", "Cc:\ta@x\r\n \tb@y\r\n\r\n").cc = "a@x, b@y";
    add("BCC", "BCC:    \tz@x,\r\n        \tw@x\r\n\r\n").bcc = "z@x, w@x";
    add("ReplyTo", "ReplyTo:\tr@x\r\n\r\n").reply_to = "r@x";
    add("Reply-To", "Reply-To: r2@x\r\n\r\n").reply_to = "r2@x";
    add("References continue with a blank", "References: <a@x>\r\n  <b@x>\r\n  <c@x>\r\n\r\n")
        .references = "<a@x> <b@x> <c@x>";
    add("In-Reply-To", "In-Reply-To: <p@x>\r\n\r\n").in_reply_to = "<p@x>";
    add("From and Subject values keep inner and trailing blanks",
        "From:\t  Me <m@x> \r\nSubject:\tHello  world \r\n\r\n");
    cases.back().from = "Me <m@x> ";
    cases.back().subject = "Hello  world ";
    add("a label without a value is ignored", "To:     \t\r\nSubject: \r\nFrom:\r\n\r\n");
    add("a label without blanks is ignored", "To:a@x\r\nSubject:s\r\n\r\n");
    add("labels are matched in their own case", "subject: s\r\nto: a@x\r\ncc: c@x\r\n\r\n");
    add("the Date line and unknown lines are ignored",
        "Date:   \tSat, 22 Mar 2003 11:33:30 +0100\r\nX-Other: y\r\n\r\n");
    add("a blank-led line with no field to continue is ignored", "  lost@x\r\n\r\n");
    {
        HeaderCase& c = add("a set field ends the continuation",
                            "To: a@x\r\nSubject: s\r\n  not-an-address\r\n\r\n");
        c.to = "a@x";
        c.subject = "s";
    }
    {
        HeaderCase& c = add("Reply-To and In-Reply-To are not taken for To",
                            "Reply-To: r@x\r\nIn-Reply-To: <i@x>\r\n\r\n");
        c.reply_to = "r@x";
        c.in_reply_to = "<i@x>";
    }
    add("LF line ends read the same", "To: a@x,\n        \tb@y\nSubject: s\n\n").to = "a@x, b@y";
    cases.back().subject = "s";

    for (const HeaderCase& c : cases) {
        ComposedMessage message = Untouched();
        ReadDraftText(c.draft, "", message);
        EXPECT_EQ(message.to, c.to) << c.what;
        EXPECT_EQ(message.cc, c.cc) << c.what;
        EXPECT_EQ(message.bcc, c.bcc) << c.what;
        EXPECT_EQ(message.subject, c.subject) << c.what;
        EXPECT_EQ(message.from, c.from) << c.what;
        EXPECT_EQ(message.reply_to, c.reply_to) << c.what;
        EXPECT_EQ(message.in_reply_to, c.in_reply_to) << c.what;
        EXPECT_EQ(message.references, c.references) << c.what;
        // No body section with text: the body stays; the attachment list is
        // always emptied.
        EXPECT_EQ(message.body_lines, std::vector<std::string>{"old body\r\n"}) << c.what;
        EXPECT_TRUE(message.attachments.empty()) << c.what;
    }
}

struct BodyCase {
    const char* what;
    std::string draft;
    std::vector<std::string> body;
};

TEST(ReadDraftText, BodySection) {
    const std::vector<BodyCase> cases = {
        {"lines keep their order and get CR LF",
         "Subject: s\r\n\r\none\r\n\r\ntwo",
         {"one\r\n", "\r\n", "two\r\n"}},
        {"trailing empty lines become one line end",
         "Subject: s\r\n\r\nend\r\n\r\n\r\n",
         {"end\r\n"}},
        {"leading empty lines stay", "\r\n\r\n\r\nx\r\n", {"\r\n", "\r\n", "x\r\n"}},
        {"header-like lines in the body are body", "\r\nTo: z@x\r\n", {"To: z@x\r\n"}},
        {"an empty body section leaves the body", "Subject: s\r\n\r\n", {"old body\r\n"}},
        {"a body of empty lines leaves the body", "Subject: s\r\n\r\n\r\n\r\n", {"old body\r\n"}},
        {"no empty line: all header, body left", "Subject: s\r\nsome text\r\n", {"old body\r\n"}},
        {"LF line ends", "Subject: s\n\na\nb\n", {"a\r\n", "b\r\n"}},
    };
    for (const BodyCase& c : cases) {
        ComposedMessage message = Untouched();
        ReadDraftText(c.draft, "", message);
        EXPECT_EQ(message.body_lines, c.body) << c.what;
        EXPECT_EQ(message.to, "old-to@x") << c.what;
    }
}

TEST(ReadDraftText, LongLinesArriveInPiecesOf511) {
    // A header line of exactly 511 characters: its line feed is a piece of its
    // own, which must not end the header section.
    const std::string subject(502, 's');
    const std::string body_line(600, 'b');
    const std::string draft = "Subject:\t" + subject + "\r\nTo: a@x\r\nFrom:\t" +
                              std::string(600, 'f') + "\r\n\r\n" + body_line + "\r\nnext\r\n";
    ComposedMessage message = Untouched();
    ReadDraftText(draft, "", message);
    EXPECT_EQ(message.subject, subject);
    EXPECT_EQ(message.to, "a@x");
    // The rest of the long From line is read as a line of its own and ignored.
    EXPECT_EQ(message.from, std::string(511 - 6, 'f'));
    EXPECT_EQ(message.body_lines,
              (std::vector<std::string>{std::string(511, 'b') + "\r\n",
                                        std::string(89, 'b') + "\r\n", "next\r\n"}));

    // A body line of exactly 511 characters gains no empty line after it.
    ComposedMessage exact = Untouched();
    ReadDraftText("\r\n" + std::string(511, 'e') + "\r\nafter\r\n", "", exact);
    EXPECT_EQ(exact.body_lines,
              (std::vector<std::string>{std::string(511, 'e') + "\r\n", "after\r\n"}));
}

TEST(ReadDraftText, AttachmentsAreCheckedAndTyped) {
    TempDir dir;
    const std::string file = (dir / "a.txt").string();
    WriteWholeFile(file, "abc");
    ComposedMessage message = Untouched();
    ReadDraftText("Attach: \t" + file + "\r\nAttach: \t" + dir.path().string() +
                      "\r\nAttach: \t/no/such/file\r\n\r\n",
                  "", message);
    // A folder cannot be attached either; an empty type gives the default.
    ASSERT_EQ(message.attachments.size(), 1u);
    EXPECT_EQ(message.attachments[0].path, file);
    EXPECT_EQ(message.attachments[0].mime_type, "application/octet-stream");
    EXPECT_EQ(message.attachments[0].size, 3u);
}

TEST(ReadDraftFile, AnUnreadableFileChangesNothing) {
    TempDir dir;
    ComposedMessage message = Untouched();
    EXPECT_FALSE(ReadDraftFile((dir / "missing").string(), "", message));
    EXPECT_FALSE(ReadDraftFile(dir.path().string(), "", message));
    EXPECT_EQ(message.attachments.size(), 1u);
    EXPECT_EQ(message.to, "old-to@x");
}

}  // namespace
}  // namespace tarvox
