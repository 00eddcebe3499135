// The runner starts the program with posix_spawn and three pipes, then serves
// all three from one poll loop: input is written in pieces whenever the pipe
// has room, and whatever the program writes to either output is taken at
// once. Neither side can then wait on the other.
#include "compose/piped_process.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace tarvox {

namespace {

constexpr std::size_t kChunk = 65536;

// One descriptor, closed once.
class Descriptor {
public:
    Descriptor() = default;
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor() { Close(); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    Descriptor& operator=(Descriptor&& other) noexcept {
        if (this != &other) {
            Close();
            m_fd = other.m_fd;
            other.m_fd = -1;
        }
        return *this;
    }

    int get() const { return m_fd; }
    bool open() const { return m_fd >= 0; }
    void Close() {
        if (m_fd >= 0) {
            ::close(m_fd);
            m_fd = -1;
        }
    }

private:
    int m_fd = -1;
};

struct Pipe {
    Descriptor read_end;
    Descriptor write_end;
};

// A pipe whose ends are all above the standard descriptors, so that placing
// the child's ends on 0, 1 and 2 can never overwrite another of them (the
// caller may have closed its own standard input). Both ends close on exec;
// the child's copies made by dup2 do not.
bool MakePipe(Pipe& pipe) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        return false;
    }
    for (int& fd : fds) {
        if (fd < 3) {
            int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
            ::close(fd);
            fd = moved;
        }
    }
    pipe.read_end = Descriptor(fds[0]);
    pipe.write_end = Descriptor(fds[1]);
    return pipe.read_end.open() && pipe.write_end.open();
}

bool SetNonBlocking(const Descriptor& fd) {
    int flags = ::fcntl(fd.get(), F_GETFL);
    return flags >= 0 && ::fcntl(fd.get(), F_SETFL, flags | O_NONBLOCK) == 0;
}

// Writing to a pipe whose reader has gone raises SIGPIPE, which would end the
// whole program. The signal is blocked in this thread while the input is
// written; one raised by a write here is taken off again before the old mask
// comes back.
class SigpipeBlock {
public:
    SigpipeBlock() {
        sigemptyset(&m_set);
        sigaddset(&m_set, SIGPIPE);
        sigset_t pending;
        sigemptyset(&pending);
        ::sigpending(&pending);
        m_was_pending = sigismember(&pending, SIGPIPE) == 1;
        ::pthread_sigmask(SIG_BLOCK, &m_set, &m_old);
    }
    ~SigpipeBlock() {
        if (m_raised && !m_was_pending) {
            const timespec no_wait{};
            while (::sigtimedwait(&m_set, nullptr, &no_wait) < 0 && errno == EINTR) {
            }
        }
        ::pthread_sigmask(SIG_SETMASK, &m_old, nullptr);
    }
    SigpipeBlock(const SigpipeBlock&) = delete;
    SigpipeBlock& operator=(const SigpipeBlock&) = delete;

    void NoteRaised() { m_raised = true; }

private:
    sigset_t m_set;
    sigset_t m_old;
    bool m_was_pending = false;
    bool m_raised = false;
};

// posix_spawn with the child's pipe ends as its standard descriptors, every
// other descriptor closed, and a clean signal state (a caller that ignores or
// blocks SIGPIPE must not pass that on).
bool Spawn(const std::vector<std::string>& arguments, int input, int output, int error, pid_t& pid) {
    posix_spawn_file_actions_t actions;
    if (::posix_spawn_file_actions_init(&actions) != 0) {
        return false;
    }
    posix_spawnattr_t attributes;
    if (::posix_spawnattr_init(&attributes) != 0) {
        ::posix_spawn_file_actions_destroy(&actions);
        return false;
    }
    bool ready = ::posix_spawn_file_actions_adddup2(&actions, input, STDIN_FILENO) == 0 &&
                 ::posix_spawn_file_actions_adddup2(&actions, output, STDOUT_FILENO) == 0 &&
                 ::posix_spawn_file_actions_adddup2(&actions, error, STDERR_FILENO) == 0;
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
    ready = ready && ::posix_spawn_file_actions_addclosefrom_np(&actions, 3) == 0;
#endif
    sigset_t no_signals;
    sigemptyset(&no_signals);
    sigset_t default_signals;
    sigemptyset(&default_signals);
    sigaddset(&default_signals, SIGPIPE);
    ready = ready && ::posix_spawnattr_setsigmask(&attributes, &no_signals) == 0 &&
            ::posix_spawnattr_setsigdefault(&attributes, &default_signals) == 0 &&
            ::posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF) == 0;

    bool started = false;
    if (ready) {
        std::vector<char*> argv;
        argv.reserve(arguments.size() + 1);
        for (const std::string& argument : arguments) {
            argv.push_back(const_cast<char*>(argument.c_str()));
        }
        argv.push_back(nullptr);
        started = ::posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), environ) == 0;
    }
    ::posix_spawnattr_destroy(&attributes);
    ::posix_spawn_file_actions_destroy(&actions);
    return started;
}

int WaitForExit(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            return -1;
        }
    }
    if (WIFEXITED(status)) {
        return WEXITSTATUS(status);
    }
    if (WIFSIGNALED(status)) {
        return 128 + WTERMSIG(status);
    }
    return -1;
}

// Takes one piece of what is waiting on an output; closes it at end of file
// or on error. One piece per turn keeps a busy output from starving the
// others.
void ReadAvailable(Descriptor& fd, std::string& text) {
    char buffer[kChunk];
    ssize_t n;
    do {
        n = ::read(fd.get(), buffer, sizeof buffer);
    } while (n < 0 && errno == EINTR);
    if (n > 0) {
        text.append(buffer, static_cast<std::size_t>(n));
    } else if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) {
        fd.Close();
    }
}

}  // namespace

std::optional<PipedResult> RunPiped(const std::vector<std::string>& arguments, std::string_view input) {
    // posix_spawn takes a relative path from the current folder, where a file
    // of that name may have been put by anyone who can write there.
    if (arguments.empty() || !arguments.front().starts_with('/')) {
        return std::nullopt;
    }
    Pipe in;
    Pipe out;
    Pipe err;
    if (!MakePipe(in) || !MakePipe(out) || !MakePipe(err)) {
        return std::nullopt;
    }
    pid_t pid = -1;
    if (!Spawn(arguments, in.read_end.get(), out.write_end.get(), err.write_end.get(), pid)) {
        return std::nullopt;
    }
    // Only the child holds its ends now, so its exit closes the outputs.
    in.read_end.Close();
    out.write_end.Close();
    err.write_end.Close();

    PipedResult result;
    bool failed = false;
    {
        SigpipeBlock sigpipe_block;
        if (!SetNonBlocking(in.write_end) || !SetNonBlocking(out.read_end) ||
            !SetNonBlocking(err.read_end)) {
            failed = true;
        }
        std::size_t written = 0;
        if (input.empty()) {
            in.write_end.Close();
        }
        while (!failed && (in.write_end.open() || out.read_end.open() || err.read_end.open())) {
            pollfd polled[3];
            nfds_t count = 0;
            auto watch = [&](const Descriptor& fd, short events) {
                if (fd.open()) {
                    polled[count++] = pollfd{fd.get(), events, 0};
                }
            };
            watch(in.write_end, POLLOUT);
            watch(out.read_end, POLLIN);
            watch(err.read_end, POLLIN);
            if (::poll(polled, count, -1) < 0) {
                if (errno == EINTR) {
                    continue;
                }
                failed = true;
                break;
            }
            for (nfds_t i = 0; i < count; ++i) {
                if (polled[i].revents == 0) {
                    continue;
                }
                if (in.write_end.open() && polled[i].fd == in.write_end.get()) {
                    std::size_t piece = std::min(kChunk, input.size() - written);
                    ssize_t n = ::write(in.write_end.get(), input.data() + written, piece);
                    if (n > 0) {
                        written += static_cast<std::size_t>(n);
                        if (written == input.size()) {
                            in.write_end.Close();  // the child sees end of file
                        }
                    } else if (n < 0 && errno == EPIPE) {
                        // The program stopped reading; what it says about it
                        // still arrives on its outputs.
                        sigpipe_block.NoteRaised();
                        in.write_end.Close();
                    } else if (n < 0 && errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK) {
                        failed = true;
                    }
                } else if (out.read_end.open() && polled[i].fd == out.read_end.get()) {
                    ReadAvailable(out.read_end, result.standard_output);
                } else if (err.read_end.open() && polled[i].fd == err.read_end.get()) {
                    ReadAvailable(err.read_end, result.standard_error);
                }
            }
        }
    }
    // On a failure the program loses its pipes, which ends a well-behaved
    // one; it is still reaped so that no zombie is left behind.
    in.write_end.Close();
    out.read_end.Close();
    err.read_end.Close();
    result.exit_code = WaitForExit(pid);
    if (failed) {
        return std::nullopt;
    }
    return result;
}

}  // namespace tarvox
