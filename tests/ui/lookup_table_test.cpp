// The editable table window, driven by its buttons and keys.
#include "ui/lookup_table.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

#include "ui/dialog_driver.h"
#include "ui/options_window_fixture.h"
#include "ui/qt_services.h"

namespace tarvox {
namespace {

using Column = QStringList;

class LookupTableTest : public ::testing::Test {
protected:
    LookupTableTest() : table(new LookupTable("Friends", services, nullptr)) {
        QObject::connect(table, &LookupTable::closeNotify, [this](bool saved) { notified << saved; });
        table->AddColumn("Name", 250);
        table->AddColumn("Address", 250);
        for (const char* name : {"Bob", "Ann", "Carl"}) {
            table->AddRow(name);
            table->SetCell(QString(name).toLower() + "@x", 1);
        }
        table->show();
    }
    ~LookupTableTest() override { delete guard.data(); }

    Column Names() const {
        Column names;
        for (int row = 0; row < table->RowCount(); ++row) {
            names << table->GetCell(row, 0);
        }
        return names;
    }
    // A key in the list; the window is made active first, as the keys are its shortcuts.
    void Key(Qt::Key key) {
        table->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(table));
        QTest::keyClick(table->table(), key);
    }
    // Types into the cell being edited and presses Enter, which commits it once events run.
    void Type(const QString& text) {
        QLineEdit* editor = nullptr;  // a closed editor may linger until deleted
        for (QLineEdit* open : table->table()->findChildren<QLineEdit*>()) {
            editor = open->isVisible() ? open : editor;
        }
        ASSERT_NE(editor, nullptr);
        editor->selectAll();
        QTest::keyClick(editor, Qt::Key_Backspace);
        QTest::keyClicks(editor, text);
        QTest::keyClick(editor, Qt::Key_Return);
        QCoreApplication::processEvents();
    }
    int Selected() const {
        const auto rows = table->table()->selectionModel()->selectedRows();
        return rows.size() == 1 ? rows.front().row() : -1;
    }

    QtServices services;
    DialogDriver driver;
    LookupTable* table;
    QPointer<LookupTable> guard{table};
    QList<bool> notified;
};

// F1 adds a "?" row and edits it; a name typed empty stays "?"; Delete and F2 select the row moving up.
TEST_F(LookupTableTest, NewEditDeleteByKeys) {
    Key(Qt::Key_F1);
    Type("Dora");
    EXPECT_EQ(Names(), (Column{"Bob", "Ann", "Carl", "Dora"}));
    table->table()->setCurrentCell(1, 0);
    table->table()->editItem(table->table()->item(1, 0));
    Type("");
    EXPECT_EQ(table->GetCell(1, 0), "?");

    table->table()->selectRow(1);
    Key(Qt::Key_F2);
    EXPECT_EQ(Names(), (Column{"Bob", "Carl", "Dora"}));
    EXPECT_EQ(Selected(), 1);
    table->table()->selectRow(2);
    Key(Qt::Key_Delete);
    EXPECT_EQ(Selected(), 1) << "past the end: the last row";
    EXPECT_EQ(table->status_line()->text(), "Modify field 1 and then press ENTER");
}

// A title click sorts by its column, a second one reverses; another column takes over the mark.
TEST_F(LookupTableTest, TitleClicksSort) {
    QHeaderView* header = table->table()->horizontalHeader();
    const auto click = [header](int column) {
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(column) + 20, header->height() / 2));
    };
    click(0);
    EXPECT_EQ(Names(), (Column{"Ann", "Bob", "Carl"}));
    EXPECT_EQ(table->table()->horizontalHeaderItem(0)->text(), "Name +");
    click(0);
    EXPECT_EQ(Names(), (Column{"Carl", "Bob", "Ann"}));
    EXPECT_EQ(table->table()->horizontalHeaderItem(0)->text(), "Name -");
    click(1);
    EXPECT_EQ(table->table()->horizontalHeaderItem(0)->text(), "Name");
    EXPECT_EQ(table->table()->horizontalHeaderItem(1)->text(), "Address +");
}

// Clear all and Cancel ask first (No keeps everything); Save tells the owner and waits for CloseIfSaved.
TEST_F(LookupTableTest, ClearCancelAndSaveAskAndNotify) {
    SeenBox cancel;
    driver.Then(ClickButton("No"));
    driver.Then(ClickButton("Yes"));
    driver.Then(RecordBoxAndClick(&cancel, "No"));
    Control<QPushButton>(table, "clearAll")->click();
    EXPECT_EQ(table->RowCount(), 3);
    Control<QPushButton>(table, "clearAll")->click();
    EXPECT_EQ(table->RowCount(), 0);
    Control<QPushButton>(table, "cancel")->click();
    EXPECT_TRUE(table->isVisible());
    EXPECT_EQ(cancel.text, "Are you sure you want to cancel? (Changes will be lost)");
    EXPECT_EQ(cancel.title, "Confirmation");
    EXPECT_EQ(cancel.default_button, "No");

    Key(Qt::Key_F5);
    EXPECT_EQ(notified, QList<bool>{true});
    EXPECT_TRUE(table->isVisible());
    table->CloseIfSaved();  // asks nothing: no box is waited for
    EXPECT_EQ(notified, (QList<bool>{true, false}));
}

}  // namespace
}  // namespace tarvox
