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

#include "ui/dialog_driver.h"
#include "ui/qt_services.h"

namespace tarvox {
namespace {

namespace fs = std::filesystem;

class GpgSettingsDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = fs::temp_directory_path() /
                 ("tarvox-gpg-" + std::to_string(::getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(folder);
    }
    void TearDown() override { fs::remove_all(folder); }

    std::string MakeFile(const char* name, mode_t mode) {
        const fs::path path = folder / name;
        std::ofstream(path) << "#!/bin/sh\nexit 0\n";
        ::chmod(path.c_str(), mode);
        return path.string();
    }

    // Runs the dialog as a user would: types `path`, presses OK, answers a
    // refusal box if one comes, and notes whether the dialog was still open
    // afterwards (then cancels it).
    struct Outcome {
        int result = -1;
        bool refused = false;
        bool still_open_after_box = false;
        SeenBox box;
    };
    Outcome TypeAndPressOk(GlobalSettings& settings, const QString& path) {
        GpgSettingsDialog dialog(settings, services);
        Outcome outcome;
        DialogDriver driver;
        driver.Then([&](QWidget* shown) {
            shown->findChild<QLineEdit*>("gpgPath")->setText(path);
            shown->findChild<QPushButton*>("ok")->click();
        });
        driver.Then([&](QWidget* shown) {
            outcome.refused = qobject_cast<QMessageBox*>(shown) != nullptr;
            RecordBoxAndClick(&outcome.box, "OK")(shown);
        });
        driver.Then([&](QWidget* shown) {
            outcome.still_open_after_box = shown == &dialog && dialog.isVisible();
            shown->findChild<QPushButton*>("cancel")->click();
        });
        outcome.result = dialog.exec();
        return outcome;
    }

    QtServices services;
    fs::path folder;
};

TEST_F(GpgSettingsDialogTest, ShowsTheStoredPath) {
    GlobalSettings settings;
    settings.gpgpath = "/usr/bin/gpg";
    GpgSettingsDialog dialog(settings, services);
    EXPECT_EQ(dialog.windowTitle(), "PGP/GPG settings");
    EXPECT_EQ(dialog.path_box()->text(), "/usr/bin/gpg");
}

TEST_F(GpgSettingsDialogTest, EmptyBoxClearsThePath) {
    GlobalSettings settings;
    settings.gpgpath = "/opt/gnupg/bin/gpg";
    const Outcome outcome = TypeAndPressOk(settings, "");
    EXPECT_EQ(outcome.result, QDialog::Accepted);
    EXPECT_FALSE(outcome.refused);
    EXPECT_EQ(settings.gpgpath, "");
}

TEST_F(GpgSettingsDialogTest, ExecutablesAreStored) {
    for (const std::string& path :
         {MakeFile("gpg", 0755), MakeFile("gpg-owner", 0700), std::string("/bin/sh")}) {
        SCOPED_TRACE(path);
        GlobalSettings settings;
        settings.gpgpath = "/old/gpg";
        const Outcome outcome = TypeAndPressOk(settings, QString::fromStdString(path));
        EXPECT_EQ(outcome.result, QDialog::Accepted);
        EXPECT_FALSE(outcome.refused);
        EXPECT_EQ(settings.gpgpath, path);
    }
}

TEST_F(GpgSettingsDialogTest, AnythingElseIsRefusedAndTheDialogStaysOpen) {
    fs::create_directories(folder / "gpg-folder");
    ::chmod((folder / "gpg-folder").c_str(), 0755);
    const std::string refused[] = {
        MakeFile("gpg-plain", 0644),
        (folder / "gpg-folder").string(),
        (folder / "missing").string(),
        " ",
    };
    for (const std::string& path : refused) {
        SCOPED_TRACE(path);
        GlobalSettings settings;
        settings.gpgpath = "/old/gpg";
        const Outcome outcome = TypeAndPressOk(settings, QString::fromStdString(path));
        EXPECT_TRUE(outcome.refused);
        EXPECT_EQ(outcome.box.text,
                  "File not found (or not executable program). Please specify a valid GPG.EXE");
        EXPECT_EQ(outcome.box.title, "PGP/GPG support");
        EXPECT_EQ(outcome.box.icon, QMessageBox::Warning);
        EXPECT_TRUE(outcome.still_open_after_box);
        EXPECT_EQ(outcome.result, QDialog::Rejected);
        EXPECT_EQ(settings.gpgpath, "/old/gpg");
    }
}

TEST_F(GpgSettingsDialogTest, BrowsePutsTheChosenFileInTheBox) {
    GlobalSettings settings;
    settings.gpgpath = "/usr/bin/gpg";
    GpgSettingsDialog dialog(settings, services);
    std::vector<FileOpenRequest> asked;
    QString answer = "/usr/local/bin/gpg2";
    dialog.SetFilePicker([&](QWidget*, const FileOpenRequest& request) {
        asked.push_back(request);
        return answer;
    });
    auto* browse = dialog.findChild<QPushButton*>("browse");
    ASSERT_NE(browse, nullptr);
    EXPECT_EQ(browse->text(), "&Browse...");
    browse->click();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].title, "Select GnuPG executable, GPG.EXE");
    EXPECT_EQ(asked[0].start, "/usr/bin/gpg");
    EXPECT_EQ(dialog.path_box()->text(), "/usr/local/bin/gpg2");
    answer.clear();  // Cancel leaves the box alone
    browse->click();
    EXPECT_EQ(dialog.path_box()->text(), "/usr/local/bin/gpg2");
    EXPECT_EQ(settings.gpgpath, "/usr/bin/gpg") << "nothing is stored before OK";
}

}  // namespace
}  // namespace tarvox
