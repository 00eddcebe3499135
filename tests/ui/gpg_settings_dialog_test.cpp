// "PGP/GPG settings": OK stores an accepted path; Browse fills the box.
#include "ui/gpg_settings_dialog.h"

#include <QPushButton>

#include <gtest/gtest.h>

#include "options_window_fixture.h"
#include "ui/dialog_driver.h"

namespace tarvox {
namespace {

TEST(GpgSettingsDialog, OkStaysOpenOnARefusedPathAndStoresAnAcceptedOne) {
    OptionsWindowContext c;
    GlobalSettings settings;
    settings.gpgpath = "/old/gpg";
    GpgSettingsDialog dialog(settings, c.services);
    DialogDriver driver;
    driver.Then(TypeAndClick("/nonexistent/gpg", "ok"));
    driver.Then(ClickButton("OK"));  // the refusal
    driver.Then([&](QWidget* shown) {
        EXPECT_EQ(shown, &dialog);
        EXPECT_EQ(settings.gpgpath, "/old/gpg");
        TypeAndClick("", "ok")(shown);
    });
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    EXPECT_EQ(settings.gpgpath, "");
}

TEST(GpgSettingsDialog, BrowsePutsTheChosenFileInTheBox) {
    OptionsWindowContext c;
    GlobalSettings settings;
    settings.gpgpath = "/usr/bin/gpg";
    GpgSettingsDialog dialog(settings, c.services);
    QStringList starts;
    QString answer;
    dialog.SetFilePicker([&](QWidget*, const FileOpenRequest& request) {
        starts << request.start;
        return answer;
    });
    for (const QString next : {"/usr/local/bin/gpg2", ""}) {  // then cancelled
        answer = next;
        dialog.findChild<QPushButton*>("browse")->click();
        EXPECT_EQ(dialog.path_box()->text(), "/usr/local/bin/gpg2");
    }
    EXPECT_EQ(starts.front(), "/usr/bin/gpg");
    EXPECT_EQ(settings.gpgpath, "/usr/bin/gpg") << "nothing is stored before OK";
}

}  // namespace
}  // namespace tarvox
