// Only the loopback address is looked up for real; nothing leaves the machine.
#include "net/reverse_lookup.h"

#include <gtest/gtest.h>

namespace tarvox {
namespace {

TEST(LookupHostName, OnlyAnAddressHasAName) {
    const std::string name = LookupHostName("127.0.0.1");
    EXPECT_FALSE(name.empty() || name == "127.0.0.1");
    // Refused before the resolver is asked.
    for (const char* text : {"", "localhost", "127.0.0", "127.0.0.1 ", "::1", "256.0.0.1"}) {
        EXPECT_EQ(LookupHostName(text), "") << text;
    }
}

}  // namespace
}  // namespace tarvox
