// "PGP/GPG settings": an empty box clears the path, anything but an
// executable regular file is refused with a box and the dialog stays open.
#include "ui/gpg_settings_dialog.h"

#include <sys/stat.h>

#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "support/temp_dir.h"
#include "ui/dialog_driver.h"
#include "ui/qt_services.h"

namespace tarvox {
namespace {

TEST(GpgSettingsDialog, OkStoresAnExecutableOrNothingAndRefusesTheRest) {
    TempDir folder;
    const auto make_file = [&](const char* name, mode_t mode) {
        const std::filesystem::path path = folder / name;
        std::ofstream(path) << "#!/bin/sh\nexit 0\n";
        ::chmod(path.c_str(), mode);
        return path.string();
    };
    std::filesystem::create_directories(folder / "gpg-folder");
    const struct {
        std::string path;
        bool stored;
    } cases[] = {
        {"", true},
        {make_file("gpg", 0755), true},
        {make_file("gpg-owner", 0700), true},
        {make_file("gpg-plain", 0644), false},
        {(folder / "gpg-folder").string(), false},
        {(folder / "missing").string(), false},
        {" ", false},
    };
    QtServices services;
    for (const auto& c : cases) {
        GlobalSettings settings;
        settings.gpgpath = "/old/gpg";
        GpgSettingsDialog dialog(settings, services);
        DialogDriver driver;
        bool open_after_box = false;
        driver.Then(TypeAndClick(QString::fromStdString(c.path), "ok"));
        driver.Then(ClickButton("OK"));  // the refusal
        driver.Then([&](QWidget* shown) {
            open_after_box = shown == &dialog;
            ClickButton("cancel")(shown);
        });
        const int result = dialog.exec();
        EXPECT_EQ(result, c.stored ? QDialog::Accepted : QDialog::Rejected) << c.path;
        EXPECT_EQ(open_after_box, !c.stored) << c.path;
        EXPECT_EQ(settings.gpgpath, c.stored ? c.path : "/old/gpg");
    }
}

TEST(GpgSettingsDialog, BrowsePutsTheChosenFileInTheBox) {
    GlobalSettings settings;
    settings.gpgpath = "/usr/bin/gpg";
    QtServices services;
    GpgSettingsDialog dialog(settings, services);
    EXPECT_EQ(dialog.path_box()->text(), "/usr/bin/gpg");
    QString start;
    QString answer = "/usr/local/bin/gpg2";
    dialog.SetFilePicker([&](QWidget*, const FileOpenRequest& request) {
        if (start.isEmpty()) {
            start = request.start;
        }
        return answer;
    });
    for (const QString next : {"/usr/local/bin/gpg2", ""}) {  // then cancelled
        answer = next;
        dialog.findChild<QPushButton*>("browse")->click();
        EXPECT_EQ(dialog.path_box()->text(), "/usr/local/bin/gpg2");
    }
    EXPECT_EQ(start, "/usr/bin/gpg");
    EXPECT_EQ(settings.gpgpath, "/usr/bin/gpg") << "nothing is stored before OK";
}

}  // namespace
}  // namespace tarvox
