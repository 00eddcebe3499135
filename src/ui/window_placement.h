// A window's place kept in the settings as nine integers, in the form
// config/window_rectangle.h gives it. All zero means nothing was stored yet.
#pragma once

#include "config/global_settings.h"

class QWidget;

namespace tarvox {

// Puts the window where `placement` says; nothing when none was stored.
void RestoreWindowPlacement(QWidget& window, const WindowPlacement& placement);

// Stores the window's normal rectangle and whether it is maximised.
void StoreWindowPlacement(const QWidget& window, WindowPlacement& placement);

}  // namespace tarvox
