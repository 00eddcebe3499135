#include "ui/file_open_picker.h"

#include <QFileDialog>

namespace tarvox {

QString PickExistingFile(QWidget* parent, const FileOpenRequest& request) {
    QFileDialog dialog(parent, request.title, request.start, request.filter);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);  // folders are listed to walk through
    if (!request.default_suffix.isEmpty()) {
        dialog.setDefaultSuffix(request.default_suffix);
    }
    if (dialog.exec() != QDialog::Accepted) {
        return {};
    }
    const QStringList chosen = dialog.selectedFiles();
    return chosen.isEmpty() ? QString() : chosen.front();
}

}  // namespace tarvox
