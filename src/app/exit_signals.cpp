#include "app/exit_signals.h"

#include <QSocketNotifier>

#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>

namespace tarvox {

namespace {

constexpr int kExitSignals[] = {SIGTERM, SIGHUP, SIGINT};

// The handler can reach the pipe only through a global; a lock-free atomic is
// safe to read inside it.
std::atomic<int> g_signal_pipe{-1};

void WriteSignalToPipe(int signal) {
    const int saved_errno = errno;
    const int fd = g_signal_pipe.load();
    if (fd >= 0) {
        const unsigned char number = static_cast<unsigned char>(signal);
        // A full pipe already holds a signal that ends the run.
        [[maybe_unused]] ssize_t written = ::write(fd, &number, 1);
    }
    errno = saved_errno;
}

}  // namespace

ExitSignals::ExitSignals(std::function<void(int signal)> on_signal)
    : m_on_signal(std::move(on_signal)) {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) {
        return;  // signals then keep their default action
    }
    m_read_end = ends[0];
    m_write_end = ends[1];
    m_notifier = std::make_unique<QSocketNotifier>(m_read_end, QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(),
                     [this] { Deliver(); });
    g_signal_pipe.store(m_write_end);

    struct sigaction action {};
    action.sa_handler = WriteSignalToPipe;
    sigemptyset(&action.sa_mask);
    // Interrupted reads and writes elsewhere simply go on.
    action.sa_flags = SA_RESTART;
    for (int i = 0; i < 3; ++i) {
        ::sigaction(kExitSignals[i], &action, &m_previous[i]);
    }
}

ExitSignals::~ExitSignals() {
    if (m_read_end < 0) {
        return;
    }
    for (int i = 0; i < 3; ++i) {
        ::sigaction(kExitSignals[i], &m_previous[i], nullptr);
    }
    g_signal_pipe.store(-1);
    m_notifier.reset();
    ::close(m_read_end);
    ::close(m_write_end);
}

void ExitSignals::Deliver() {
    unsigned char number = 0;
    if (::read(m_read_end, &number, 1) == 1 && m_on_signal) {
        m_on_signal(number);
    }
}

void EndBySignal(int signal) {
    std::signal(signal, SIG_DFL);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signal);
    ::pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
    std::raise(signal);
    std::_Exit(128 + signal);
}

}  // namespace tarvox
