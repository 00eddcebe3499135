// "Profile Manager": rows edited, replaced only on OK, the combo box refilled.
#include "ui/profile_manager_dialog.h"

#include <QAction>
#include <QComboBox>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <optional>

#include "options_window_fixture.h"
#include "ui/dialog_driver.h"

namespace tarvox {
namespace {

class ProfileManagerTest : public ::testing::Test {
protected:
    ProfileManagerTest() {
        c.AddProfile("Work", "pop.work.example").pop_sslid = "AA:BB";
        c.AddProfile("home", "pop.home.example");
        c.AddProfile("spare", "pop.spare.example");
        dialog.emplace(c.context.config.profiles, c.services);
    }
    QStringList Rows() const {
        QStringList names;
        for (int i = 0; i < dialog->rows()->topLevelItemCount(); ++i) {
            names << dialog->rows()->topLevelItem(i)->text(0);
        }
        return names;
    }
    void Press(const char* name, int row = -1) {
        if (row >= 0) {
            dialog->rows()->setCurrentItem(dialog->rows()->topLevelItem(row));
        }
        Control<QPushButton>(&*dialog, name)->click();
    }

    OptionsWindowContext c;
    std::optional<ProfileManagerDialog> dialog;
    DialogDriver driver;
};

TEST_F(ProfileManagerTest, UpAndDownMoveTheSelectedRowAndStopAtTheEnds) {
    Press("up", 0);
    EXPECT_EQ(Rows(), (QStringList{"Work", "home", "spare"}));
    for (int i = 0; i < 3; ++i) {
        Press("down");
    }
    EXPECT_EQ(Rows(), (QStringList{"home", "spare", "Work"}));
    Press("up");
    EXPECT_EQ(Rows(), (QStringList{"home", "Work", "spare"}));
}

TEST_F(ProfileManagerTest, RenameAndCloneAskForANameAndOkStoresTheRows) {
    driver.Then(TypeAndClick("Job", "submit"));
    Press("rename", 0);
    driver.Then(TypeAndClick("Work copy", "submit"));
    Press("clone");
    EXPECT_EQ(driver.pending(), 0u);
    EXPECT_EQ(Rows(), (QStringList{"Job", "home", "spare", "Work copy"}));
    Press("ok");
    EXPECT_EQ(c.context.config.profiles.front().name, "Job");
    EXPECT_EQ(c.context.config.profiles.back().pop_sslid, "AA:BB") << "the row's profile";
}

TEST_F(ProfileManagerTest, DeleteAsksAndCancelKeepsTheList) {
    for (const char* answer : {"No", "Yes"}) {
        driver.Then(ClickButton(answer));
        Press("delete", 1);
    }
    EXPECT_EQ(driver.pending(), 0u);
    EXPECT_EQ(Rows(), (QStringList{"Work", "spare"}));
    Press("cancel");
    EXPECT_EQ(c.context.config.profiles.size(), 3u);
}

TEST_F(ProfileManagerTest, TheOptionsWindowRefillsItsComboBoxAfterOk) {
    c.context.config.global.last = "home";
    OptionsWindow window(c.context);
    driver.Then([](QWidget* shown) {
        auto* rows = shown->findChild<QTreeWidget*>("rows");
        rows->setCurrentItem(rows->topLevelItem(1));  // "home"
        ClickButton("up")(shown);
        ClickButton("ok")(shown);
    });
    // The File menu's Profile Manager item.
    window.findChild<QMenuBar*>()->actions().at(0)->menu()->actions().at(1)->trigger();
    EXPECT_EQ(driver.pending(), 0u);
    ASSERT_EQ(window.profile_box()->count(), 3);
    EXPECT_EQ(window.profile_box()->itemText(0), "home");
    EXPECT_EQ(window.profile_box()->currentText(), "home") << "the shown profile stays selected";
}

}  // namespace
}  // namespace tarvox
