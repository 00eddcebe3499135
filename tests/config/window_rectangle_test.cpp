#include "config/window_rectangle.h"

#include <gtest/gtest.h>

#include <climits>

namespace tarvox {
namespace {

TEST(WindowRectangle, DamagedPlacementsNeitherOverflowNorLeaveEveryScreen) {
    // A main screen and one to its right.
    const WindowRectangle screens[] = {{0, 0, 1920, 1080}, {1920, 0, 1280, 1024}};
    struct Case {
        const char* what;
        WindowPlacement placement;
        std::optional<WindowRectangle> expected;
    };
    const Case cases[] = {
        {"on the main screen", {1, 0, 0, 0, 0, 10, 20, 810, 620}, WindowRectangle{10, 20, 800, 600}},
        {"on the second screen", {1, 0, 0, 0, 0, 2000, 100, 2600, 500},
         WindowRectangle{2000, 100, 600, 400}},
        {"partly off a screen", {1, 0, 0, 0, 0, -700, -20, 100, 580},
         WindowRectangle{-700, -20, 800, 600}},
        {"right before left", {1, 0, 0, 0, 0, 500, 20, 10, 620}, std::nullopt},
        {"the width overflows int", {1, 0, 0, 0, 0, INT_MIN, 0, INT_MAX, 600},
         WindowRectangle{0, 0, 3200, 600}},
        {"the difference wraps to positive", {1, 0, 0, 0, 0, INT_MAX, 0, INT_MIN, 600},
         std::nullopt},
        {"far off to the right", {1, 0, 0, 0, 0, 100000, 50, 100800, 650},
         WindowRectangle{0, 0, 800, 600}},
        {"only a sliver left on screen", {1, 0, 0, 0, 0, 3190, 50, 3990, 650},
         WindowRectangle{0, 0, 800, 600}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RectangleFromPlacement(c.placement, screens), c.expected) << c.what;
    }
}

}  // namespace
}  // namespace tarvox
