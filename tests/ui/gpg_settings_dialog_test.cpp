// "PGP/GPG settings": OK stores nothing or an executable file; Browse fills the box.
#include "ui/gpg_settings_dialog.h"

#include <QPushButton>

#include <gtest/gtest.h>

#include "config/file_io.h"
#include "options_window_fixture.h"
#include "ui/dialog_driver.h"

namespace tarvox {
namespace {

TEST(GpgSettingsDialog, OkStoresNothingOrAnExecutableAndRefusesTheRest) {
    OptionsWindowContext c;
    WriteWholeFile(c.dir / "plain", "#!/bin/sh\n");
    for (const std::string& path : {std::string(), (c.dir / "plain").string()}) {
        const bool stored = path.empty();
        GlobalSettings settings;
        settings.gpgpath = "/old/gpg";
        GpgSettingsDialog dialog(settings, c.services);
        DialogDriver driver;
        bool open_after_box = false;
        driver.Then(TypeAndClick(QString::fromStdString(path), "ok"));
        driver.Then(ClickButton("OK"));  // the refusal
        driver.Then([&](QWidget* shown) {
            open_after_box = shown == &dialog;
            ClickButton("cancel")(shown);
        });
        EXPECT_EQ(dialog.exec(), stored ? QDialog::Accepted : QDialog::Rejected) << path;
        EXPECT_EQ(open_after_box, !stored) << path;
        EXPECT_EQ(settings.gpgpath, stored ? path : "/old/gpg");
    }
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
