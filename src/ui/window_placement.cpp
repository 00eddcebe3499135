#include "ui/window_placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <vector>

#include "config/window_rectangle.h"

namespace tarvox {

void RestoreWindowPlacement(QWidget& window, const WindowPlacement& placement) {
    // The main screen first.
    std::vector<WindowRectangle> screens;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect area = screen->availableGeometry();
        const WindowRectangle rectangle{area.left(), area.top(), area.width(), area.height()};
        if (screen == QGuiApplication::primaryScreen()) {
            screens.insert(screens.begin(), rectangle);
        } else {
            screens.push_back(rectangle);
        }
    }
    if (const std::optional<WindowRectangle> rectangle =
            RectangleFromPlacement(placement, screens)) {
        window.setGeometry(rectangle->left, rectangle->top, rectangle->width, rectangle->height);
    }
    if (PlacementMaximized(placement)) {
        window.setWindowState(window.windowState() | Qt::WindowMaximized);
    }
}

void StoreWindowPlacement(const QWidget& window, WindowPlacement& placement) {
    const QRect normal = window.isMaximized() ? window.normalGeometry() : window.geometry();
    StoreWindowRectangle(placement,
                         window.isMaximized() ? WindowShow::Maximized : WindowShow::Normal,
                         {normal.left(), normal.top(), normal.width(), normal.height()});
}

}  // namespace tarvox
