// "PGP/GPG settings": only an executable file or nothing is stored.
#include "ui/gpg_settings_dialog.h"

#include <sys/stat.h>

#include <QLineEdit>
#include <QPushButton>

#include <filesystem>

#include <gtest/gtest.h>

#include "config/file_io.h"
#include "options_window_fixture.h"
#include "ui/dialog_driver.h"

namespace tarvox {
namespace {

TEST(GpgSettingsDialog, OkStoresAnExecutableOrNothingAndRefusesTheRest) {
    OptionsWindowContext c;
    std::filesystem::create_directories(c.dir / "gpg-folder");
    const std::pair<std::string, mode_t> cases[] = {
        {"", 0},  {"gpg", 0755},       {"gpg-owner", 0700},
        {"gpg-plain", 0644}, {"gpg-folder", 0}, {"missing", 0},
    };
    for (const auto& [name, mode] : cases) {
        const std::string path = name.empty() ? "" : (c.dir / name).string();
        if (mode != 0) {
            WriteWholeFile(path, "#!/bin/sh\nexit 0\n");
            ::chmod(path.c_str(), mode);
        }
        const bool stored = name.empty() || (mode & 0100) != 0;
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
        EXPECT_EQ(dialog.exec(), stored ? QDialog::Accepted : QDialog::Rejected) << name;
        EXPECT_EQ(open_after_box, !stored) << name;
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
