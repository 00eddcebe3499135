// Reply options and the viewer's Reply and Forward: what the dialog keeps,
// and what the viewer hands the composer and does to the inbox entry.
#include "ui/reply_options_dialog.h"

#include <QAction>
#include <QCheckBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include "config/file_io.h"
#include "options_window_fixture.h"
#include "protocols/message_list.h"
#include "ui/dialog_driver.h"
#include "ui/viewer_window.h"

namespace tarvox {
namespace {

TEST(ReplyOptionsDialog, CheckedRowsGiveTheAddressesAndOkStoresTheSettings) {
    OptionsWindowContext c;
    ReplyValues values;
    values.from = "ann@example.org";
    values.reply_to = "list@example.org";
    AddressList to(2);
    to[0].raw = "bob@example.org";
    to[1].raw = "Cy <cy@example.org>";
    ReplyOptionsDialog dialog(c.context, values, to);
    auto* rows = Control<QTreeWidget>(&dialog, "addresses");
    ASSERT_EQ(rows->topLevelItemCount(), 4);
    Control<QCheckBox>(&dialog, "includeOriginal")->click();
    EXPECT_FALSE(Control<QCheckBox>(&dialog, "quoteMarker")->isEnabled());
    rows->topLevelItem(3)->setCheckState(0, Qt::Checked);
    Control<QPushButton>(&dialog, "ok")->click();
    EXPECT_EQ(dialog.reply_addresses(), "list@example.org, Cy <cy@example.org>");
    EXPECT_EQ(c.context.config.global.replyquote, 0);
    EXPECT_EQ(c.context.config.global.quotemarker, 1);
}

TEST(ViewerReply, MarksTheEntryUnlessNotSentAndForwardTakesTheShownText) {
    OptionsWindowContext c;
    MessageList list;
    InboxEntry entry;
    entry.number = 3;
    entry.flags = kFlagRead;
    list.Add(entry);
    std::vector<ComposedMessage> composed;
    bool send = false;
    c.context.compose = [&](ComposedMessage message, QWidget*) {
        composed.push_back(std::move(message));
        return send;
    };
    ViewerSource source;
    source.kind = ViewerSource::Kind::Mail;
    source.pop3_number = 3;
    source.list = &list;
    int refreshed = 0;
    source.refresh_row = [&] { ++refreshed; };
    c.context.working.SMTPsigfile = (c.dir / "sig.txt").string();
    WriteWholeFile(c.context.working.SMTPsigfile, "Ann\n");
    c.context.config.global.quotesel = 1;
    ViewerWindow window(c.context, "From: a@b.org\r\nSubject: Notes\r\n\r\none\r\ntwo\r\nthird\r\n",
                        source);
    QTextCursor cursor = window.text_edit()->textCursor();
    cursor.setPosition(window.text_edit()->toPlainText().indexOf("third") + 2);
    cursor.setPosition(cursor.position() + 2, QTextCursor::KeepAnchor);
    window.text_edit()->setTextCursor(cursor);
    DialogDriver driver;
    driver.Then(ClickButton("ok"));
    window.button("reply")->click();
    ASSERT_EQ(composed.size(), 1u);
    EXPECT_EQ(composed[0].to, "a@b.org");
    EXPECT_EQ(composed[0].body_lines.front(), "> third\r\n");  // the selected line whole
    EXPECT_EQ(list.Find(3)->flags, kFlagRead);
    EXPECT_EQ(refreshed, 2);
    send = true;
    driver.Then(ClickButton("ok"));
    window.action("reply")->trigger();
    EXPECT_EQ(list.Find(3)->flags, kFlagRead | kFlagReplied);

    window.action("forward")->trigger();
    ASSERT_EQ(composed.size(), 3u);
    EXPECT_EQ(composed[2].subject, "Fwd: Notes");
    EXPECT_EQ(composed[2].body_lines.back(), "Ann\r\n");
}

}  // namespace
}  // namespace tarvox
