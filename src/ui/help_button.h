// The Help button of a dialog: opens the help page at the dialog's anchor
// through the application context, and does nothing while no help viewer is
// set.
#pragma once

#include <QString>

class QDialogButtonBox;
class QPushButton;

namespace tarvox {

struct AppContext;

// Adds the button (object name "help") to the box; `context` must outlive it.
QPushButton* AddHelpButton(QDialogButtonBox* buttons, const QString& text, AppContext& context,
                           const QString& anchor);

}  // namespace tarvox
