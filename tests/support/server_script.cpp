#include "support/server_script.h"

#include <signal.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <thread>

#include "support/temp_dir.h"

namespace tarvox {

bool WaitUntilEnded(int pid, int seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < deadline) {
        ::waitpid(pid, nullptr, WNOHANG);
        const std::string stat = ReadWholeFile("/proc/" + std::to_string(pid) + "/stat");
        const std::size_t close = stat.rfind(')');  // "pid (comm) state ..."
        if (close == std::string::npos || stat.compare(close + 2, 1, "Z") == 0) {
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
    std::string pattern =
        (std::filesystem::temp_directory_path() / "tarvox-server-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        m_error = "cannot make a temporary folder from " + pattern + ": " + std::strerror(errno);
        return false;
    }
    m_dir = pattern;
    m_owner = ::getpid();
    return RunCommand("start", arguments) && m_running;
}

// Runs the script through the shell, killed after two minutes, its errors in the folder.
bool ServerScript::RunCommand(const std::string& command,
                              const std::vector<std::string>& arguments) {
    std::string line = "exec </dev/null 2>'" + (m_dir / "script-errors.txt").string() +
                       "' /usr/bin/timeout -s KILL 120 /usr/bin/python3 '" TARVOX_SOURCE_DIR
                       "/scripts/test-servers/" + m_script_name + "' " + command + " --dir '" +
                       m_dir.string() + "'";
    for (const std::string& word : arguments) {
        line += " '" + word + "'";  // no word holds a quote
    }
    std::string output;
    FILE* pipe = ::popen(line.c_str(), "r");
    for (char buffer[4096]; pipe != nullptr && std::fgets(buffer, sizeof buffer, pipe);) {
        output += buffer;
    }
    const int status = pipe != nullptr ? ::pclose(pipe) : -1;
    if (status != 0) {
        m_error = m_script_name + " " + command + " failed (status " + std::to_string(status) +
                  "):\n" + ReadWholeFile(m_dir / "script-errors.txt");
        return false;
    }
    if (output.find('=') == std::string::npos) {
        return true;
    }
    m_description.clear();
    std::istringstream lines(output);
    for (std::string text; std::getline(lines, text);) {
        if (const std::size_t equals = text.find('='); equals != std::string::npos) {
            m_description[text.substr(0, equals)] = text.substr(equals + 1);
        }
    }
    // From here on a server is running, so that Stop() ends it whatever else goes wrong.
    m_running = pid() > 0;
    if (pid() <= 0 || plain_port() == 0 || tls_port() == 0) {
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
        ::kill(pid(), SIGKILL);  // the script failed; leave nothing behind
    }
    // An orphaned server is our child (the subreaper); the script waited for its end.
    WaitUntilEnded(pid(), 2);
}

}  // namespace tarvox
