// The composer's address fields: completion while typing (the lookup stood in
// for) and the "Recently used addresses" picker.
#include "ui/address_completer.h"

#include <QLineEdit>
#include <QListWidget>
#include <QTest>

#include <gtest/gtest.h>

#include "ui/app_context.h"
#include "ui/dialog_driver.h"
#include "ui/options_window_fixture.h"
#include "ui/recent_addresses_dialog.h"

namespace tarvox {
namespace {

TEST(AddressCompleter, TypingCompletesTheFieldReadOnlyForAWhileAndOneUndoRestoresIt) {
    QLineEdit field;
    new AddressCompleter(&field, [](const std::string& typed) {
        return typed == "bob" ? std::optional<std::string>("bob@example.org") : std::nullopt;
    });
    QTest::keyClicks(&field, "ann@x.org, bob");
    ASSERT_TRUE(DialogDriver::RunUntil([&] { return field.isReadOnly(); }));
    EXPECT_EQ(field.text(), "ann@x.org, bob@example.org");
    ASSERT_TRUE(DialogDriver::RunUntil([&] { return !field.isReadOnly(); }));
    QTest::keyClick(&field, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(field.text(), "ann@x.org, bob");
}

TEST(RecentAddressesDialog, PicksTheChosenAddressMostRecentFirst) {
    AppContext context;
    QStringList anchors;
    context.show_help = [&anchors](const QString& anchor) { anchors << anchor; };
    const auto help_then_double_click_row_1 = [](QWidget* dialog) {
        auto* list = Control<QListWidget>(dialog, "addresses");
        EXPECT_EQ(list->item(0)->text(), "new@x.org");
        Control<QPushButton>(dialog, "help")->click();
        emit list->itemDoubleClicked(list->item(1));
    };
    const std::pair<DialogDriver::Action, std::optional<std::string>> cases[] = {
        {help_then_double_click_row_1, "Mid <mid@x.org>"},
        {ClickButton("ok"), "new@x.org"},
        {ClickButton("cancel"), std::nullopt},
    };
    DialogDriver driver;
    for (const auto& [action, picked] : cases) {
        driver.Then(action);
        EXPECT_EQ(PickRecentAddress({"old@x.org", "Mid <mid@x.org>", "new@x.org"}, context),
                  picked);
    }
    EXPECT_EQ(anchors, QStringList{"#adbooks"});
}

}  // namespace
}  // namespace tarvox
