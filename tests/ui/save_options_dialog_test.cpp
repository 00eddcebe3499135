// The saving options dialog: the four name lists set from the format (a 0
// standing for the default of the use), the default-folder box, Browse, the
// live preview, and what OK and Cancel leave.
#include "ui/save_options_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include "support/scoped_time_zone.h"
#include "support/temp_dir.h"
#include "ui/app_context.h"

namespace tarvox {
namespace {

QStringList Chosen(const SaveOptionsDialog& dialog) {
    QStringList chosen;
    for (std::size_t place = 0; place < 4; ++place) {
        chosen << dialog.part_list(place)->currentText();
    }
    return chosen;
}

void Choose(SaveOptionsDialog& dialog, const QStringList& texts) {
    for (std::size_t place = 0; place < 4; ++place) {
        QComboBox* list = dialog.part_list(place);
        list->setCurrentIndex(list->findText(texts.at(static_cast<qsizetype>(place))));
    }
}

class SaveOptionsDialogTest : public ::testing::Test {
protected:
    SaveOptionsDialogTest() { context.paths.mail_folder_root = dir / "mail"; }

    SaveOptions Options(MailFolderUse use, std::string folder = {}, NameFormat format = 0) {
        SaveOptions options;
        options.profile_name = "home";
        options.use = use;
        options.settings.folder = std::move(folder);
        options.settings.extension = ".tvx";
        options.settings.format = format;
        return options;
    }
    std::string DefaultFolder(const char* below) const {
        return (context.paths.mail_folder_root / below).string();
    }

    ScopedTimeZone utc{"UTC"};
    TempDir dir;
    AppContext context;
};

TEST_F(SaveOptionsDialogTest, AnEmptyFolderAndFormatShowTheDefaultsOfTheUse) {
    const struct {
        MailFolderUse use;
        QStringList parts;
        const char* folder;
    } cases[] = {
        {MailFolderUse::SavedMail, {"Date/Time", "From", "Subject", "-none-"}, "home"},
        {MailFolderUse::CopyToSelf, {"Date/Time", "To", "Subject", "-none-"}, "home/copyself"},
    };
    for (const auto& c : cases) {
        SaveOptions options = Options(c.use);
        SaveOptionsDialog dialog(context, options);
        EXPECT_EQ(Chosen(dialog), c.parts);
        EXPECT_TRUE(dialog.default_folder_box()->isChecked());
        EXPECT_EQ(dialog.folder_box()->text().toStdString(), DefaultFolder(c.folder));
        EXPECT_TRUE(dialog.folder_box()->isReadOnly());
        EXPECT_FALSE(dialog.browse_button()->isEnabled());
    }
}

TEST_F(SaveOptionsDialogTest, TheDefaultBoxSwapsTheStoredFolderForTheDefault) {
    SaveOptions options = Options(MailFolderUse::SavedMail, "/home/u/kept", 0x6100);
    SaveOptionsDialog dialog(context, options);
    EXPECT_EQ(Chosen(dialog), QStringList({"Subject", "Profile", "-none-", "-none-"}));
    for (const bool use_default : {false, true, false}) {
        if (use_default != dialog.default_folder_box()->isChecked()) {
            dialog.default_folder_box()->click();
        }
        EXPECT_EQ(dialog.folder_box()->text().toStdString(),
                  use_default ? DefaultFolder("home") : "/home/u/kept");
        EXPECT_EQ(dialog.folder_box()->isReadOnly(), use_default);
        EXPECT_EQ(dialog.browse_button()->isEnabled(), !use_default);
    }
}

TEST_F(SaveOptionsDialogTest, BrowseFillsTheFieldUnlessCancelled) {
    SaveOptions options = Options(MailFolderUse::SavedMail, "/home/u/kept");
    SaveOptionsDialog dialog(context, options);
    QString answer = "/srv/mail/saved";
    dialog.SetFolderPicker([&](QWidget*, const QString&, const QString&) { return answer; });
    for (const QString next : {"/srv/mail/saved", ""}) {
        answer = next;
        dialog.browse_button()->click();
        EXPECT_EQ(dialog.folder_box()->text(), "/srv/mail/saved");
    }
}

TEST_F(SaveOptionsDialogTest, ThePreviewFollowsTheListsAndTheExtension) {
    SaveOptions options = Options(MailFolderUse::SavedMail);
    SaveOptionsDialog dialog(context, options);
    Choose(dialog, {"Profile", "Date", "Subject", "-none-"});
    dialog.extension_box()->setText(".eml");
    EXPECT_EQ(dialog.preview()->text(), "home  2003-03-22  The subject.eml");
    Choose(dialog, {"-none-", "-none-", "-none-", "-none-"});
    EXPECT_EQ(dialog.preview()->text(), ".eml");
}

TEST_F(SaveOptionsDialogTest, OkTakesTheFieldsAndCancelNothing) {
    for (const char* button : {"ok", "cancel"}) {
        SaveOptions options = Options(MailFolderUse::CopyToSelf, "/home/u/kept", 0x1000);
        SaveOptionsDialog dialog(context, options);
        Choose(dialog, {"Date", "From", "To", "Subject"});
        dialog.extension_box()->setText(".eml");
        dialog.default_folder_box()->click();
        dialog.findChild<QPushButton*>(button)->click();
        const bool ok = std::string(button) == "ok";
        EXPECT_EQ(options.settings.folder, ok ? "" : "/home/u/kept") << button;
        EXPECT_EQ(options.settings.extension, ok ? ".eml" : ".tvx") << button;
        EXPECT_EQ(options.settings.format, ok ? 0x2456u : 0x1000u) << button;
    }
}

TEST(SaveOptionsOfTest, TakesTheProfileNameAndTheSettingsOfTheUse) {
    Profile profile;
    profile.name = "work";
    profile.savemail_dir = "/saved";
    profile.savemail_fmt = 0x1200;
    profile.copyself_dir = "/sent";
    profile.copyself_ext = ".txt";
    for (const MailFolderUse use : {MailFolderUse::SavedMail, MailFolderUse::CopyToSelf}) {
        const SaveOptions options = SaveOptionsOf(profile, use);
        const bool saved = use == MailFolderUse::SavedMail;
        EXPECT_EQ(options.profile_name, "work");
        EXPECT_EQ(options.use, use);
        EXPECT_EQ(options.settings.folder, saved ? "/saved" : "/sent");
        EXPECT_EQ(options.settings.extension, saved ? profile.savemail_ext : ".txt");
        EXPECT_EQ(options.settings.format, saved ? 0x1200u : profile.copyself_fmt);
    }
}

}  // namespace
}  // namespace tarvox
