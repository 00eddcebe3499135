#include "compose/reply_text.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "support/scripted_services.h"
#include "support/temp_dir.h"

namespace tarvox {
namespace {

TEST(ReplySubject, KeepsKnownPrefixesInAnyCase) {
    const std::pair<std::string, std::string> cases[] = {
        {"hello", "Re: hello"}, {"RE: hello", "RE: hello"}, {"re:hello", "re:hello"},
        {"Aw: Termin", "Aw: Termin"}, {"SV: møde", "SV: møde"}, {"ANG: svar", "ANG: svar"},
        {"Fw: note", "Re: Fw: note"}, {"Re hello", "Re: Re hello"}, {"an", "Re: an"}, {"", "Re: "},
    };
    for (const auto& [subject, expected] : cases) {
        EXPECT_EQ(ReplySubject(subject), expected) << subject;
    }
    EXPECT_EQ(ForwardSubject("Fwd: plans"), "Fwd: Fwd: plans");
    EXPECT_EQ(ForwardSubject("Re: plans"), "Fwd: Re: plans");
}

TEST(ReplyOptionRows, ReplyToIsCheckedOverFromAndRowsJoinInOrder) {
    ReplyValues values{.from = "Sender <s@x>", .reply_to = "list@x"};
    std::vector<ReplyOptionRow> rows =
        ReplyOptionRows(values, {{"ann@x", "Ann", "Ann <ann@x>"}, {"bob@y", "", "bob@y"}});
    const std::tuple<std::string, std::string, bool> expected[] = {
        {"list@x", "Reply-To", true}, {"Sender <s@x>", "From", false},
        {"Ann <ann@x>", "To", false}, {"bob@y", "To", false}};
    ASSERT_EQ(rows.size(), std::size(expected));
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(std::tie(rows[i].address, rows[i].field, rows[i].checked), expected[i]) << i;
    }
    EXPECT_EQ(ReplyAddressText(rows), "list@x");
    // Checked in any order, joined in row order; nothing checked: an empty To.
    rows[3].checked = rows[1].checked = true;
    EXPECT_EQ(ReplyAddressText(rows), "list@x, Sender <s@x>, bob@y");
    rows[0].checked = rows[1].checked = rows[3].checked = false;
    EXPECT_EQ(ReplyAddressText(rows), "");

    values.reply_to.clear();
    rows = ReplyOptionRows(values, {});
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(std::tie(rows[0].field, rows[0].checked), std::make_tuple("From", true));
    EXPECT_TRUE(ReplyOptionRows(ReplyValues{}, {}).empty());
}

TEST(WarnIfLongViewerText, AboveAThousandLines) {
    for (std::size_t lines : {1000, 1001}) {
        ScriptedServices services;
        WarnIfLongViewerText(services, lines);
        ASSERT_EQ(services.Boxes().size(), lines > 1000 ? 1u : 0u);
    }
}

const std::string kMessage =
    "From: Sender <s@example.com>\r\n"
    "To: me@example.org\r\n"
    "Cc: Carl <c@example.net>, d@example.net\r\n"
    "Subject: Plans\r\n"
    "Message-ID: <m1@example.com>\r\n"
    "References: <r0@example.com>\r\n"
    "\r\n"
    "Body\r\n";

// Reply, forward and a new message, with our signature.
TEST(StartMessage, FillsTheComposer) {
    const ViewedMessage viewed(kMessage, ViewerOptions{});
    TempDir dir;
    const std::string signature = (dir / "sig.txt").string();
    WriteWholeFile(signature, "Me\nme@example.org\n");
    const ViewerEditorText shown{{"Hi there,\r\n", "see\tyou.\r\n", "-- \r\n", "Sender\r\n", "Phone\r\n"}};

    ComposedMessage reply =
        StartReply(viewed, shown, "Sender <s@example.com>", ReplySettings{}, signature);
    EXPECT_EQ(std::tie(reply.subject, reply.to, reply.cc, reply.in_reply_to, reply.references),
              std::make_tuple("Re: Plans", "Sender <s@example.com>", "Carl <c@example.net>, d@example.net",
                              "<m1@example.com>", "<r0@example.com> <m1@example.com>"));
    // Quoted with the marker, signature of the original cut off, ours added.
    EXPECT_EQ(reply.body_lines,
              (std::vector<std::string>{"> Hi there,\r\n", "> see    you.\r\n", "\r\n", "\r\n",
                                        "-- \r\n", "Me\r\n", "me@example.org\r\n"}));

    // Without quoting, CC or marker settings.
    ReplySettings plain;
    plain.include_original = false;
    plain.use_original_cc = false;
    reply = StartReply(viewed, shown, "", plain, (dir / "none").string());
    EXPECT_EQ(reply.to + reply.cc, "");
    EXPECT_TRUE(reply.body_lines.empty());

    plain.include_original = true;
    plain.quote_marker = false;
    reply = StartReply(viewed, shown, "", plain, "");
    EXPECT_EQ(reply.body_lines, (std::vector<std::string>{"Hi there,\r\n", "see    you.\r\n"}));

    const ComposedMessage forward = StartForward(viewed, {{"From: x\r\n", "a wrapped ", "line\r\n"}}, "");
    EXPECT_EQ(forward.subject, "Fwd: Plans");
    EXPECT_EQ(forward.to + forward.cc + forward.in_reply_to + forward.references, "");
    EXPECT_EQ(forward.body_lines,
              (std::vector<std::string>{"\r\n", "\r\n", "--- Forwarded Message ---\r\n", "\r\n",
                                        "From: x\r\n", "a wrapped line\r\n"}));

    // From a mailto link: the signature after its body.
    const ComposedMessage message =
        StartNewMessage({"a@b", "c@d", "e@f", "Hi", "Line 1\r\nLine 2"}, signature);
    EXPECT_EQ(message.to + "|" + message.cc + "|" + message.bcc + "|" + message.subject,
              "a@b|c@d|e@f|Hi");
    EXPECT_EQ(message.body_lines,
              (std::vector<std::string>{"Line 1\r\n", "Line 2\r\n", "\r\n", "-- \r\n", "Me\r\n",
                                        "me@example.org\r\n"}));
}

}  // namespace
}  // namespace tarvox
