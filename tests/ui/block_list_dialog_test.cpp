// The block list dialog offscreen: its controls reach the "blockext" setting
// (the rows and the stored text are the engine's BlockListRows and
// BlockListValue).
#include "ui/block_list_dialog.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include "ui/app_context.h"
#include "ui/dialog_driver.h"
#include "ui/qt_services.h"

namespace tarvox {
namespace {

void Press(QWidget& dialog, const char* name) {
    dialog.findChild<QPushButton*>(name)->click();
}

TEST(BlockListDialogTest, AddClickSpaceOkHelpAndRestore) {
    QtServices services;
    AppContext context;
    context.services = &services;
    context.config.global.blockext = ".EXE,.EML,";
    BlockListDialog dialog(context);
    QTreeWidget* list = dialog.list();
    ASSERT_EQ(list->topLevelItemCount(), 52);
    EXPECT_EQ(list->headerItem()->text(0), "File extension to block");
    DialogDriver driver;
    driver.Then(TypeAndClick(".tvx", "submit"));
    Press(dialog, "add");
    emit list->itemClicked(list->topLevelItem(0), 0);   // .ADE on
    emit list->itemClicked(list->topLevelItem(51), 0);  // .EML off
    list->setCurrentItem(list->topLevelItem(2));        // the space bar: .BAS on
    QKeyEvent space(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    QCoreApplication::sendEvent(list, &space);
    Press(dialog, "ok");
    EXPECT_EQ(context.config.global.blockext, ".ADE,.BAS,.EXE,.tvx,");
    QStringList anchors;
    context.show_help = [&anchors](const QString& anchor) { anchors << anchor; };
    Press(dialog, "help");
    EXPECT_EQ(anchors, QStringList{"#vwsafety"});
    for (const char* answer : {"No", "Yes"}) {
        BlockListDialog restore(context);
        SeenBox question;
        driver.Then(RecordBoxAndClick(&question, answer));
        Press(restore, "restore");
        EXPECT_EQ(question.title, "Attachment block list");
        EXPECT_TRUE(question.text.startsWith(
            "Are you sure you want to restore the default attachment block list?"));
        EXPECT_EQ(context.config.global.blockext == kDefaultBlockList, *answer == 'Y');
        EXPECT_EQ(restore.result(), *answer == 'Y' ? QDialog::Accepted : QDialog::Rejected);
    }
}

}  // namespace
}  // namespace tarvox
