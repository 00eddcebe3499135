// "Select address(es)", driven by clicks and keys.
#include "ui/select_addresses_dialog.h"

#include <QCheckBox>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include "addressbook/address_book.h"
#include "ui/dialog_driver.h"
#include "ui/options_window_fixture.h"

namespace tarvox {
namespace {

void ClickRow(QTreeWidget* list, int row) {
    const QRect rect = list->visualItemRect(list->topLevelItem(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(rect.left() + 60, rect.center().y()));
}

TEST(SelectAddressesDialog, PastesTheMarkedAddressesInRowOrder) {
    const AddressBook book{"Friends", {{"Ann", "ann@x"}, {"Bob", "bob@x"}, {"Carl", "carl@x"}}};
    const auto click_carl_then_space_on_ann = [](QWidget* dialog) {
        EXPECT_EQ(dialog->windowTitle(), "Friends");
        auto* list = Control<QTreeWidget>(dialog, "entries");
        ClickRow(list, 2);
        list->setCurrentItem(list->topLevelItem(0));
        QTest::keyClick(list, Qt::Key_Space);
        Control<QPushButton>(dialog, "paste")->click();
    };
    const auto all_none_then_bob = [](QWidget* dialog) {
        auto* all = Control<QCheckBox>(dialog, "selectAll");
        all->click();
        all->click();
        ClickRow(Control<QTreeWidget>(dialog, "entries"), 1);
        Control<QPushButton>(dialog, "paste")->click();
    };
    const auto all_but_ann = [](QWidget* dialog) {
        Control<QCheckBox>(dialog, "selectAll")->click();
        ClickRow(Control<QTreeWidget>(dialog, "entries"), 0);
        Control<QPushButton>(dialog, "paste")->click();
    };
    const std::pair<DialogDriver::Action, std::optional<std::string>> cases[] = {
        {click_carl_then_space_on_ann, "ann@x, carl@x"},
        {all_none_then_bob, "bob@x"},
        {all_but_ann, "bob@x, carl@x"},
        {ClickButton("cancel"), std::nullopt},
    };
    DialogDriver driver;
    for (const auto& [action, pasted] : cases) {
        driver.Then(action);
        EXPECT_EQ(SelectAddresses(book, true), pasted);
    }
    // Opened from elsewhere: nothing to paste into.
    driver.Then([](QWidget* dialog) {
        EXPECT_FALSE(Control<QPushButton>(dialog, "paste")->isEnabled());
        EXPECT_FALSE(Control<QCheckBox>(dialog, "selectAll")->isEnabled());
        Control<QPushButton>(dialog, "cancel")->click();
    });
    EXPECT_EQ(SelectAddresses(book, false), std::nullopt);
}

}  // namespace
}  // namespace tarvox
