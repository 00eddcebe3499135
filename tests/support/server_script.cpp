#include "support/server_script.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <iterator>
#include <mutex>
#include <system_error>

#ifndef TARVOX_SOURCE_DIR
#error "TARVOX_SOURCE_DIR must name the source tree (tests/CMakeLists.txt defines it)"
#endif

namespace tarvox {

namespace {

constexpr const char* kPython = "/usr/bin/python3";
constexpr auto kScriptTimeout = std::chrono::seconds(120);

std::string ExitDescription(int status) {
    if (WIFEXITED(status)) {
        return "exit status " + std::to_string(WEXITSTATUS(status));
    }
    if (WIFSIGNALED(status)) {
        return "signal " + std::to_string(WTERMSIG(status));
    }
    return "status " + std::to_string(status);
}

}  // namespace

bool RunTestServerScript(const std::filesystem::path& script_path,
                         const std::vector<std::string>& arguments, std::string* output,
                         std::string* error) {
    int out_pipe[2];
    int err_pipe[2];
    if (::pipe2(out_pipe, O_CLOEXEC) != 0) {
        *error = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    if (::pipe2(err_pipe, O_CLOEXEC) != 0) {
        *error = std::string("pipe: ") + std::strerror(errno);
        ::close(out_pipe[0]);
        ::close(out_pipe[1]);
        return false;
    }
    std::string script = script_path.string();
    std::vector<std::string> words = {kPython, script};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);

    pid_t child = ::fork();
    if (child == 0) {
        ::dup2(out_pipe[1], STDOUT_FILENO);
        ::dup2(err_pipe[1], STDERR_FILENO);
        int null_fd = ::open("/dev/null", O_RDONLY);
        if (null_fd >= 0) {
            ::dup2(null_fd, STDIN_FILENO);
        }
        ::execv(kPython, argv.data());
        const char message[] = "cannot run /usr/bin/python3\n";
        [[maybe_unused]] ssize_t ignored = ::write(STDERR_FILENO, message, sizeof message - 1);
        ::_exit(127);
    }
    ::close(out_pipe[1]);
    ::close(err_pipe[1]);
    if (child < 0) {
        *error = std::string("fork: ") + std::strerror(errno);
        ::close(out_pipe[0]);
        ::close(err_pipe[0]);
        return false;
    }

    std::string errors;
    pollfd fds[2] = {{out_pipe[0], POLLIN, 0}, {err_pipe[0], POLLIN, 0}};
    std::string* sinks[2] = {output, &errors};
    int open_count = 2;
    bool timed_out = false;
    auto deadline = std::chrono::steady_clock::now() + kScriptTimeout;
    while (open_count > 0) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            timed_out = true;
            ::kill(child, SIGKILL);
            break;
        }
        int ready = ::poll(fds, 2, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready < 0) {
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) {
                continue;
            }
            char buffer[4096];
            ssize_t count = ::read(fds[i].fd, buffer, sizeof buffer);
            if (count > 0) {
                sinks[i]->append(buffer, static_cast<std::size_t>(count));
            } else if (count == 0 || errno != EINTR) {
                ::close(fds[i].fd);
                fds[i].fd = -1;
                --open_count;
            }
        }
    }
    for (pollfd& fd : fds) {
        if (fd.fd >= 0) {
            ::close(fd.fd);
        }
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (timed_out || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        *error = script_path.filename().string() + " " + arguments.front() + " failed (" +
                  (timed_out ? std::string("timed out") : ExitDescription(status)) + ")";
        if (!errors.empty()) {
            *error += ":\n" + errors;
        }
        return false;
    }
    return true;
}

}  // namespace tarvox
