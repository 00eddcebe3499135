#include "protocols/pop_pipeline.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace tarvox {
namespace {

// Only a server that lists PIPELINING is pipelined, unless TARVOX_POP3_LOCKSTEP=1 forces lock-step.
TEST(UsePipelining, NeedsPipeliningListedAndNoForcedLockStep) {
    ::unsetenv("TARVOX_POP3_LOCKSTEP");
    PopSession session(nullptr);
    session.capabilities = {.top = true, .uidl = true, .stls = true, .sasl = {"PLAIN"}};
    EXPECT_FALSE(UsePipelining(session));
    session.capabilities.pipelining = true;
    EXPECT_TRUE(UsePipelining(session));
    ::setenv("TARVOX_POP3_LOCKSTEP", "1", 1);
    EXPECT_FALSE(UsePipelining(session));
    ::unsetenv("TARVOX_POP3_LOCKSTEP");
}

}  // namespace
}  // namespace tarvox
