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
        before = c.context.config.profiles;
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
    ProfileList before;
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
    Press("ok");
    EXPECT_EQ(c.context.config.profiles.front().host, "pop.home.example");
    EXPECT_EQ(std::next(c.context.config.profiles.begin())->name, "Work");
}

TEST_F(ProfileManagerTest, RenameAndCloneRefuseAnotherProfilesName) {
    driver.Then(TypeAndClick("WORK", "submit"));  // its own name in other case
    Press("rename", 0);
    driver.Then(TypeAndClick("Home", "submit"));
    driver.Then(ClickButton("OK"));  // refused
    Press("rename");
    driver.Then(ClickButton("cancel"));
    Press("rename");
    driver.Then(TypeAndClick("SPARE", "submit"));
    driver.Then(ClickButton("OK"));  // refused
    Press("clone");
    driver.Then(TypeAndClick("Work copy", "submit"));
    Press("clone");
    EXPECT_EQ(driver.pending(), 0u);
    EXPECT_EQ(Rows(), (QStringList{"WORK", "home", "spare", "Work copy"}));

    Press("ok");
    ASSERT_EQ(c.context.config.profiles.size(), 4u);
    Profile expected = c.context.config.profiles.front();
    EXPECT_EQ(expected.pop_sslid, "AA:BB");
    expected.name = "Work copy";
    EXPECT_EQ(c.context.config.profiles.back(), expected) << "a clone copies every setting";
}

TEST_F(ProfileManagerTest, DeleteAsksAndCancelKeepsTheList) {
    driver.Then(ClickButton("No"));
    Press("delete", 1);
    EXPECT_EQ(Rows().size(), 3);
    for (int i = 0; i < 3; ++i) {
        driver.Then(ClickButton("Yes"));
        Press("delete", 0);
    }
    EXPECT_EQ(driver.pending(), 0u);
    EXPECT_TRUE(Rows().isEmpty());
    Press("cancel");
    EXPECT_EQ(c.context.config.profiles, before);
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
