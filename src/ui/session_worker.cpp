#include "ui/session_worker.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <utility>

#include "frontend/worker_job.h"

namespace tarvox {

SessionWorker::~SessionWorker() {
    Stop();
}

void SessionWorker::Start(FrontendServices& services, std::function<void()> work,
                          std::function<void()> failed, std::function<void()> ended) {
    m_ended = std::move(ended);
    m_finished = false;
    const std::uint64_t job = ++m_job;
    m_thread =
        std::thread([this, &services, job, work = std::move(work), failed = std::move(failed)] {
            if (!RunWorkerJob(services, work) && failed) {
                failed();
            }
            m_finished = true;
            // Posted after the flag is set, so that Stop, waiting for events,
            // wakes up to find it.
            QMetaObject::invokeMethod(
                this, [this, job] { Ended(job); }, Qt::QueuedConnection);
        });
}

void SessionWorker::Ended(std::uint64_t job) {
    if (m_stopping || job != m_job || !m_thread.joinable()) {
        return;
    }
    m_thread.join();
    // Taken first: it may start the next job.
    std::function<void()> ended = std::move(m_ended);
    m_ended = {};
    if (ended) {
        ended();
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
