#include "ui/gpg_settings_dialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <utility>

#include "compose/gpg_function.h"
#include "config/settings_text.h"
#include "ui/qt_text.h"

namespace tarvox {

GpgSettingsDialog::GpgSettingsDialog(GlobalSettings& settings, FrontendServices& services,
                                     QWidget* parent)
    : QDialog(parent), m_settings(settings), m_services(services), m_picker(PickExistingFile) {
    setWindowTitle("PGP/GPG settings");
    auto* layout = new QGridLayout(this);

    layout->addWidget(new QLabel("Location of GPG.EXE", this), 0, 0, 1, 2);
    m_path = new QLineEdit(ToQString(settings.gpgpath), this);
    m_path->setObjectName("gpgPath");
    m_path->setMaxLength(static_cast<int>(kMaxStoredTextLength));
    m_path->setMinimumWidth(360);
    layout->addWidget(m_path, 1, 0);
    auto* browse = new QPushButton("&Browse...", this);
    browse->setObjectName("browse");
    browse->setAutoDefault(false);
    connect(browse, &QPushButton::clicked, this, &GpgSettingsDialog::Browse);
    layout->addWidget(browse, 1, 1);

    auto* notes = new QLabel(
        "Give the full path of the GnuPG program (for example /usr/bin/gpg); it signs and "
        "encrypts the mail you write. Leave the box empty to turn GnuPG support off.",
        this);
    notes->setWordWrap(true);
    layout->addWidget(notes, 2, 0, 1, 2);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName("ok");
    buttons->button(QDialogButtonBox::Cancel)->setObjectName("cancel");
    connect(buttons, &QDialogButtonBox::accepted, this, &GpgSettingsDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &GpgSettingsDialog::reject);
    layout->addWidget(buttons, 3, 0, 1, 2);
}

void GpgSettingsDialog::SetFilePicker(FileOpenPicker picker) {
    m_picker = std::move(picker);
}

void GpgSettingsDialog::Browse() {
    FileOpenRequest request;
    request.title = "Select GnuPG executable, GPG.EXE";
    request.start = m_path->text();
    const QString chosen = m_picker(this, request);
    if (!chosen.isEmpty()) {
        m_path->setText(chosen);
    }
}

void GpgSettingsDialog::accept() {
    // The path is checked in the form in which it is stored.
    const std::string path = StoredPrefix(FromQString(m_path->text()), kMaxStoredTextLength);
    if (!AcceptGpgPath(path, m_services)) {
        m_path->setFocus();
        return;
    }
    m_settings.gpgpath = path;
    QDialog::accept();
}

}  // namespace tarvox
