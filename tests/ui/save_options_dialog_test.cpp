// The saving options dialog: name lists, folder box, Browse, preview, OK.
#include "ui/save_options_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include <optional>

#include "support/scoped_time_zone.h"
#include "support/temp_dir.h"
#include "ui/app_context.h"

namespace tarvox {
namespace {

class SaveOptionsDialogTest : public ::testing::Test {
protected:
    SaveOptionsDialogTest() { context.paths.mail_folder_root = dir / "mail"; }

    SaveOptionsDialog& Make(MailFolderUse use, std::string folder = {}, NameFormat format = 0) {
        options.profile_name = "home";
        options.use = use;
        options.settings.folder = std::move(folder);
        options.settings.extension = ".tvx";
        options.settings.format = format;
        return dialog.emplace(context, options);
    }
    QStringList Chosen() const {
        QStringList chosen;
        for (std::size_t place = 0; place < 4; ++place) {
            chosen << dialog->part_list(place)->currentText();
        }
        return chosen;
    }
    // The folder box shows the default folder, or `stored`, and only it may be edited.
    void ExpectFolder(const char* default_below, const std::string& stored = {}) {
        const bool use_default = default_below != nullptr;
        EXPECT_EQ(dialog->default_folder_box()->isChecked(), use_default);
        EXPECT_EQ(dialog->folder_box()->text().toStdString(),
                  use_default ? (context.paths.mail_folder_root / default_below).string() : stored);
        EXPECT_EQ(dialog->folder_box()->isReadOnly(), use_default);
        EXPECT_EQ(dialog->browse_button()->isEnabled(), !use_default);
    }

    ScopedTimeZone utc{"UTC"};
    TempDir dir;
    AppContext context;
    SaveOptions options;
    std::optional<SaveOptionsDialog> dialog;
};

TEST_F(SaveOptionsDialogTest, EmptyFieldsShowTheDefaultsAndTheDefaultBoxSwapsTheStoredFolder) {
    Make(MailFolderUse::CopyToSelf);
    EXPECT_EQ(Chosen(), QStringList({"Date/Time", "To", "Subject", "-none-"}));
    ExpectFolder("home/copyself");
    Make(MailFolderUse::SavedMail, "/home/u/kept", 0x6100);
    EXPECT_EQ(Chosen(), QStringList({"Subject", "Profile", "-none-", "-none-"}));
    ExpectFolder(nullptr, "/home/u/kept");
    dialog->default_folder_box()->click();
    ExpectFolder("home");
    dialog->default_folder_box()->click();
    ExpectFolder(nullptr, "/home/u/kept");
    QString answer;
    dialog->SetFolderPicker([&](QWidget*, const QString&, const QString&) { return answer; });
    for (const QString next : {"/srv/mail/saved", ""}) {  // then cancelled
        answer = next;
        dialog->browse_button()->click();
        EXPECT_EQ(dialog->folder_box()->text(), "/srv/mail/saved");
    }
}

TEST_F(SaveOptionsDialogTest, ThePreviewFollowsTheFieldsWhichOkTakesAndCancelNot) {
    for (const char* button : {"ok", "cancel"}) {
        Make(MailFolderUse::CopyToSelf, "/home/u/kept", 0x1000);
        for (const auto& [place, text] : {std::pair{0u, "Date"}, {1u, "Profile"}, {2u, "Subject"}}) {
            dialog->part_list(place)->setCurrentIndex(dialog->part_list(place)->findText(text));
        }
        dialog->extension_box()->setText(".eml");
        EXPECT_EQ(dialog->preview()->text(), "2003-03-22  home  The subject.eml");
        dialog->default_folder_box()->click();
        dialog->findChild<QPushButton*>(button)->click();
        const bool ok = std::string(button) == "ok";
        EXPECT_EQ(options.settings.folder, ok ? "" : "/home/u/kept") << button;
        EXPECT_EQ(options.settings.extension, ok ? ".eml" : ".tvx") << button;
        EXPECT_EQ(options.settings.format, ok ? 0x2160u : 0x1000u) << button;
    }
}

}  // namespace
}  // namespace tarvox
