// The boundary of a job run on a worker thread: no exception leaves it, so a
// failure inside a job never ends the program.
#pragma once

#include <functional>

namespace tarvox {

class FrontendServices;

// Runs `job` and gives true when it returned. An exception it let out gives
// false after an error box: "Insufficient memory" for a failed allocation,
// the exception's own text for anything else.
bool RunWorkerJob(FrontendServices& services, const std::function<void()>& job);

}  // namespace tarvox
