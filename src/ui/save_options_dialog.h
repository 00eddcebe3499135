// The options of saved mail file names: the four parts of the name format,
// the extension and the folder, with a live preview of the name a sample
// message would get. The save-mail dialog opens it on a profile's saving
// settings, the composer on its copy-to-self settings.
#pragma once

#include <QDialog>

#include <array>
#include <cstddef>
#include <string>

#include "config/profile.h"
#include "message/mail_file_name.h"
#include "ui/folder_picker.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tarvox {

struct AppContext;

inline constexpr const char* kSaveFolderPickerTitle = "Where do you want to save e-mails?";

// What the dialog edits: the settings of one use of one profile. The use
// chooses the default format that stands for a stored 0 and the default
// folder shown when the folder is empty.
struct SaveOptions {
    std::string profile_name;
    MailSaveSettings settings;
    MailFolderUse use = MailFolderUse::SavedMail;
};

SaveOptions SaveOptionsOf(const Profile& profile, MailFolderUse use);

class SaveOptionsDialog : public QDialog {
    Q_OBJECT

public:
    // `options` must outlive the dialog. OK stores the folder (empty when the
    // default folder is chosen), the extension and the format in it and ends
    // with 1; Cancel ends with 0 and leaves it as it was.
    SaveOptionsDialog(AppContext& context, SaveOptions& options, QWidget* parent = nullptr);

    // Replaces the folder dialog of Browse (tests answer it directly).
    void SetFolderPicker(FolderPicker picker);

    // The format the four lists make now.
    NameFormat format() const;

    // The list of the name's part `place`, 0 to 3.
    QComboBox* part_list(std::size_t place) const { return m_parts.at(place); }
    QLineEdit* extension_box() const { return m_extension; }
    QLineEdit* folder_box() const { return m_folder; }
    QCheckBox* default_folder_box() const { return m_default_folder; }
    QPushButton* browse_button() const { return m_browse; }
    QLabel* preview() const { return m_preview; }

    void Browse();
    void accept() override;

private:
    void UseDefaultFolder(bool use_default);
    void UpdatePreview();

    AppContext& m_context;
    SaveOptions& m_options;
    FolderPicker m_picker;
    std::array<QComboBox*, 4> m_parts{};
    QLineEdit* m_extension = nullptr;
    QLineEdit* m_folder = nullptr;
    QCheckBox* m_default_folder = nullptr;
    QPushButton* m_browse = nullptr;
    QLabel* m_preview = nullptr;
    // The folder typed before the default box was checked, given back when it
    // is unchecked again.
    QString m_own_folder;
};

}  // namespace tarvox
