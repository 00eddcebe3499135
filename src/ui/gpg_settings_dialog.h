// "PGP/GPG settings": where the GnuPG program is (`gpgpath`). OK stores the
// path AcceptGpgPath accepts; on a refusal the dialog stays open.
#pragma once

#include <QDialog>

#include <string>

#include "config/global_settings.h"
#include "frontend/services.h"
#include "ui/file_open_picker.h"

class QLineEdit;

namespace tarvox {

class GpgSettingsDialog : public QDialog {
    Q_OBJECT

public:
    // `settings` and `services` must outlive the dialog.
    GpgSettingsDialog(GlobalSettings& settings, FrontendServices& services,
                      QWidget* parent = nullptr);

    // Replaces the file dialog of "&Browse..." (tests answer it directly).
    void SetFilePicker(FileOpenPicker picker);

    QLineEdit* path_box() const { return m_path; }

    void accept() override;

private:
    void Browse();

    GlobalSettings& m_settings;
    FrontendServices& m_services;
    FileOpenPicker m_picker;
    QLineEdit* m_path = nullptr;
};

}  // namespace tarvox
