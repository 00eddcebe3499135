#include "compose/system_random.h"

#include <gtest/gtest.h>

#include <regex>

#include "compose/message_builder.h"

namespace tarvox {
namespace {

// Boundaries and Message-IDs from the kernel's draws: a new one each time (two
// equal ones come once in 2^32 pairs), in the form the builder gives.
TEST(SystemRandomDraw, EachBoundaryAndMessageIdIsNewInItsForm) {
    const std::string boundaries[] = {MakeBoundary(SystemRandomDraw),
                                      MakeBoundary(SystemRandomDraw)};
    const std::string ids[] = {MakeMessageId(1048329210, "desk.example.org", SystemRandomDraw),
                               MakeMessageId(1048329210, "desk.example.org", SystemRandomDraw)};
    EXPECT_NE(boundaries[0], boundaries[1]);
    EXPECT_NE(ids[0], ids[1]);
    for (int i = 0; i < 2; ++i) {
        EXPECT_TRUE(std::regex_match(boundaries[i], std::regex("--=_Boundary-[0-9A-F]{8}")))
            << boundaries[i];
        EXPECT_TRUE(std::regex_match(
            ids[i], std::regex("<tvx\\.[0-9]{14}\\.[0-9a-f]{8}@desk\\.example\\.org>")))
            << ids[i];
    }
}

}  // namespace
}  // namespace tarvox
