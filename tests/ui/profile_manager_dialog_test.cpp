// "Profile Manager": rows edited in the dialog, the list replaced only on OK,
// and the options window refilled after it.
#include "ui/profile_manager_dialog.h"

#include <QAction>
#include <QComboBox>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

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
    }

    static QStringList Rows(const ProfileManagerDialog& dialog) {
        QStringList names;
        for (int i = 0; i < dialog.rows()->topLevelItemCount(); ++i) {
            names << dialog.rows()->topLevelItem(i)->text(0);
        }
        return names;
    }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const Profile& profile : c.context.config.profiles) {
            names.push_back(profile.name);
        }
        return names;
    }
    static void Select(ProfileManagerDialog& dialog, int row) {
        dialog.rows()->setCurrentItem(dialog.rows()->topLevelItem(row));
    }
    static void Press(ProfileManagerDialog& dialog, const char* name) {
        Control<QPushButton>(&dialog, name)->click();
    }

    OptionsWindowContext c;
};

TEST_F(ProfileManagerTest, UpAndDownMoveTheSelectedRowAndStopAtTheEnds) {
    ProfileManagerDialog dialog(c.context.config.profiles, c.services);
    Select(dialog, 0);
    const std::pair<const char*, QStringList> steps[] = {
        {"up", {"Work", "home", "spare"}},   {"down", {"home", "Work", "spare"}},
        {"down", {"home", "spare", "Work"}}, {"down", {"home", "spare", "Work"}},
        {"up", {"home", "Work", "spare"}},
    };
    for (const auto& [button, rows] : steps) {
        Press(dialog, button);
        EXPECT_EQ(Rows(dialog), rows) << button;
    }
    Press(dialog, "ok");
    EXPECT_EQ(Names(), (std::vector<std::string>{"home", "Work", "spare"}));
    EXPECT_EQ(c.context.config.profiles.front().host, "pop.home.example");
}

TEST_F(ProfileManagerTest, RenameAndCloneRefuseAnotherProfilesName) {
    ProfileManagerDialog dialog(c.context.config.profiles, c.services);
    Select(dialog, 0);
    DialogDriver driver;
    driver.Then(TypeAndClick("WORK", "submit"));  // its own name in other case
    Press(dialog, "rename");
    driver.Then(TypeAndClick("Home", "submit"));
    driver.Then(ClickButton("OK"));  // refused
    Press(dialog, "rename");
    driver.Then(ClickButton("cancel"));
    Press(dialog, "rename");
    driver.Then(TypeAndClick("SPARE", "submit"));
    driver.Then(ClickButton("OK"));  // refused
    Press(dialog, "clone");
    driver.Then(TypeAndClick("Work copy", "submit"));
    Press(dialog, "clone");
    EXPECT_EQ(driver.pending(), 0u);
    EXPECT_EQ(Rows(dialog), (QStringList{"WORK", "home", "spare", "Work copy"}));

    Press(dialog, "ok");
    ASSERT_EQ(c.context.config.profiles.size(), 4u);
    Profile expected = c.context.config.profiles.front();
    EXPECT_EQ(expected.pop_sslid, "AA:BB");
    expected.name = "Work copy";
    EXPECT_EQ(c.context.config.profiles.back(), expected) << "a clone copies every setting";
}

TEST_F(ProfileManagerTest, DeleteAsksAndOnlyOkReplacesTheList) {
    ProfileManagerDialog dialog(c.context.config.profiles, c.services);
    DialogDriver driver;
    Select(dialog, 1);
    driver.Then(ClickButton("No"));
    Press(dialog, "delete");
    EXPECT_EQ(Rows(dialog).size(), 3);
    for (int i = 0; i < 3; ++i) {
        Select(dialog, 0);
        driver.Then(ClickButton("Yes"));
        Press(dialog, "delete");
    }
    EXPECT_EQ(driver.pending(), 0u);
    EXPECT_TRUE(Rows(dialog).isEmpty());
    EXPECT_EQ(c.context.config.profiles.size(), 3u) << "nothing changes before OK";
    Press(dialog, "ok");
    EXPECT_TRUE(c.context.config.profiles.empty());
}

TEST_F(ProfileManagerTest, CancelChangesNothing) {
    const ProfileList before = c.context.config.profiles;
    ProfileManagerDialog dialog(c.context.config.profiles, c.services);
    Select(dialog, 2);
    Press(dialog, "up");
    Press(dialog, "cancel");
    EXPECT_EQ(c.context.config.profiles, before);
}

TEST_F(ProfileManagerTest, TheOptionsWindowRefillsItsComboBoxAfterOk) {
    c.context.config.global.last = "home";
    OptionsWindow window(c.context);
    DialogDriver driver;
    driver.Then([](QWidget* dialog) {
        auto* rows = dialog->findChild<QTreeWidget*>("rows");
        rows->setCurrentItem(rows->topLevelItem(1));  // "home"
        ClickButton("up")(dialog);
        ClickButton("ok")(dialog);
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
