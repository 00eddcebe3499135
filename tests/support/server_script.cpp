#include "support/server_script.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

#ifndef TARVOX_SOURCE_DIR
#error "TARVOX_SOURCE_DIR must name the source tree (tests/CMakeLists.txt defines it)"
#endif

namespace tarvox {
namespace {

constexpr const char* kPython = "/usr/bin/python3";
constexpr auto kScriptTimeout = std::chrono::seconds(120);

// Runs `python3 script arguments...` with standard input from /dev/null and both outputs
// collected, killed after kScriptTimeout. True when it exits with 0; otherwise false with the
// reason and its standard error in `error`.
bool RunPython(const std::vector<std::string>& words, std::string* output, std::string* error) {
    int pipes[2][2];
    if (::pipe2(pipes[0], O_CLOEXEC) != 0 || ::pipe2(pipes[1], O_CLOEXEC) != 0) {
        *error = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    std::vector<char*> argv;
    for (const std::string& word : words) {
        argv.push_back(const_cast<char*>(word.c_str()));
    }
    argv.push_back(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(pipes[0][1], STDOUT_FILENO);
        ::dup2(pipes[1][1], STDERR_FILENO);
        const int null_fd = ::open("/dev/null", O_RDONLY);
        ::dup2(null_fd, STDIN_FILENO);
        ::execv(kPython, argv.data());
        ::_exit(127);
    }
    std::string errors;
    std::string* sinks[2] = {output, &errors};
    pollfd fds[2] = {{pipes[0][0], POLLIN, 0}, {pipes[1][0], POLLIN, 0}};
    ::close(pipes[0][1]);
    ::close(pipes[1][1]);
    const auto deadline = std::chrono::steady_clock::now() + kScriptTimeout;
    bool timed_out = false;
    while (child > 0 && (fds[0].fd >= 0 || fds[1].fd >= 0)) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            timed_out = true;
            ::kill(child, SIGKILL);
            break;
        }
        if (::poll(fds, 2, static_cast<int>(left.count())) < 0 && errno != EINTR) {
            break;
        }
        for (int i = 0; i < 2; ++i) {
            char buffer[4096];
            const ssize_t count = fds[i].revents != 0 ? ::read(fds[i].fd, buffer, sizeof buffer) : -1;
            if (count > 0) {
                sinks[i]->append(buffer, static_cast<std::size_t>(count));
            } else if (fds[i].revents != 0 && (count == 0 || errno != EINTR)) {
                ::close(fds[i].fd);
                fds[i].fd = -1;
            }
        }
    }
    for (const pollfd& fd : fds) {
        if (fd.fd >= 0) {
            ::close(fd.fd);
        }
    }
    int status = 0;
    while (child > 0 && ::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (child > 0 && !timed_out && WIFEXITED(status) && WEXITSTATUS(status) == 0) {
        return true;
    }
    *error = words[1] + " " + words[2] + " failed (" +
             (child < 0 ? "fork failed" : timed_out ? "timed out" : "status " + std::to_string(status)) +
             ")" + (errors.empty() ? "" : ":\n" + errors);
    return false;
}

}  // namespace

bool WaitUntilEnded(int pid, int seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < deadline) {
        ::waitpid(pid, nullptr, WNOHANG);
        std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
        std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
        const std::size_t close = text.rfind(')');
        if (close == std::string::npos || text.compare(close + 2, 1, "Z") == 0) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

ServerScript::~ServerScript() {
    Stop();
    if (!m_dir.empty() && ::getpid() == m_owner) {
        std::error_code error;
        std::filesystem::remove_all(m_dir, error);
    }
}

bool ServerScript::StartScript(const std::vector<std::string>& arguments) {
    Stop();
    std::error_code ignored;
    std::filesystem::remove_all(m_dir, ignored);
    static const int subreaper = ::prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0);
    (void)subreaper;
    std::string pattern = (std::filesystem::temp_directory_path() / "tarvox-server-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        m_error = "cannot make a temporary folder from " + pattern + ": " + std::strerror(errno);
        return false;
    }
    m_dir = pattern;
    m_owner = ::getpid();
    return RunCommand("start", arguments) && m_running;
}

bool ServerScript::RunCommand(const std::string& command,
                              const std::vector<std::string>& arguments) {
    std::vector<std::string> words = {
        kPython, std::string(TARVOX_SOURCE_DIR) + "/scripts/test-servers/" + m_script_name,
        command, "--dir", m_dir.string()};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::string output;
    const bool done = RunPython(words, &output, &m_error);
    return (done && output.find('=') == std::string::npos) || (done && TakeDescription(output));
}

bool ServerScript::TakeDescription(const std::string& output) {
    m_description.clear();
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
        if (const std::size_t equals = line.find('='); equals != std::string::npos) {
            m_description[line.substr(0, equals)] = line.substr(equals + 1);
        }
    }
    m_pid = std::atoi(Value("pid").c_str());
    m_plain_port = static_cast<std::uint16_t>(std::atoi(Value("plain_port").c_str()));
    m_tls_port = static_cast<std::uint16_t>(std::atoi(Value("tls_port").c_str()));
    // From here on a server is running, so that Stop() ends it whatever else goes wrong.
    m_running = m_pid > 0;
    if (m_pid <= 0 || m_plain_port == 0 || m_tls_port == 0) {
        m_error = m_script_name + " described no pid or ports: " + output;
        Stop();
        return false;
    }
    return true;
}

const std::string& ServerScript::Value(std::string_view key) const {
    static const std::string kNone;
    const auto found = m_description.find(key);
    return found == m_description.end() ? kNone : found->second;
}

void ServerScript::Stop() {
    if (!m_running || ::getpid() != m_owner) {
        return;
    }
    m_running = false;
    if (!RunCommand("stop", {})) {
        ::kill(m_pid, SIGKILL);  // the script failed; leave nothing behind
    }
    // An orphaned server is our child (the subreaper); the script waited for its end.
    WaitUntilEnded(m_pid, 2);
}

}  // namespace tarvox
