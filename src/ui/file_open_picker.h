// Choosing an existing file to open. Windows take the picker as a function so
// that tests can answer it without a file dialog.
#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace tarvox {

struct FileOpenRequest {
    QString title;           // empty: the dialog's own title
    QString filter;          // "Wave audio (*.WAV)"; empty: all files
    QString default_suffix;  // "wav": added to a typed name that has none
    QString start;           // the file or folder the dialog starts at
};

// Returns the chosen path of an existing file, or an empty text on Cancel.
using FileOpenPicker = std::function<QString(QWidget* parent, const FileOpenRequest& request)>;

// The Qt file dialog: the path and the file must exist.
QString PickExistingFile(QWidget* parent, const FileOpenRequest& request);

}  // namespace tarvox
