#include "support/dovecot_server.h"
#include "support/server_script.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/stat.h>
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
#include <thread>

#ifndef TARVOX_SOURCE_DIR
#error "TARVOX_SOURCE_DIR must name the source tree (tests/CMakeLists.txt defines it)"
#endif

namespace tarvox {
DovecotServer::~DovecotServer() {
    Stop();
    if (!m_dir.empty()) {
        std::error_code error;
        std::filesystem::remove_all(m_dir, error);
    }
}

bool DovecotServer::Start(int message_count, std::string_view cert_cn) {
    if (!m_dir.empty()) {
        m_error = "this DovecotServer was started before";
        return false;
    }
    BecomeSubreaperOnce();
    std::string pattern =
        (std::filesystem::temp_directory_path() / "tarvox-dovecot-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        m_error = "cannot make a temporary folder from " + pattern + ": " + std::strerror(errno);
        return false;
    }
    m_dir = pattern;
    std::string output;
    if (!RunScript({"start", "--dir", m_dir.string(), "--messages", std::to_string(message_count),
                    "--cert-cn", std::string(cert_cn)},
                   &output)) {
        return false;
    }
    return TakeDescription(output);
}

bool DovecotServer::RestartWithNewCertificate() {
    if (!m_running) {
        m_error = "the server is not running";
        return false;
    }
    int old_pid = m_pid;
    std::string output;
    bool done = RunScript({"restart-with-new-certificate", "--dir", m_dir.string()}, &output);
    ReapMaster(old_pid);
    if (!done) {
        m_running = false;
        return false;
    }
    return TakeDescription(output);
}

void DovecotServer::Stop() {
    if (!m_running) {
        return;
    }
    m_running = false;
    std::string output;
    if (!RunScript({"stop", "--dir", m_dir.string()}, &output) && m_pid > 0) {
        // The script failed; do not leave Dovecot's master behind.
        ::kill(m_pid, SIGKILL);
    }
    ReapMaster(m_pid);
}

void DovecotServer::ReapMaster(int pid) {
    if (pid <= 0) {
        return;
    }
    // The master is our child only when it was orphaned to us (see BecomeSubreaperOnce); the
    // script has already waited until it ended, so this does not block for long.
    for (int attempt = 0; attempt < 200; ++attempt) {
        pid_t reaped = ::waitpid(pid, nullptr, WNOHANG);
        if (reaped == pid || (reaped < 0 && errno != EINTR)) {
            return;
        }
        ::usleep(10 * 1000);
    }
}

bool DovecotServer::RunScript(const std::vector<std::string>& arguments, std::string* output) {
    return RunTestServerScript(TestServerScriptPath("dovecot_server.py"), arguments, output,
                               &m_error);
}

bool DovecotServer::TakeDescription(const std::string& output) {
    // The description is the last line the script printed.
    const std::string line = LastOutputLine(output);
    ScriptJsonObject values;
    if (!ReadScriptJson(line, &values)) {
        m_error = "dovecot_server.py printed no JSON description: " + output;
        return false;
    }
    // From here on a server is running, so that Stop() ends it whatever else goes wrong.
    m_running = true;
    unsigned long long pid = 0;
    if (ParseScriptNumber(values["pid"].text, 1u << 30, &pid)) {
        m_pid = static_cast<int>(pid);
    }
    if (m_pid <= 0 || !ParseScriptPort(values["plain_port"], &m_plain_port) ||
        !ParseScriptPort(values["tls_port"], &m_tls_port)) {
        m_error = "dovecot_server.py described no ports or pid: " + line;
        Stop();
        return false;
    }
    m_fingerprint = values["fingerprint_sha1"].text;
    m_cert_file = values["cert_file"].text;
    m_log_file = values["log_file"].text;
    m_passwords.clear();
    m_maildirs.clear();
    for (const auto& [key, value] : values) {
        if (key.starts_with("users.")) {
            m_passwords[key.substr(6)] = value.text;
        } else if (key.starts_with("maildir.")) {
            m_maildirs[key.substr(8)] = value.text;
        }
    }
    return true;
}

std::string DovecotServer::password(std::string_view user) const {
    auto found = m_passwords.find(user);
    return found == m_passwords.end() ? std::string() : found->second;
}

std::filesystem::path DovecotServer::maildir(std::string_view user) const {
    auto found = m_maildirs.find(user);
    return found == m_maildirs.end() ? std::filesystem::path() : found->second;
}

std::vector<std::filesystem::path> DovecotServer::MessageFiles(std::string_view user) const {
    std::vector<std::filesystem::path> files;
    std::filesystem::path folder = maildir(user);
    if (folder.empty()) {
        return files;
    }
    for (const char* sub : {"new", "cur"}) {
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(folder / sub, error)) {
            if (entry.is_regular_file()) {
                files.push_back(entry.path());
            }
        }
    }
    std::sort(files.begin(), files.end(),
              [](const std::filesystem::path& left, const std::filesystem::path& right) {
                  return left.filename() < right.filename();
              });
    return files;
}

bool DovecotServer::AddMessage(std::string_view user, std::string_view name,
                               std::string_view text) const {
    const std::filesystem::path folder = maildir(user);
    struct stat owner {};
    if (folder.empty() || ::stat(folder.c_str(), &owner) != 0) {
        return false;
    }
    const std::filesystem::path temporary = folder / "tmp" / name;
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        if (!out.flush()) {
            return false;
        }
    }
    if (::chown(temporary.c_str(), owner.st_uid, owner.st_gid) != 0 && ::geteuid() == 0) {
        return false;
    }
    std::error_code error;
    std::filesystem::rename(temporary, folder / "new" / name, error);
    return !error;
}

std::string DovecotServer::WaitForLogLine(std::string_view text, int seconds) const {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    for (;;) {
        std::ifstream in(m_log_file);
        std::string line;
        while (std::getline(in, line)) {
            if (line.find(text) != std::string::npos) {
                return line;
            }
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return {};
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

std::string DovecotServer::ExpectedRetrText(const std::filesystem::path& message_file) {
    std::ifstream in(message_file, std::ios::binary);
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string expected;
    expected.reserve(content.size() + content.size() / 16 + 8);
    std::size_t start = 0;
    while (start < content.size()) {
        std::size_t end = content.find('\n', start);
        std::size_t next = end == std::string::npos ? content.size() : end + 1;
        if (end == std::string::npos) {
            end = content.size();
        }
        std::string_view line(content.data() + start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);  // a CR LF in the file stays one CR LF
        }
        if (line.starts_with('.')) {
            expected += '.';
        }
        expected += line;
        expected += "\r\n";
        start = next;
    }
    expected += ".\r\n";
    return expected;
}

}  // namespace tarvox
