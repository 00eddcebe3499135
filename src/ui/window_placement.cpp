#include "ui/window_placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <vector>

#include "config/window_rectangle.h"

namespace tarvox {

namespace {

constexpr int kShowMaximized = 3;
constexpr int kShowNormal = 1;

}  // namespace

void RestoreWindowPlacement(QWidget& window, const WindowPlacement& placement) {
    if (std::all_of(placement.begin(), placement.end(), [](int value) { return value == 0; })) {
        return;
    }
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
    if (placement[0] == kShowMaximized) {
        window.setWindowState(window.windowState() | Qt::WindowMaximized);
    }
}

void StoreWindowPlacement(const QWidget& window, WindowPlacement& placement) {
    const QRect normal = window.isMaximized() ? window.normalGeometry() : window.geometry();
    placement[0] = window.isMaximized() ? kShowMaximized : kShowNormal;
    placement[5] = normal.left();
    placement[6] = normal.top();
    placement[7] = normal.left() + normal.width();
    placement[8] = normal.top() + normal.height();
}

}  // namespace tarvox
