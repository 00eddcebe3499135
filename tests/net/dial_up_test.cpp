#include "net/dial_up.h"

#include <gtest/gtest.h>
#include <net/if.h>

namespace tarvox {
namespace {

TEST(IsDialUpInterface, PointToPointLinksThatAreUp) {
    struct Case {
        const char* name;
        unsigned flags;
        bool dial_up;
    } const cases[] = {
        {"ppp0", IFF_UP | IFF_POINTOPOINT | IFF_RUNNING, true},
        {"ppp0", IFF_POINTOPOINT, false},  // configured but down
        {"wwan0", IFF_UP | IFF_RUNNING, true},
        {"wwp0s20f0u6", IFF_UP, true},
        {"eth0", IFF_UP | IFF_BROADCAST | IFF_RUNNING, false},
        {"wlan0", IFF_UP | IFF_BROADCAST, false},
        {"lo", IFF_UP | IFF_LOOPBACK | IFF_RUNNING, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsDialUpInterface(c.name, c.flags), c.dial_up) << c.name << " " << c.flags;
    }
}

}  // namespace
}  // namespace tarvox
