#include "support/smtp_server.h"
#include "support/server_script.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <mutex>
#include <stdexcept>
#include <system_error>

#ifndef TARVOX_SOURCE_DIR
#error "TARVOX_SOURCE_DIR must name the source tree (tests/CMakeLists.txt defines it)"
#endif

namespace tarvox {
namespace {

constexpr const char* kScriptName = "smtp_server.py";

std::filesystem::path ScriptPath() {
    return std::filesystem::path(TARVOX_SOURCE_DIR) / "scripts" / "test-servers" / kScriptName;
}

// The server process is forked by the script, which then exits; as a subreaper this process
// inherits the orphan and reaps it in Stop(), where the machine's init would not.
void BecomeSubreaperOnce() {
    static std::once_flag once;
    std::call_once(once, [] { ::prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0); });
}

void Reap(int pid) {
    if (pid <= 0) {
        return;
    }
    // The script has already waited until the process ended, so this does not block long.
    for (int attempt = 0; attempt < 200; ++attempt) {
        pid_t reaped = ::waitpid(pid, nullptr, WNOHANG);
        if (reaped == pid || (reaped < 0 && errno != EINTR)) {
            return;
        }
        ::usleep(10 * 1000);
    }
}

// One value of a JSON object as the script writes them: a string, a literal (number, true,
// false, null; kept as its text), an array of strings, or an object (flattened into the
// enclosing map with "outer.inner" keys).
struct JsonField {
    bool is_string = false;
    std::string text;
    std::vector<std::string> items;
};

using JsonObject = std::map<std::string, JsonField>;

class JsonReader {
public:
    explicit JsonReader(std::string_view text) : m_text(text) {}

    bool Read(JsonObject* object) {
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

    bool ReadValue(const std::string& key, JsonObject* object) {
        SkipSpace();
        if (m_pos >= m_text.size()) {
            return false;
        }
        JsonField field;
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

    bool ReadObject(const std::string& prefix, JsonObject* object) {
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

bool ParseNumber(const std::string& text, unsigned long long maximum, unsigned long long* value) {
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

bool ParsePort(const JsonField& field, std::uint16_t* port) {
    unsigned long long value = 0;
    if (field.is_string || !ParseNumber(field.text, 65535, &value) || value == 0) {
        return false;
    }
    *port = static_cast<std::uint16_t>(value);
    return true;
}


// One line of envelopes.jsonl; false when it is not a complete record.
bool ParseEnvelope(std::string_view line, SmtpEnvelope* envelope) {
    JsonObject fields;
    if (!JsonReader(line).Read(&fields)) {
        return false;
    }
    for (const char* name : {"mail_from", "helo", "listener", "file"}) {
        auto found = fields.find(name);
        if (found == fields.end() || !found->second.is_string) {
            return false;
        }
    }
    auto& auth_user = fields["auth_user"];
    auto& tls = fields["tls"];
    unsigned long long size = 0;
    if ((!auth_user.is_string && auth_user.text != "null") ||
        (tls.text != "true" && tls.text != "false") || tls.is_string ||
        !ParseNumber(fields["size"].text, UINT64_MAX, &size)) {
        return false;
    }
    envelope->mail_from = fields["mail_from"].text;
    envelope->mail_options = fields["mail_options"].items;
    envelope->rcpt_tos = fields["rcpt_tos"].items;
    if (auth_user.is_string) {
        envelope->auth_user = auth_user.text;
    }
    envelope->helo = fields["helo"].text;
    envelope->tls = tls.text == "true";
    envelope->listener = fields["listener"].text;
    envelope->size = size;
    envelope->file = fields["file"].text;
    return true;
}

}  // namespace

SmtpTestServer::Users SmtpTestServer::DefaultUsers() {
    return {{"alice", "wonderland"}, {"bob", "builder"}};
}

SmtpTestServer::~SmtpTestServer() {
    Stop();
    if (!m_dir.empty()) {
        std::error_code error;
        std::filesystem::remove_all(m_dir, error);
    }
}

bool SmtpTestServer::Start(const std::filesystem::path& maildir, const Users& users,
                           const SmtpServerOptions& options) {
    if (!m_dir.empty()) {
        m_error = "this SmtpTestServer was started before";
        return false;
    }
    std::string user_list;
    for (const auto& [name, password] : users) {
        if (name.empty() || name.find_first_of(",:") != std::string::npos ||
            password.find(',') != std::string::npos) {
            m_error = "the user \"" + name + "\" cannot be given to " + kScriptName;
            return false;
        }
        user_list += (user_list.empty() ? "" : ",") + name + ":" + password;
    }
    BecomeSubreaperOnce();
    std::string pattern = (std::filesystem::temp_directory_path() / "tarvox-smtp-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        m_error = "cannot make a temporary folder from " + pattern + ": " + std::strerror(errno);
        return false;
    }
    m_dir = pattern;
    std::vector<std::string> arguments = {"start", "--dir", m_dir.string()};
    arguments.insert(arguments.end(), {"--maildir", maildir.string(), "--users", user_list,
                                       "--watch-pid", std::to_string(::getpid())});
    if (!options.cert_file.empty() || !options.key_file.empty()) {
        arguments.insert(arguments.end(), {"--cert", options.cert_file.string(), "--key",
                                           options.key_file.string()});
    }
    if (options.auth_without_tls) {
        arguments.push_back("--auth-without-tls");
    }
    for (const std::string& address : options.reject_recipients) {
        arguments.insert(arguments.end(), {"--reject-rcpt", address});
    }
    std::string output;
    if (!RunScript(arguments, &output)) {
        return false;
    }
    return TakeDescription(output);
}

void SmtpTestServer::Stop() {
    if (!m_running) {
        return;
    }
    m_running = false;
    std::string output;
    if (!RunScript({"stop", "--dir", m_dir.string()}, &output) && m_pid > 0) {
        // The script failed; do not leave the server behind.
        ::kill(m_pid, SIGKILL);
    }
    Reap(m_pid);
}

std::vector<SmtpEnvelope> SmtpTestServer::Envelopes() const {
    std::ifstream in(m_envelopes_file, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + m_envelopes_file.string());
    }
    std::vector<SmtpEnvelope> envelopes;
    std::string line;
    while (std::getline(in, line)) {
        if (!ParseEnvelope(line, &envelopes.emplace_back())) {
            throw std::runtime_error("not an envelope record in " + m_envelopes_file.string() +
                                     ": " + line);
        }
    }
    return envelopes;
}

bool SmtpTestServer::RunScript(const std::vector<std::string>& arguments, std::string* output) {
    // The server process gets its own output files, so both pipes end when the script does.
    return RunTestServerScript(ScriptPath(), arguments, output, &m_error);
}

bool SmtpTestServer::TakeDescription(const std::string& output) {
    // The description is the last line the script printed.
    std::string line = output;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
        line.pop_back();
    }
    if (std::size_t last_break = line.rfind('\n'); last_break != std::string::npos) {
        line.erase(0, last_break + 1);
    }
    JsonObject values;
    if (!JsonReader(line).Read(&values)) {
        m_error = std::string(kScriptName) + " printed no JSON description: " + output;
        return false;
    }
    unsigned long long pid = 0;
    if (!ParseNumber(values["pid"].text, 1u << 30, &pid) || pid == 0) {
        m_error = std::string(kScriptName) + " described no pid: " + line;
        return false;
    }
    // From here on a server is running, so that Stop() ends it whatever else goes wrong.
    m_running = true;
    m_pid = static_cast<int>(pid);
    if (!ParsePort(values["plain_port"], &m_plain_port) ||
        !ParsePort(values["tls_port"], &m_tls_port)) {
        m_error = std::string(kScriptName) + " described no ports: " + line;
        Stop();
        return false;
    }
    m_fingerprint = values["fingerprint_sha1"].text;
    m_maildir = values["maildir"].text;
    m_cert_file = values["cert_file"].text;
    m_log_file = values["log_file"].text;
    m_envelopes_file = values["envelopes_file"].text;
    return true;
}

}  // namespace tarvox
