#include "config/window_rectangle.h"

#include <gtest/gtest.h>

#include <climits>
#include <tuple>

namespace tarvox {
namespace {

TEST(WindowRectangle, DamagedPlacementsNeitherOverflowNorLeaveEveryScreen) {
    // A main screen and one to its right.
    const WindowRectangle screens[] = {{0, 0, 1920, 1080}, {1920, 0, 1280, 1024}};
    const WindowRectangle corner{0, 0, 800, 600};
    // {what, left, top, right, bottom, rectangle}
    const std::tuple<const char*, int, int, int, int, std::optional<WindowRectangle>> cases[] = {
        {"on the main screen", 10, 20, 810, 620, WindowRectangle{10, 20, 800, 600}},
        {"on the second screen", 2000, 100, 2600, 500, WindowRectangle{2000, 100, 600, 400}},
        {"partly off a screen", -700, -20, 100, 580, WindowRectangle{-700, -20, 800, 600}},
        {"right before left", 500, 20, 10, 620, std::nullopt},
        {"the width overflows int", INT_MIN, 0, INT_MAX, 600, WindowRectangle{0, 0, 3200, 600}},
        {"the difference wraps to positive", INT_MAX, 0, INT_MIN, 600, std::nullopt},
        {"far off to the right", 100000, 50, 100800, 650, corner},
        {"only a sliver left on a screen", 3190, 50, 3990, 650, corner},
    };
    for (const auto& [what, left, top, right, bottom, expected] : cases) {
        const WindowPlacement placement{1, 0, 0, 0, 0, left, top, right, bottom};
        EXPECT_EQ(RectangleFromPlacement(placement, screens), expected) << what;
    }
}

TEST(WindowRectangle, StoredAsShowStateAndCornersLeavingTheRest) {
    WindowPlacement placement{0, 7, 7, 7, 7, 0, 0, 0, 0};
    StoreWindowRectangle(placement, WindowShow::Maximized, {10, 20, 800, 600});
    EXPECT_EQ(placement, (WindowPlacement{3, 7, 7, 7, 7, 10, 20, 810, 620}));
    EXPECT_TRUE(PlacementMaximized(placement));
}

}  // namespace
}  // namespace tarvox
