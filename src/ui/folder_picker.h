// Choosing a folder. Windows take the picker as a function so that tests can
// answer it without a folder dialog.
#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace tarvox {

// Returns the chosen folder, or an empty text on Cancel.
using FolderPicker =
    std::function<QString(QWidget* parent, const QString& title, const QString& start)>;

// The Qt folder dialog, starting at `start`; only folders are listed.
QString PickExistingFolder(QWidget* parent, const QString& title, const QString& start);

}  // namespace tarvox
