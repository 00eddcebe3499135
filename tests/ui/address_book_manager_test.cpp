// The address book manager, its commands pressed through its menu and buttons.
#include "ui/address_book_manager.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include "addressbook/address_book_file.h"
#include "support/temp_dir.h"
#include "ui/app_context.h"
#include "ui/dialog_driver.h"
#include "ui/options_window_fixture.h"
#include "ui/qt_services.h"

namespace tarvox {
namespace {

QStringList Names(const QListWidget* list) {
    QStringList names;
    for (int row = 0; row < list->count(); ++row) {
        names << list->item(row)->text();
    }
    return names;
}

class AddressBookManagerTest : public ::testing::Test {
protected:
    AddressBookManagerTest() {
        context.services = &services;
        context.paths.address_book_file = dir / "tarvox.dat";
        context.address_books.books = {{"Work", {{"Ann", "ann@x"}}}};
        target.setText("boss@x");
        manager = std::make_unique<AddressBookManager>(context, &target, AddressBookEntry{"New One", "new@x"});
        manager->show();
    }
    void Trigger(const char* name) { Control<QAction>(manager.get(), name)->trigger(); }
    void Press(const char* name) { Control<QPushButton>(manager.get(), name)->click(); }
    AddressBooks Stored() const { return LoadAddressBooks(context.paths.address_book_file); }

    TempDir dir;
    QtServices services;
    AppContext context;
    QLineEdit target;
    DialogDriver driver;
    std::unique_ptr<AddressBookManager> manager;
};

// New (refusing a taken name), Rename, Delete; Edit saves the table into the file at once.
TEST_F(AddressBookManagerTest, BooksAreMadeRenamedEditedAndDeleted) {
    SeenPrompt made;
    SeenBox taken;
    driver.Then(RecordPromptAndAnswer(&made, "Default"));
    driver.Then(TypeAndClick("Work", "submit"));
    driver.Then(RecordBoxAndClick(&taken, "OK"));
    Trigger("new");
    Trigger("new");
    EXPECT_EQ(made.title, "Add new address book");
    EXPECT_EQ(made.initial, "Default");
    EXPECT_EQ(taken.text, "There is already an address book with this name");
    EXPECT_EQ(Names(manager->books()), (QStringList{"Default", "Work"}));

    driver.Then(TypeAndClick("Friends", "submit"));
    manager->books()->setCurrentRow(0);
    Trigger("rename");
    EXPECT_EQ(Names(manager->books()), (QStringList{"Friends", "Work"}));

    Press("edit");
    LookupTable* table = manager->table();
    ASSERT_NE(table, nullptr);
    EXPECT_FALSE(manager->isEnabled());
    EXPECT_EQ(table->RowCount(), 1) << "the handed-in address";
    table->AddRow("Carl");
    table->SetCell("carl@x", 1);
    Control<QPushButton>(table, "save")->click();
    ASSERT_TRUE(DialogDriver::RunUntil([&] { return manager->isEnabled(); }));
    EXPECT_EQ(Stored().books[0].entries,
              (std::vector<AddressBookEntry>{{"New One", "new@x"}, {"Carl", "carl@x"}}));

    SeenBox question;
    driver.Then(RecordBoxAndClick(&question, "Yes"));
    manager->books()->setCurrentRow(1);
    Trigger("delete");
    EXPECT_EQ(question.text, "Are you sure you want to delete this address book\nand the 1 entries it contains?");
    EXPECT_EQ(Names(manager->books()), (QStringList{"Friends"}));
}

// Use and Search all paste the marked addresses into the waiting field; import and export go through the
// chosen files.
TEST_F(AddressBookManagerTest, UseAndSearchPasteAndFilesGoInAndOut) {
    WriteWholeFile(dir / "in.csv", "\"Smith, Bob\",bob@x\r\n");
    manager->pick_open_file = [this](QWidget*, const FileOpenRequest& request) {
        EXPECT_EQ(request.title, "Import comma delimited file");
        return QString::fromStdString((dir / "in.csv").string());
    };
    manager->pick_save_file = [this](QWidget*, const FileSaveRequest&) {
        return QString::fromStdString((dir / "out.tsv").string());
    };
    driver.Then(ClickButton("Yes"));
    Trigger("importComma");
    EXPECT_EQ(Stored().books[0].entries.size(), 2u);
    Trigger("exportTab");
    EXPECT_EQ(ReadWholeFile(dir / "out.tsv"), "Ann\tann@x\r\nSmith, Bob\tbob@x\r\n");

    driver.Then([](QWidget* dialog) {
        auto* list = Control<QTreeWidget>(dialog, "entries");
        list->topLevelItem(1)->setCheckState(0, Qt::Checked);
        Control<QPushButton>(dialog, "paste")->click();
    });
    Press("use");
    EXPECT_EQ(target.text(), "boss@x, bob@x");

    driver.Then(TypeAndClick("ANN", "submit"));
    driver.Then([](QWidget* dialog) {
        EXPECT_EQ(dialog->windowTitle(), "Search results");
        Control<QCheckBox>(dialog, "selectAll")->click();
        Control<QPushButton>(dialog, "paste")->click();
    });
    Press("searchAll");
    EXPECT_EQ(target.text(), "boss@x, bob@x, ann@x");
}

}  // namespace
}  // namespace tarvox
