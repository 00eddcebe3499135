#include "ui/save_options_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <utility>

#include "ui/app_context.h"
#include "ui/help_button.h"
#include "ui/page_fields.h"
#include "ui/qt_text.h"

namespace tarvox {

SaveOptions SaveOptionsOf(const Profile& profile, MailFolderUse use) {
    return SaveOptions{profile.name, MailSaveSettingsOf(profile, use), use};
}

SaveOptionsDialog::SaveOptionsDialog(AppContext& context, SaveOptions& options, QWidget* parent)
    : QDialog(parent), m_context(context), m_options(options), m_picker(PickExistingFolder) {
    setObjectName(QStringLiteral("saveOptions"));
    setWindowTitle(tr("Saving options"));
    auto* layout = new QGridLayout(this);

    // A stored 0 stands for the default format of the use.
    const NameFormat format = ResolveNameFormat(m_options.settings.format, m_options.use);
    auto* parts_row = new QHBoxLayout;
    for (std::size_t place = 0; place < m_parts.size(); ++place) {
        auto* list = new QComboBox(this);
        list->setObjectName(QStringLiteral("part%1").arg(place + 1));
        for (std::string_view text : kNameSelectorTexts) {
            list->addItem(ToQString(text));
        }
        list->setCurrentIndex(static_cast<int>(NameFormatSelector(format, place)));
        connect(list, &QComboBox::currentIndexChanged, this, &SaveOptionsDialog::UpdatePreview);
        parts_row->addWidget(list);
        m_parts[place] = list;
    }
    layout->addWidget(new QLabel(tr("File name:"), this), 0, 0);
    layout->addLayout(parts_row, 0, 1, 1, 2);

    m_extension = MakeTextBox("extension", this);
    SetText(m_extension, m_options.settings.extension);
    connect(m_extension, &QLineEdit::textChanged, this, &SaveOptionsDialog::UpdatePreview);
    auto* extension_label = new QLabel(tr("&Extension:"), this);
    extension_label->setBuddy(m_extension);
    layout->addWidget(extension_label, 1, 0);
    layout->addWidget(m_extension, 1, 1, 1, 2);

    m_folder = MakeTextBox("folder", this);
    m_folder->setMinimumWidth(360);
    m_browse = new QPushButton(tr("&Browse..."), this);
    m_browse->setObjectName(QStringLiteral("browse"));
    m_browse->setAutoDefault(false);
    connect(m_browse, &QPushButton::clicked, this, &SaveOptionsDialog::Browse);
    layout->addWidget(new QLabel(tr("Folder:"), this), 2, 0);
    layout->addWidget(m_folder, 2, 1);
    layout->addWidget(m_browse, 2, 2);
    m_default_folder = MakeCheck(tr("Use the &default folder"), "defaultFolder", this);
    layout->addWidget(m_default_folder, 3, 1, 1, 2);

    m_preview = new QLabel(this);
    m_preview->setObjectName(QStringLiteral("preview"));
    m_preview->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(new QLabel(tr("Preview:"), this), 4, 0);
    layout->addWidget(m_preview, 4, 1, 1, 2);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("ok"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cancel"));
    AddHelpButton(buttons, tr("&Help"), m_context, QStringLiteral("#saveopt"));
    connect(buttons, &QDialogButtonBox::accepted, this, &SaveOptionsDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &SaveOptionsDialog::reject);
    layout->addWidget(buttons, 5, 0, 1, 3);

    const bool use_default = m_options.settings.folder.empty();
    if (!use_default) {
        SetText(m_folder, m_options.settings.folder);
    }
    m_default_folder->setChecked(use_default);
    UseDefaultFolder(use_default);
    connect(m_default_folder, &QCheckBox::toggled, this, &SaveOptionsDialog::UseDefaultFolder);
    UpdatePreview();
}

void SaveOptionsDialog::SetFolderPicker(FolderPicker picker) {
    m_picker = std::move(picker);
}

NameFormat SaveOptionsDialog::format() const {
    std::array<NameSelector, 4> selectors{};
    for (std::size_t place = 0; place < m_parts.size(); ++place) {
        selectors[place] = static_cast<NameSelector>(m_parts[place]->currentIndex());
    }
    return MakeNameFormat(selectors);
}

void SaveOptionsDialog::UseDefaultFolder(bool use_default) {
    if (use_default) {
        if (!m_folder->isReadOnly()) {
            m_own_folder = m_folder->text();
        }
        SetText(m_folder, DefaultMailFolder(m_context.paths.mail_folder_root,
                                            m_options.profile_name, m_options.use));
    } else if (!m_own_folder.isEmpty()) {
        m_folder->setText(m_own_folder);
    }
    m_folder->setReadOnly(use_default);
    m_browse->setEnabled(!use_default);
}

void SaveOptionsDialog::UpdatePreview() {
    m_preview->setText(
        ToQString(NameFormatPreview(format(), m_options.profile_name, ReadText(m_extension))));
}

void SaveOptionsDialog::Browse() {
    const QString chosen =
        m_picker(this, QString::fromLatin1(kSaveFolderPickerTitle), m_folder->text());
    if (!chosen.isEmpty()) {
        m_folder->setText(chosen);
    }
}

void SaveOptionsDialog::accept() {
    m_options.settings.folder = m_default_folder->isChecked() ? std::string() : ReadText(m_folder);
    m_options.settings.extension = ReadText(m_extension);
    m_options.settings.format = format();
    QDialog::accept();
}

}  // namespace tarvox
