// The Global tab's controls reach the settings through Apply.
#include "ui/global_page.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

#include <optional>
#include <vector>

#include <gtest/gtest.h>

#include "config/keyring_passwords.h"
#include "options_window_fixture.h"
#include "support/memory_keyring.h"
#include "ui/dialog_driver.h"

namespace tarvox {
namespace {

class GlobalPageTest : public ::testing::Test {
protected:
    GlobalPageTest() {
        page.emplace(c.context);
        page->SetMailmanControl([this](bool run) { mailman_calls.push_back(run); },
                                [this] { return mailman_running; });
        page->SetFilePicker([this](QWidget*, const FileOpenRequest&) {
            ++picker_asked;
            return picker_answer;
        });
        page->ShowSettings();
    }
    QCheckBox* Box(const char* name) { return Control<QCheckBox>(&*page, name); }
    // Presses Apply; gives the text of the refusal box, or "" when none came.
    QString Apply() {
        DialogDriver driver;
        SeenBox box;
        driver.Then(RecordBoxAndClick(&box, "OK"));
        Control<QPushButton>(&*page, "apply")->click();
        return box.text;
    }

    OptionsWindowContext c;
    GlobalSettings& g = c.context.config.global;
    std::optional<GlobalPage> page;
    std::vector<bool> mailman_calls;
    bool mailman_running = false;
    int picker_asked = 0;
    QString picker_answer;
};


TEST_F(GlobalPageTest, ApplyRestartsMailmanAndPicksTheWaveFile) {
    mailman_running = true;
    Box("mailman")->setChecked(true);
    Control(&*page, "timeout")->setText("120");
    for (const char* answer : {"", "/sounds/ding.wav"}) {  // cancelled, then chosen
        picker_answer = answer;
        Box("newsound")->setChecked(true);
        EXPECT_EQ(Apply(), "");
        EXPECT_EQ(g.newwav, answer);
        EXPECT_EQ(Box("newsound")->isChecked(), *answer != '\0');
    }
    EXPECT_EQ(mailman_calls, (std::vector<bool>{false, true, false, true}));
    EXPECT_EQ(g.timeout, 120);
}

TEST_F(GlobalPageTest, ARefusedNumberStopsApplyAndARefusedPassphraseUnchecksItsBox) {
    Control(&*page, "freq")->setText("0");
    Box("repoll")->setChecked(true);
    EXPECT_TRUE(Apply().startsWith("Mailman's"));
    EXPECT_EQ(g.freq, 15);
    EXPECT_EQ(g.repoll, 0);
    Control(&*page, "freq")->setText("15");
    Box("master")->setChecked(true);
    Control(&*page, "passphrase")->setText("abc12");
    Box("newsound")->setChecked(true);
    EXPECT_FALSE(Apply().isEmpty());
    EXPECT_FALSE(Box("master")->isChecked());
    EXPECT_EQ(picker_asked, 0);
}

TEST_F(GlobalPageTest, ShowSettingsRefreshesTheControlsAndGpgSetupEditsThePath) {
    g.timeout = 120;
    g.checkras = 1;
    g.reprompt = 0;
    Control(&*page, "passphrase")->setText("typed but not applied");
    page->ShowSettings();
    EXPECT_EQ(Control(&*page, "timeout")->text(), "120");
    EXPECT_TRUE(Box("checkras")->isChecked());
    EXPECT_FALSE(Box("reprompt")->isChecked());
    EXPECT_EQ(Control(&*page, "passphrase")->text(), "");

    g.gpgpath = "/usr/bin/gpg";
    DialogDriver driver;
    driver.Then(TypeAndClick("", "ok"));
    Control<QPushButton>(&*page, "gpgSetup")->click();
    EXPECT_EQ(g.gpgpath, "");
}

TEST_F(GlobalPageTest, RegistrationButtonsWriteTheEntriesAndTellFailuresOnce) {
    page->SetDesktopFolders([this] {
        return DesktopFolders{c.dir / "data", c.dir / "config", {}};
    });
    Control<QPushButton>(&*page, "setMailtoHandler")->click();
    Control<QPushButton>(&*page, "associateTvx")->click();
    EXPECT_TRUE(std::filesystem::exists(c.dir / "data/applications/tarvox.desktop"));
    EXPECT_TRUE(std::filesystem::exists(c.dir / "data/mime/packages/tarvox.xml"));

    page->SetDesktopFolders([this] {
        return DesktopFolders{c.dir / "config/mimeapps.list", c.dir / "config/mimeapps.list", {}};
    });
    DialogDriver driver;
    SeenBox box;
    driver.Then(RecordBoxAndClick(&box, "OK"));
    Control<QPushButton>(&*page, "setMailtoHandler")->click();
    EXPECT_TRUE(box.text.startsWith("Unable to register the handler: ")) << box.text.toStdString();
    EXPECT_EQ(driver.pending(), 0u);
}

TEST_F(GlobalPageTest, TheKeyringBoxSendsPasswordsToTheKeyringAndAFailureIsToldOnce) {
    MemoryKeyring store;
    KeyringPasswords keyring(store);
    c.context.keyring = &keyring;
    c.AddProfile("Home").pass = "secret";
    Box("keyring")->setChecked(true);
    EXPECT_EQ(Apply(), "");
    ASSERT_TRUE(c.context.SaveSettings());
    EXPECT_EQ(store.entries.size(), 1U);
    EXPECT_EQ(c.Reload().profiles.front().pass, "");

    store.unavailable = "The keyring is locked";
    c.context.config.profiles.front().pass = "changed";
    for (const int boxes : {1, 0}) {
        DialogDriver driver;
        SeenBox box;
        driver.Then(RecordBoxAndClick(&box, "OK"));
        ASSERT_TRUE(c.context.SaveSettings());
        EXPECT_EQ(box.title, boxes == 1 ? "Desktop keyring" : "");
        EXPECT_EQ(c.Reload().profiles.front().pass, "changed");
    }
}

}  // namespace
}  // namespace tarvox
