#include "support/server_script.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
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

namespace {

class JsonReader {
public:
    explicit JsonReader(std::string_view text) : m_text(text) {}

    bool Read(ScriptJsonObject* object) {
        if (!ReadObject("", object)) {
            return false;
        }
        SkipSpace();
        return m_pos == m_text.size();
    }

private:
    void SkipSpace() {
        while (m_pos < m_text.size() && std::strchr(" \t\r\n", m_text[m_pos]) != nullptr) {
            ++m_pos;
        }
    }

    bool Take(char expected) {
        SkipSpace();
        if (m_pos < m_text.size() && m_text[m_pos] == expected) {
            ++m_pos;
            return true;
        }
        return false;
    }

    static void AppendUtf8(unsigned long code, std::string* out) {
        if (code < 0x80) {
            out->push_back(static_cast<char>(code));
        } else if (code < 0x800) {
            out->push_back(static_cast<char>(0xC0 | (code >> 6)));
            out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else {
            out->push_back(static_cast<char>(0xE0 | (code >> 12)));
            out->push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
        }
    }

    // Text that is not UTF-8 arrives as its raw bytes; those are copied unchanged.
    bool ReadString(std::string* out) {
        if (!Take('"')) {
            return false;
        }
        while (m_pos < m_text.size()) {
            char c = m_text[m_pos++];
            if (c == '"') {
                return true;
            }
            if (c != '\\') {
                out->push_back(c);
                continue;
            }
            if (m_pos >= m_text.size()) {
                return false;
            }
            char escaped = m_text[m_pos++];
            if (escaped == 'u') {
                if (m_pos + 4 > m_text.size()) {
                    return false;
                }
                std::string hex(m_text.substr(m_pos, 4));
                char* end = nullptr;
                unsigned long code = std::strtoul(hex.c_str(), &end, 16);
                if (end != hex.c_str() + 4) {
                    return false;
                }
                AppendUtf8(code, out);
                m_pos += 4;
                continue;
            }
            constexpr std::string_view kNamed = "n\nt\tr\rb\bf\f";
            std::size_t named = kNamed.find(escaped);
            out->push_back(named != std::string_view::npos && named % 2 == 0 ? kNamed[named + 1]
                                                                             : escaped);
        }
        return false;
    }

    bool ReadValue(const std::string& key, ScriptJsonObject* object) {
        SkipSpace();
        if (m_pos >= m_text.size()) {
            return false;
        }
        ScriptJsonField field;
        switch (m_text[m_pos]) {
            case '{':
                return ReadObject(key + ".", object);
            case '"':
                field.is_string = true;
                if (!ReadString(&field.text)) {
                    return false;
                }
                break;
            case '[':
                ++m_pos;
                if (!Take(']')) {
                    do {
                        field.items.emplace_back();
                        if (!ReadString(&field.items.back())) {
                            return false;
                        }
                    } while (Take(','));
                    if (!Take(']')) {
                        return false;
                    }
                }
                break;
            default: {
                std::size_t end = m_text.find_first_of(",}] \t\r\n", m_pos);
                if (end == std::string_view::npos || end == m_pos) {
                    return false;
                }
                field.text = m_text.substr(m_pos, end - m_pos);
                m_pos = end;
            }
        }
        (*object)[key] = std::move(field);
        return true;
    }

    bool ReadObject(const std::string& prefix, ScriptJsonObject* object) {
        if (!Take('{')) {
            return false;
        }
        if (Take('}')) {
            return true;
        }
        do {
            std::string name;
            if (!ReadString(&name) || !Take(':') || !ReadValue(prefix + name, object)) {
                return false;
            }
        } while (Take(','));
        return Take('}');
    }

    std::string_view m_text;
    std::size_t m_pos = 0;
};

}  // namespace

std::filesystem::path TestServerScriptPath(std::string_view name) {
    return std::filesystem::path(TARVOX_SOURCE_DIR) / "scripts" / "test-servers" / name;
}

void BecomeSubreaperOnce() {
    static std::once_flag once;
    std::call_once(once, [] { ::prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0); });
}

std::string LastOutputLine(const std::string& output) {
    std::string line = output;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
        line.pop_back();
    }
    if (std::size_t last_break = line.rfind('\n'); last_break != std::string::npos) {
        line.erase(0, last_break + 1);
    }
    return line;
}

bool ReadScriptJson(std::string_view line, ScriptJsonObject* object) {
    return JsonReader(line).Read(object);
}

bool ParseScriptNumber(const std::string& text, unsigned long long maximum,
                       unsigned long long* value) {
    char* end = nullptr;
    errno = 0;
    unsigned long long parsed = std::strtoull(text.c_str(), &end, 10);
    if (text.empty() || !std::isdigit(static_cast<unsigned char>(text[0])) || *end != '\0' ||
        errno != 0 || parsed > maximum) {
        return false;
    }
    *value = parsed;
    return true;
}

bool ParseScriptPort(const ScriptJsonField& field, std::uint16_t* port) {
    unsigned long long value = 0;
    if (field.is_string || !ParseScriptNumber(field.text, 65535, &value) || value == 0) {
        return false;
    }
    *port = static_cast<std::uint16_t>(value);
    return true;
}

}  // namespace tarvox
