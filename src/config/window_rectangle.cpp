#include "config/window_rectangle.h"

#include <algorithm>
#include <cstdint>

namespace tarvox {

namespace {

// How far two spans [a, a + a_length) and [b, b + b_length) overlap.
std::int64_t Overlap(std::int64_t a, std::int64_t a_length, std::int64_t b, std::int64_t b_length) {
    return std::max<std::int64_t>(0, std::min(a + a_length, b + b_length) - std::max(a, b));
}

bool Reachable(const WindowRectangle& window, const WindowRectangle& screen) {
    return Overlap(window.left, window.width, screen.left, screen.width) >=
               std::min(window.width, kReachableWindowPart) &&
           Overlap(window.top, window.height, screen.top, screen.height) >=
               std::min(window.height, kReachableWindowPart);
}

}  // namespace

std::optional<WindowRectangle> RectangleFromPlacement(const WindowPlacement& placement,
                                                      std::span<const WindowRectangle> screens) {
    const std::int64_t width = std::int64_t{placement[7]} - placement[5];
    const std::int64_t height = std::int64_t{placement[8]} - placement[6];
    if (width <= 0 || height <= 0) {
        return std::nullopt;
    }
    // A width or height beyond int stays within it once cut to the screens.
    WindowRectangle window{placement[5], placement[6],
                           static_cast<int>(std::min<std::int64_t>(width, INT32_MAX)),
                           static_cast<int>(std::min<std::int64_t>(height, INT32_MAX))};
    if (screens.empty()) {
        return window;
    }
    std::int64_t left = screens[0].left;
    std::int64_t top = screens[0].top;
    std::int64_t right = left + screens[0].width;
    std::int64_t bottom = top + screens[0].height;
    for (const WindowRectangle& screen : screens) {
        left = std::min<std::int64_t>(left, screen.left);
        top = std::min<std::int64_t>(top, screen.top);
        right = std::max<std::int64_t>(right, std::int64_t{screen.left} + screen.width);
        bottom = std::max<std::int64_t>(bottom, std::int64_t{screen.top} + screen.height);
    }
    window.width = static_cast<int>(std::min<std::int64_t>(window.width, right - left));
    window.height = static_cast<int>(std::min<std::int64_t>(window.height, bottom - top));
    if (std::none_of(screens.begin(), screens.end(),
                     [&](const WindowRectangle& screen) { return Reachable(window, screen); })) {
        window.left = screens[0].left;
        window.top = screens[0].top;
    }
    return window;
}

void StoreWindowRectangle(WindowPlacement& placement, WindowShow show,
                          const WindowRectangle& normal) {
    placement[0] = static_cast<int>(show);
    placement[5] = normal.left;
    placement[6] = normal.top;
    placement[7] = normal.left + normal.width;
    placement[8] = normal.top + normal.height;
}

bool PlacementMaximized(const WindowPlacement& placement) {
    return placement[0] == static_cast<int>(WindowShow::Maximized);
}

}  // namespace tarvox
