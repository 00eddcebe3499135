// A stored window placement: the show state at 0 and the normal rectangle as
// left, top, right, bottom at 5 to 8. Read back, the rectangle is made safe to
// apply: the values come from a settings file that may be damaged or edited
// by hand.
#pragma once

#include <optional>
#include <span>

#include "config/global_settings.h"

namespace tarvox {

struct WindowRectangle {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;

    bool operator==(const WindowRectangle&) const = default;
};

// The show state as stored.
enum class WindowShow { Normal = 1, Maximized = 3 };

// Records the show state and the normal rectangle; the other values stay.
void StoreWindowRectangle(WindowPlacement& placement, WindowShow show,
                          const WindowRectangle& normal);

// Whether the placement was stored for a maximized window.
bool PlacementMaximized(const WindowPlacement& placement);

// How much of a window must lie on one screen for the user to reach it (its
// whole width or height when it is smaller).
inline constexpr int kReachableWindowPart = 64;

// The rectangle that `placement` (left, top, right, bottom at 5 to 8) gives,
// or nothing when the values make no rectangle (right not beyond left, bottom
// not beyond top). `screens` are the usable areas of the screens, the first
// being the main one. The size is cut to the area all screens span, and a
// rectangle that would not show at least kReachableWindowPart of itself on
// any screen is moved to the main screen's top left corner. The arithmetic
// cannot overflow whatever the values are.
std::optional<WindowRectangle> RectangleFromPlacement(const WindowPlacement& placement,
                                                      std::span<const WindowRectangle> screens);

}  // namespace tarvox
