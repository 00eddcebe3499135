// Stops the fuzzer with a crash report when a property of the code under test fails.
#pragma once

#include <cstdlib>

namespace tarvox::fuzz {

inline void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

}  // namespace tarvox::fuzz
