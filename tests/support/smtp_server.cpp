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

// One line of envelopes.jsonl; false when it is not a complete record.
bool ParseEnvelope(std::string_view line, SmtpEnvelope* envelope) {
    ScriptJsonObject fields;
    if (!ReadScriptJson(line, &fields)) {
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
        !ParseScriptNumber(fields["size"].text, UINT64_MAX, &size)) {
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
    return RunTestServerScript(TestServerScriptPath(kScriptName), arguments, output, &m_error);
}

bool SmtpTestServer::TakeDescription(const std::string& output) {
    // The description is the last line the script printed.
    const std::string line = LastOutputLine(output);
    ScriptJsonObject values;
    if (!ReadScriptJson(line, &values)) {
        m_error = std::string(kScriptName) + " printed no JSON description: " + output;
        return false;
    }
    unsigned long long pid = 0;
    if (!ParseScriptNumber(values["pid"].text, 1u << 30, &pid) || pid == 0) {
        m_error = std::string(kScriptName) + " described no pid: " + line;
        return false;
    }
    // From here on a server is running, so that Stop() ends it whatever else goes wrong.
    m_running = true;
    m_pid = static_cast<int>(pid);
    if (!ParseScriptPort(values["plain_port"], &m_plain_port) ||
        !ParseScriptPort(values["tls_port"], &m_tls_port)) {
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
