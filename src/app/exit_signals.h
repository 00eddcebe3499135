// SIGTERM, SIGHUP and SIGINT end the run the way closing the window does. A
// signal handler may do next to nothing safely, so it only writes the signal's
// number into a pipe; the pipe's read end is watched by the event loop of the
// thread that made the watcher, which then calls back in the open, wherever
// the run is (inside a modal window's loop as well).
#pragma once

#include <csignal>
#include <functional>
#include <memory>

class QSocketNotifier;

namespace tarvox {

class ExitSignals {
public:
    // From now on the three signals call `on_signal` with their number. Only
    // one watcher may exist at a time.
    explicit ExitSignals(std::function<void(int signal)> on_signal);
    // Gives the signals back their earlier handling; a signal still waiting
    // in the pipe is dropped.
    ~ExitSignals();
    ExitSignals(const ExitSignals&) = delete;
    ExitSignals& operator=(const ExitSignals&) = delete;

private:
    void Deliver();

    int m_read_end = -1;
    int m_write_end = -1;
    struct sigaction m_previous[3]{};
    std::unique_ptr<QSocketNotifier> m_notifier;
    std::function<void(int signal)> m_on_signal;
};

// Ends the process by `signal`'s default action, so that whoever started the
// program sees which signal ended it.
[[noreturn]] void EndBySignal(int signal);

}  // namespace tarvox
