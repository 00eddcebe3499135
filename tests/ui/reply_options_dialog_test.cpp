// Reply options: what the dialog keeps.
#include "ui/reply_options_dialog.h"

#include <QCheckBox>
#include <QPushButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include "options_window_fixture.h"

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

}  // namespace
}  // namespace tarvox
