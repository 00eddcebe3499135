// Choosing where to write a file. Windows take the picker as a function so
// that tests can answer it without a file dialog.
#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace tarvox {

struct FileSaveRequest {
    QString title;           // empty: the dialog's own title
    QString filter;          // "All Files (*)"; empty: all files
    QString default_suffix;  // added to a typed name that has none
    QString proposed;        // the name (or path) the dialog starts with
    bool confirm_overwrite = true;  // false: an existing file is chosen without a question
};

// Returns the chosen path, or an empty text on Cancel. The picker asks
// before an existing file is replaced, unless the request says otherwise.
using FileSavePicker = std::function<QString(QWidget* parent, const FileSaveRequest& request)>;

// The Qt file dialog in save mode, asking before overwriting.
QString PickSaveFile(QWidget* parent, const FileSaveRequest& request);

}  // namespace tarvox
