// One worker thread of a window: it runs a network job off the GUI thread,
// lets no exception out of it, and hands the job's outcome back on the GUI
// thread once the thread is joined. The owner stops it before anything the
// job touches goes away, so no thread outlives what it uses.
#pragma once

#include <QObject>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <thread>

namespace tarvox {

class FrontendServices;

class SessionWorker : public QObject {
public:
    SessionWorker() = default;
    // Waits for a job still running (its owner has normally stopped it).
    ~SessionWorker() override;
    SessionWorker(const SessionWorker&) = delete;
    SessionWorker& operator=(const SessionWorker&) = delete;

    // Runs `work` on a new thread. When it lets out an exception, `failed`
    // runs there after the error box. `ended` runs on the GUI thread after the
    // join, unless Stop came first. One job at a time: the caller checks
    // running() first.
    void Start(FrontendServices& services, std::function<void()> work, std::function<void()> failed,
               std::function<void()> ended);

    // The same for a job with an outcome: `ended` gets what `work` returned,
    // or nothing when it let out an exception.
    template <class Outcome>
    void Run(FrontendServices& services, std::function<Outcome()> work,
             std::function<void()> failed, std::function<void(std::optional<Outcome>)> ended) {
        auto outcome = std::make_shared<std::optional<Outcome>>();
        Start(
            services, [outcome, work = std::move(work)] { *outcome = work(); }, std::move(failed),
            [outcome, ended = std::move(ended)] { ended(*outcome); });
    }

    // A job has started and its thread is not joined yet.
    bool running() const { return m_thread.joinable(); }
    // The job has returned; its thread may still wait to be joined.
    bool finished() const { return m_finished.load(); }

    // Waits for the job and joins it, turning the event loop so that what the
    // job waits for on this thread (a box, a prompt) can run. `abort` runs
    // first when the job has not returned. The job's `ended` is not called.
    void Stop(const std::function<void()>& abort = {});

private:
    void Ended(std::uint64_t job);

    std::thread m_thread;
    std::atomic<bool> m_finished{false};
    // The number of the latest job, so that the notice of a job that Stop
    // has joined is not taken for the next one's.
    std::uint64_t m_job = 0;
    bool m_stopping = false;
    std::function<void()> m_ended;
};

}  // namespace tarvox
