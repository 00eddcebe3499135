#include "ui/window_placement.h"

#include <QWidget>

#include <algorithm>

namespace tarvox {

namespace {

constexpr int kShowMaximized = 3;
constexpr int kShowNormal = 1;

}  // namespace

void RestoreWindowPlacement(QWidget& window, const WindowPlacement& placement) {
    if (std::all_of(placement.begin(), placement.end(), [](int value) { return value == 0; })) {
        return;
    }
    const int width = placement[7] - placement[5];
    const int height = placement[8] - placement[6];
    if (width > 0 && height > 0) {
        window.setGeometry(placement[5], placement[6], width, height);
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
