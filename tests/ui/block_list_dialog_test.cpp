// The block list dialog: its controls reach the "blockext" setting.
#include "ui/block_list_dialog.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include "options_window_fixture.h"
#include "ui/dialog_driver.h"

namespace tarvox {
namespace {

TEST(BlockListDialogTest, AddClickSpaceOkHelpAndRestore) {
    OptionsWindowContext c;
    c.context.config.global.blockext = ".EXE,.EML,";
    BlockListDialog dialog(c.context);
    QTreeWidget* list = dialog.list();
    ASSERT_EQ(list->topLevelItemCount(), 52);
    DialogDriver driver;
    driver.Then(TypeAndClick(".tvx", "submit"));
    Control<QPushButton>(&dialog, "add")->click();
    emit list->itemClicked(list->topLevelItem(0), 0);   // .ADE on
    emit list->itemClicked(list->topLevelItem(51), 0);  // .EML off
    list->setCurrentItem(list->topLevelItem(2));        // the space bar: .BAS on
    QKeyEvent space(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    QCoreApplication::sendEvent(list, &space);
    Control<QPushButton>(&dialog, "ok")->click();
    EXPECT_EQ(c.context.config.global.blockext, ".ADE,.BAS,.EXE,.tvx,");
    QStringList anchors;
    c.context.show_help = [&anchors](const QString& anchor) { anchors << anchor; };
    Control<QPushButton>(&dialog, "help")->click();
    EXPECT_EQ(anchors, QStringList{"#vwsafety"});
    for (const char* answer : {"No", "Yes"}) {
        BlockListDialog restore(c.context);
        driver.Then(ClickButton(answer));
        Control<QPushButton>(&restore, "restore")->click();
        EXPECT_EQ(c.context.config.global.blockext == kDefaultBlockList, *answer == 'Y');
        EXPECT_EQ(restore.result(), *answer == 'Y' ? QDialog::Accepted : QDialog::Rejected);
    }
    EXPECT_EQ(driver.pending(), 0u);
}

}  // namespace
}  // namespace tarvox
