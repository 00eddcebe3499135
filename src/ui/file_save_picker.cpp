#include "ui/file_save_picker.h"

#include <QFileDialog>

namespace tarvox {

QString PickSaveFile(QWidget* parent, const FileSaveRequest& request) {
    QFileDialog dialog(parent, request.title, QString(), request.filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirm_overwrite);
    if (!request.default_suffix.isEmpty()) {
        dialog.setDefaultSuffix(request.default_suffix);
    }
    if (!request.proposed.isEmpty()) {
        dialog.selectFile(request.proposed);
    }
    if (dialog.exec() != QDialog::Accepted) {
        return {};
    }
    const QStringList chosen = dialog.selectedFiles();
    return chosen.isEmpty() ? QString() : chosen.front();
}

}  // namespace tarvox
