#include "support/crash_loop.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <random>

namespace tarvox {

void CrashLoop(int runs, const std::function<void(long round)>& save,
               const std::function<void()>& check) {
    if (const char* wanted = std::getenv("TARVOX_CRASH_RUNS")) {
        runs = std::atoi(wanted);
    }
    const auto started = std::chrono::steady_clock::now();
    save(0);
    const auto one_save = std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::steady_clock::now() - started);
    std::mt19937 random(20261208);
    std::uniform_int_distribution<long> wait_us(0, std::max(200L, 3 * one_save.count()));
    for (int run = 0; run < runs; ++run) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (long round = 1;; ++round) {
                save(round);
            }
        }
        ::usleep(static_cast<useconds_t>(wait_us(random)));
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the saving child ended by itself";
        SCOPED_TRACE("after kill " + std::to_string(run + 1));
        check();
        if (testing::Test::HasFatalFailure() || testing::Test::HasNonfatalFailure()) {
            return;
        }
    }
}

}  // namespace tarvox
