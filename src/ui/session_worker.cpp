#include "ui/session_worker.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <utility>

#include "frontend/worker_job.h"

namespace tarvox {

SessionWorker::~SessionWorker() {
    Stop();
}

void SessionWorker::Start(FrontendServices& services, std::function<int()> work,
                          std::function<void()> failed, std::function<void(int)> ended) {
    m_ended = std::move(ended);
    m_finished = false;
    const std::uint64_t job = ++m_job;
    m_thread = std::thread(
        [this, &services, job, work = std::move(work), failed = std::move(failed)] {
            int outcome = kWorkerJobFailed;
            if (!RunWorkerJob(services, [&] { outcome = work(); })) {
                if (failed) {
                    failed();
                }
                outcome = kWorkerJobFailed;
            }
            m_finished = true;
            // Posted after the flag is set, so that Stop, waiting for events,
            // wakes up to find it.
            QMetaObject::invokeMethod(
                this, [this, job, outcome] { Ended(job, outcome); }, Qt::QueuedConnection);
        });
}

void SessionWorker::Ended(std::uint64_t job, int outcome) {
    if (m_stopping || job != m_job || !m_thread.joinable()) {
        return;
    }
    m_thread.join();
    // Taken first: it may start the next job.
    std::function<void(int)> ended = std::move(m_ended);
    m_ended = {};
    if (ended) {
        ended(outcome);
    }
}

void SessionWorker::Stop(const std::function<void()>& abort) {
    if (!m_thread.joinable()) {
        return;
    }
    m_stopping = true;
    if (!m_finished.load() && abort) {
        abort();
    }
    while (!m_finished.load()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    m_thread.join();
    m_ended = {};
    m_stopping = false;
}

}  // namespace tarvox
