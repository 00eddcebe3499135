#include "ui/folder_picker.h"

#include <QFileDialog>

namespace tarvox {

QString PickExistingFolder(QWidget* parent, const QString& title, const QString& start) {
    return QFileDialog::getExistingDirectory(parent, title, start, QFileDialog::ShowDirsOnly);
}

}  // namespace tarvox
