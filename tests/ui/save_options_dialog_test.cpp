// The saving options dialog: the four name lists set from the format (a 0
// standing for the default of the use), the default-folder box, Browse,
// the live preview, and OK and Cancel.
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

QStringList ListTexts(const QComboBox* list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i) {
        texts << list->itemText(i);
    }
    return texts;
}

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
        const int index = list->findText(texts.at(static_cast<qsizetype>(place)));
        ASSERT_GE(index, 0) << texts.at(static_cast<qsizetype>(place)).toStdString();
        list->setCurrentIndex(index);
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

    ScopedTimeZone utc{"UTC"};
    TempDir dir;
    AppContext context;
};

TEST_F(SaveOptionsDialogTest, EachListHoldsTheSevenOptionTexts) {
    SaveOptions options = Options(MailFolderUse::SavedMail);
    SaveOptionsDialog dialog(context, options);
    for (std::size_t place = 0; place < 4; ++place) {
        EXPECT_EQ(ListTexts(dialog.part_list(place)),
                  QStringList({"-none-", "Profile", "Date", "Date/Time", "From", "To", "Subject"}))
            << place;
    }
}

TEST_F(SaveOptionsDialogTest, AnEmptyFolderAndFormatShowTheDefaultsOfTheUse) {
    const struct {
        MailFolderUse use;
        QStringList parts;
        std::filesystem::path folder;
        const char* preview;
    } cases[] = {
        {MailFolderUse::SavedMail,
         {"Date/Time", "From", "Subject", "-none-"},
         "home",
         "2003-03-22 11.33.30  sender@example.com  The subject.tvx"},
        {MailFolderUse::CopyToSelf,
         {"Date/Time", "To", "Subject", "-none-"},
         std::filesystem::path("home") / "copyself",
         "2003-03-22 11.33.30  recipient@example.com  The subject.tvx"},
    };
    for (const auto& c : cases) {
        SaveOptions options = Options(c.use);
        SaveOptionsDialog dialog(context, options);
        EXPECT_EQ(Chosen(dialog), c.parts);
        EXPECT_TRUE(dialog.default_folder_box()->isChecked());
        EXPECT_EQ(dialog.folder_box()->text().toStdString(),
                  (context.paths.mail_folder_root / c.folder).string());
        EXPECT_TRUE(dialog.folder_box()->isReadOnly());
        EXPECT_FALSE(dialog.browse_button()->isEnabled());
        EXPECT_EQ(dialog.preview()->text(), c.preview);
    }
}

TEST_F(SaveOptionsDialogTest, AStoredFolderIsEditableWithBrowse) {
    SaveOptions options = Options(MailFolderUse::SavedMail, "/home/u/kept", 0x6100);
    SaveOptionsDialog dialog(context, options);
    EXPECT_EQ(Chosen(dialog), QStringList({"Subject", "Profile", "-none-", "-none-"}));
    EXPECT_FALSE(dialog.default_folder_box()->isChecked());
    EXPECT_EQ(dialog.folder_box()->text(), "/home/u/kept");
    EXPECT_FALSE(dialog.folder_box()->isReadOnly());
    EXPECT_TRUE(dialog.browse_button()->isEnabled());

    // Checking the box shows the default folder; unchecking gives the typed
    // one back.
    dialog.default_folder_box()->click();
    EXPECT_EQ(dialog.folder_box()->text().toStdString(),
              (context.paths.mail_folder_root / "home").string());
    EXPECT_TRUE(dialog.folder_box()->isReadOnly());
    EXPECT_FALSE(dialog.browse_button()->isEnabled());
    dialog.default_folder_box()->click();
    EXPECT_EQ(dialog.folder_box()->text(), "/home/u/kept");
    EXPECT_FALSE(dialog.folder_box()->isReadOnly());
}

TEST_F(SaveOptionsDialogTest, UncheckingTheDefaultBoxThenBrowseFillsTheField) {
    SaveOptions options = Options(MailFolderUse::SavedMail);
    SaveOptionsDialog dialog(context, options);
    QString asked_title;
    QString asked_start;
    QString answer = "/srv/mail/saved";
    dialog.SetFolderPicker([&](QWidget*, const QString& title, const QString& start) {
        asked_title = title;
        asked_start = start;
        return answer;
    });
    dialog.default_folder_box()->click();
    EXPECT_FALSE(dialog.folder_box()->isReadOnly());
    EXPECT_TRUE(dialog.browse_button()->isEnabled());
    dialog.browse_button()->click();
    EXPECT_EQ(asked_title, "Where do you want to save e-mails?");
    EXPECT_EQ(asked_start.toStdString(), (context.paths.mail_folder_root / "home").string());
    EXPECT_EQ(dialog.folder_box()->text(), "/srv/mail/saved");
    // A cancelled picker leaves the field alone.
    answer.clear();
    dialog.browse_button()->click();
    EXPECT_EQ(dialog.folder_box()->text(), "/srv/mail/saved");

    dialog.findChild<QPushButton*>("ok")->click();
    EXPECT_EQ(dialog.result(), 1);
    EXPECT_EQ(options.settings.folder, "/srv/mail/saved");
}

TEST_F(SaveOptionsDialogTest, ThePreviewFollowsTheListsAndTheExtension) {
    SaveOptions options = Options(MailFolderUse::SavedMail);
    SaveOptionsDialog dialog(context, options);
    const struct {
        QStringList parts;
        QString extension;
        const char* preview;
    } cases[] = {
        {{"Profile", "Date", "Subject", "-none-"}, ".eml", "home  2003-03-22  The subject.eml"},
        {{"To", "-none-", "From", "Date/Time"},
         ".tvx",
         "recipient@example.com  sender@example.com  2003-03-22 11.33.30.tvx"},
        {{"Subject", "Subject", "-none-", "-none-"}, "", "The subject  The subject"},
        {{"-none-", "-none-", "-none-", "-none-"}, ".eml", ".eml"},
    };
    for (const auto& c : cases) {
        Choose(dialog, c.parts);
        dialog.extension_box()->setText(c.extension);
        EXPECT_EQ(dialog.preview()->text(), c.preview) << c.parts.join(',').toStdString();
    }
}

TEST_F(SaveOptionsDialogTest, OkTakesTheFieldsAndTheFormat) {
    SaveOptions options = Options(MailFolderUse::SavedMail, "/home/u/kept");
    SaveOptionsDialog dialog(context, options);
    Choose(dialog, {"Date", "From", "To", "Subject"});
    dialog.extension_box()->setText(".eml");
    dialog.folder_box()->setText("/home/u/other");
    EXPECT_EQ(dialog.format(), 0x2456u);
    dialog.findChild<QPushButton*>("ok")->click();
    EXPECT_EQ(dialog.result(), 1);
    EXPECT_EQ(options.settings.folder, "/home/u/other");
    EXPECT_EQ(options.settings.extension, ".eml");
    EXPECT_EQ(options.settings.format, 0x2456u);
    EXPECT_EQ(options.profile_name, "home");
    EXPECT_EQ(options.use, MailFolderUse::SavedMail);
}

TEST_F(SaveOptionsDialogTest, OkWithTheDefaultBoxCheckedEmptiesTheFolder) {
    SaveOptions options = Options(MailFolderUse::CopyToSelf, "/home/u/kept", 0x1000);
    SaveOptionsDialog dialog(context, options);
    dialog.default_folder_box()->click();
    dialog.findChild<QPushButton*>("ok")->click();
    EXPECT_EQ(dialog.result(), 1);
    EXPECT_EQ(options.settings.folder, "");
    EXPECT_EQ(options.settings.format, 0x1000u);
    EXPECT_EQ(options.settings.extension, ".tvx");
}

TEST_F(SaveOptionsDialogTest, CancelChangesNothing) {
    SaveOptions options = Options(MailFolderUse::SavedMail, "/home/u/kept", 0x1000);
    SaveOptionsDialog dialog(context, options);
    Choose(dialog, {"Date", "From", "To", "Subject"});
    dialog.extension_box()->setText(".eml");
    dialog.default_folder_box()->click();
    dialog.findChild<QPushButton*>("cancel")->click();
    EXPECT_EQ(dialog.result(), 0);
    EXPECT_EQ(options.settings.folder, "/home/u/kept");
    EXPECT_EQ(options.settings.extension, ".tvx");
    EXPECT_EQ(options.settings.format, 0x1000u);
}

TEST_F(SaveOptionsDialogTest, HelpOpensTheSavingOptionsTopic) {
    QStringList anchors;
    context.show_help = [&](const QString& anchor) { anchors << anchor; };
    SaveOptions options = Options(MailFolderUse::SavedMail);
    SaveOptionsDialog dialog(context, options);
    dialog.findChild<QPushButton*>("help")->click();
    EXPECT_EQ(anchors, QStringList({"#saveopt"}));
}

TEST(SaveOptionsOfTest, TakesTheProfileNameAndTheSettingsOfTheUse) {
    Profile profile;
    profile.name = "work";
    profile.savemail_dir = "/saved";
    profile.savemail_ext = ".eml";
    profile.savemail_fmt = 0x1200;
    profile.copyself_dir = "/sent";
    profile.copyself_ext = ".txt";
    profile.copyself_fmt = 0x6500;
    const struct {
        MailFolderUse use;
        const char* folder;
        const char* extension;
        NameFormat format;
    } cases[] = {
        {MailFolderUse::SavedMail, "/saved", ".eml", 0x1200},
        {MailFolderUse::CopyToSelf, "/sent", ".txt", 0x6500},
    };
    for (const auto& c : cases) {
        const SaveOptions options = SaveOptionsOf(profile, c.use);
        EXPECT_EQ(options.profile_name, "work");
        EXPECT_EQ(options.use, c.use);
        EXPECT_EQ(options.settings.folder, c.folder);
        EXPECT_EQ(options.settings.extension, c.extension);
        EXPECT_EQ(options.settings.format, c.format);
    }
}

}  // namespace
}  // namespace tarvox
