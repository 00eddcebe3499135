// Kills a process in the middle of its saves, again and again, to show that
// what it leaves on disk is always whole.
#pragma once

#include <functional>

namespace tarvox {

// Runs `save(0)`, `save(1)`, ... in a child process until the parent kills
// it with SIGKILL after a random wait, `runs` times; after each kill the
// parent calls `check()` (which asserts). The waits spread over about three
// saves, timed once in the parent, so that kills land in every phase of a
// save. TARVOX_CRASH_RUNS replaces `runs` (scripts run thousands).
void CrashLoop(int runs, const std::function<void(long round)>& save,
               const std::function<void()>& check);

}  // namespace tarvox
