#include "frontend/worker_job.h"

#include <exception>
#include <new>

#include "frontend/services.h"

namespace tarvox {

namespace {

void ReportFailure(FrontendServices& services, std::string_view text) {
    try {
        services.ShowMessage(text, "", BoxIcon::Error);
    } catch (...) {
        // Even the box failed: the job still ends as failed, quietly.
    }
}

}  // namespace

bool RunWorkerJob(FrontendServices& services, const std::function<void()>& job) {
    try {
        job();
        return true;
    } catch (const std::bad_alloc&) {
        ReportFailure(services, "Insufficient memory");
    } catch (const std::exception& failure) {
        ReportFailure(services, failure.what());
    } catch (...) {
        ReportFailure(services, "Unknown error");
    }
    return false;
}

}  // namespace tarvox
