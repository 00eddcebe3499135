// "Profile Manager": rows edited in the dialog, the list replaced only on OK.
#include "ui/profile_manager_dialog.h"

#include <QAction>
#include <QComboBox>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
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
        Profile& work = c.AddProfile("Work", "pop.work.example");
        work.pop_sslid = "AA:BB";
        work.msgid = "0123456789ab";
        c.AddProfile("home", "pop.home.example");
        c.AddProfile("spare", "pop.spare.example");
    }

    QStringList Rows(const ProfileManagerDialog& dialog) const {
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

    void Select(ProfileManagerDialog& dialog, int row) {
        dialog.rows()->setCurrentItem(dialog.rows()->topLevelItem(row));
    }

    void Press(ProfileManagerDialog& dialog, const char* name) {
        Control<QPushButton>(&dialog, name)->click();
    }

    OptionsWindowContext c;
};

TEST_F(ProfileManagerTest, ShowsOneRowPerProfileUnderItsColumn) {
    ProfileManagerDialog dialog(c.context.config.profiles, c.services);
    EXPECT_EQ(dialog.windowTitle(), "Profile Manager");
    EXPECT_EQ(dialog.rows()->headerItem()->text(0), "Profile Identifier");
    EXPECT_EQ(dialog.rows()->columnWidth(0), 250);
    EXPECT_EQ(Rows(dialog), (QStringList{"Work", "home", "spare"}));
    QStringList buttons;
    for (QPushButton* button : dialog.findChildren<QPushButton*>()) {
        buttons << button->text();
    }
    for (const char* text :
         {"&Up", "D&own", "&Rename", "&Delete", "&Clone", "&Help", "OK", "Cancel"}) {
        EXPECT_TRUE(buttons.contains(text)) << text;
    }
}

TEST_F(ProfileManagerTest, UpAndDownMoveTheSelectedRowAndStopAtTheEnds) {
    ProfileManagerDialog dialog(c.context.config.profiles, c.services);
    struct Step {
        const char* button;
        QStringList rows;
    };
    Select(dialog, 0);
    const Step steps[] = {
        {"up", {"Work", "home", "spare"}},    // already at the top
        {"down", {"home", "Work", "spare"}},  //
        {"down", {"home", "spare", "Work"}},  //
        {"down", {"home", "spare", "Work"}},  // already at the bottom
        {"up", {"home", "Work", "spare"}},
    };
    for (const Step& step : steps) {
        Press(dialog, step.button);
        EXPECT_EQ(Rows(dialog), step.rows) << step.button;
    }
    EXPECT_EQ(dialog.rows()->currentItem()->text(0), "Work") << "the moved row stays selected";
    Press(dialog, "ok");
    EXPECT_EQ(Names(), (std::vector<std::string>{"home", "Work", "spare"}));
    EXPECT_EQ(c.context.config.profiles.front().host, "pop.home.example");
}

TEST_F(ProfileManagerTest, RenameAcceptsItsOwnNameInOtherCaseAndRefusesAnother) {
    ProfileManagerDialog dialog(c.context.config.profiles, c.services);
    Select(dialog, 0);
    DialogDriver driver;
    QString title, prompt, prefilled;
    driver.Then([&](QWidget* prompt_dialog) {
        title = prompt_dialog->windowTitle();
        prefilled = prompt_dialog->findChild<QLineEdit*>()->text();
        TypeAndClick("WORK", "submit")(prompt_dialog);
    });
    Press(dialog, "rename");
    EXPECT_EQ(title, "Rename profile");
    EXPECT_EQ(prefilled, "Work");
    EXPECT_EQ(Rows(dialog), (QStringList{"WORK", "home", "spare"}));

    SeenBox box;
    driver.Then(TypeAndClick("Home", "submit"));
    driver.Then(RecordBoxAndClick(&box, "OK"));
    Press(dialog, "rename");
    EXPECT_EQ(driver.pending(), 0u);
    EXPECT_EQ(box.text, "A profile by this name already exists");
    EXPECT_EQ(box.title, "Rename profile");
    EXPECT_EQ(box.icon, QMessageBox::Critical);
    EXPECT_EQ(Rows(dialog), (QStringList{"WORK", "home", "spare"}));

    driver.Then(ClickButton("cancel"));
    Press(dialog, "rename");
    EXPECT_EQ(Rows(dialog), (QStringList{"WORK", "home", "spare"}));

    Press(dialog, "ok");
    EXPECT_EQ(Names(), (std::vector<std::string>{"WORK", "home", "spare"}));
    EXPECT_EQ(c.context.config.profiles.front().pop_sslid, "AA:BB");
}

TEST_F(ProfileManagerTest, CloneRefusesAnyExistingNameAndCopiesEverySetting) {
    ProfileManagerDialog dialog(c.context.config.profiles, c.services);
    Select(dialog, 0);
    DialogDriver driver;
    // The prefilled name itself, and a name in another case.
    for (const char* typed : {"", "SPARE"}) {
        SeenBox box;
        QString title, prefilled;
        driver.Then([&, typed](QWidget* prompt_dialog) {
            title = prompt_dialog->windowTitle();
            prefilled = prompt_dialog->findChild<QLineEdit*>()->text();
            if (*typed != '\0') {
                prompt_dialog->findChild<QLineEdit*>()->setText(typed);
            }
            ClickButton("submit")(prompt_dialog);
        });
        driver.Then(RecordBoxAndClick(&box, "OK"));
        Press(dialog, "clone");
        EXPECT_EQ(driver.pending(), 0u);
        EXPECT_EQ(title, "Clone profile");
        EXPECT_EQ(prefilled, "Work");
        EXPECT_EQ(box.text, "A profile by this name already exists");
        EXPECT_EQ(box.title, "Clone profile");
        EXPECT_EQ(Rows(dialog).size(), 3);
    }

    driver.Then(TypeAndClick("Work copy", "submit"));
    Press(dialog, "clone");
    EXPECT_EQ(Rows(dialog), (QStringList{"Work", "home", "spare", "Work copy"}));
    Press(dialog, "ok");
    ASSERT_EQ(c.context.config.profiles.size(), 4u);
    Profile expected = c.context.config.profiles.front();
    expected.name = "Work copy";
    EXPECT_EQ(c.context.config.profiles.back(), expected)
        << "fingerprints and message flags come along";
}

TEST_F(ProfileManagerTest, DeleteAsksAndDeletingEveryRowEmptiesTheList) {
    ProfileManagerDialog dialog(c.context.config.profiles, c.services);
    DialogDriver driver;
    SeenBox box;
    Select(dialog, 1);
    driver.Then(RecordBoxAndClick(&box, "No"));
    Press(dialog, "delete");
    EXPECT_EQ(box.text, "Are you sure you want to delete this profile?");
    EXPECT_EQ(box.title, "Profile Manager");
    EXPECT_EQ(box.icon, QMessageBox::Warning);
    EXPECT_EQ(box.buttons, (QStringList{"Yes", "No"}));
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
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST_F(ProfileManagerTest, CancelChangesNothing) {
    const ProfileList before = c.context.config.profiles;
    ProfileManagerDialog dialog(c.context.config.profiles, c.services);
    Select(dialog, 2);
    Press(dialog, "up");
    DialogDriver driver;
    driver.Then(TypeAndClick("renamed", "submit"));
    Press(dialog, "rename");
    Press(dialog, "cancel");
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(c.context.config.profiles, before);
}

TEST_F(ProfileManagerTest, HelpOpensItsAnchor) {
    ProfileManagerDialog dialog(c.context.config.profiles, c.services);
    QString anchor;
    dialog.SetHelpHandler([&](const QString& opened) { anchor = opened; });
    Press(dialog, "help");
    EXPECT_EQ(anchor, "#profileman");
}

TEST_F(ProfileManagerTest, TheOptionsWindowRefillsItsComboBoxAfterOk) {
    c.context.config.global.last = "home";
    OptionsWindow window(c.context);
    QAction* item = nullptr;
    for (QAction* top : window.findChild<QMenuBar*>()->actions()) {
        for (QAction* action : top->menu()->actions()) {
            if (action->text() == "&Profile Manager...") {
                item = action;
            }
        }
    }
    ASSERT_NE(item, nullptr);
    DialogDriver driver;
    driver.Then([](QWidget* dialog) {
        auto* rows = dialog->findChild<QTreeWidget*>("rows");
        rows->setCurrentItem(rows->topLevelItem(1));  // "home"
        dialog->findChild<QPushButton*>("up")->click();
        dialog->findChild<QPushButton*>("ok")->click();
    });
    item->trigger();
    EXPECT_EQ(driver.pending(), 0u);
    ASSERT_EQ(window.profile_box()->count(), 3);
    EXPECT_EQ(window.profile_box()->itemText(0), "home");
    EXPECT_EQ(window.profile_box()->itemText(1), "Work");
    EXPECT_EQ(window.profile_box()->currentText(), "home") << "the shown profile stays selected";
    EXPECT_FALSE(std::filesystem::exists(c.context.paths.settings_file))
        << "written at the next save";
}

}  // namespace
}  // namespace tarvox
