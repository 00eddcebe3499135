#include "support/dovecot_server.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <iterator>
#include <thread>

#include "support/temp_dir.h"

namespace tarvox {
namespace {

namespace fs = std::filesystem;

// The files in a folder, ordered by name.
std::vector<fs::path> SortedFiles(const fs::path& folder) {
    std::vector<fs::path> files;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        if (entry.is_regular_file()) {
            files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end(), [](const fs::path& left, const fs::path& right) {
        return left.filename() < right.filename();
    });
    return files;
}

// The POP3 session processes of Dovecot's master `master`.
std::vector<int> SessionProcesses(int master) {
    std::vector<int> sessions;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator("/proc", error)) {
        if (entry.path().filename().string().find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        const std::string stat = ReadWholeFile(entry.path() / "stat");  // "pid (comm) state ppid"
        const std::size_t close = stat.rfind(')');
        if (close != std::string::npos && stat.find(" (pop3) ") != std::string::npos &&
            std::atoi(stat.c_str() + stat.find(' ', close + 2)) == master) {
            sessions.push_back(std::atoi(stat.c_str()));
        }
    }
    return sessions;
}

// Gives the file the owner of `owner` (Dovecot runs as nobody when the tests run as root).
bool OwnLike(const fs::path& file, const struct stat& owner) {
    return ::chown(file.c_str(), owner.st_uid, owner.st_gid) == 0 || ::geteuid() != 0;
}

}  // namespace

bool DovecotServer::ResetMailbox(int message_count) {
    if (!running()) {
        if (error().empty()) {
            Fail("Dovecot is not running");
        }
        return false;
    }
    // A session left open would write its index into the new Maildir.
    for (const int session : SessionProcesses(pid())) {
        ::kill(session, SIGKILL);
        if (!WaitUntilEnded(session, 10)) {
            Fail("the POP3 session " + std::to_string(session) + " did not end");
            return false;
        }
    }
    const fs::path samples = dir() / "samples";
    if (SortedFiles(samples).size() < static_cast<std::size_t>(message_count) &&
        !RunCommand("samples", {"--messages", std::to_string(message_count)})) {
        return false;
    }
    struct stat owner {};
    ::stat((dir() / "mail").c_str(), &owner);
    std::error_code error;
    for (const char* user : {"alice", "bob"}) {
        const fs::path home = maildir(user).parent_path();
        // A session that has just ended may still be writing there.
        for (int attempt = 0; attempt < 100 && fs::exists(home); ++attempt) {
            fs::remove_all(home, error);
            std::this_thread::sleep_for(std::chrono::milliseconds(error ? 10 : 0));
        }
        for (const fs::path& folder : {home, maildir(user), maildir(user) / "new",
                                       maildir(user) / "cur", maildir(user) / "tmp"}) {
            if (!fs::create_directory(folder, error) || !OwnLike(folder, owner)) {
                Fail("cannot make " + folder.string() + ": " + error.message());
                return false;
            }
        }
    }
    const std::vector<fs::path> files = SortedFiles(samples);
    for (int i = 0; i < message_count; ++i) {
        const fs::path copy = maildir("alice") / "new" / files[i].filename();
        if (!fs::copy_file(files[i], copy, error) || !OwnLike(copy, owner)) {
            Fail("cannot copy " + files[i].string() + " into " + copy.string());
            return false;
        }
    }
    std::ofstream(log_file(), std::ios::trunc);
    return true;
}

bool DovecotServer::RestartWithNewCertificate() {
    const int old_pid = pid();
    const bool done = running() && RunCommand("restart-with-new-certificate", {});
    WaitUntilEnded(old_pid, 2);
    return done;
}

std::vector<fs::path> DovecotServer::MessageFiles(std::string_view user) const {
    std::vector<fs::path> files;
    for (const char* sub : {"new", "cur"}) {
        const std::vector<fs::path> some = SortedFiles(maildir(user) / sub);
        files.insert(files.end(), some.begin(), some.end());
    }
    std::sort(files.begin(), files.end(), [](const fs::path& left, const fs::path& right) {
        return left.filename() < right.filename();
    });
    return maildir(user).empty() ? std::vector<fs::path>() : files;
}

bool DovecotServer::AddMessage(std::string_view user, std::string_view name,
                               std::string_view text) const {
    const fs::path folder = maildir(user);
    struct stat owner {};
    if (folder.empty() || ::stat(folder.c_str(), &owner) != 0) {
        return false;
    }
    const fs::path temporary = folder / "tmp" / name;
    WriteWholeFile(temporary, text);
    std::error_code error;
    fs::rename(temporary, folder / "new" / name, error);
    return fs::file_size(folder / "new" / name, error) == text.size() &&
           OwnLike(folder / "new" / name, owner);
}

std::string DovecotServer::WaitForLogLine(std::string_view text, int seconds) const {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    for (;;) {
        std::ifstream in(log_file());
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

std::string DovecotServer::ExpectedRetrText(const fs::path& message_file) {
    const std::string content = ReadWholeFile(message_file);
    std::string expected;
    std::size_t start = 0;
    while (start < content.size()) {
        std::size_t end = std::min(content.find('\n', start), content.size());
        std::string_view line(content.data() + start, end - start);
        start = end + 1;
        if (line.ends_with('\r')) {
            line.remove_suffix(1);  // a CR LF in the file stays one CR LF
        }
        expected += line.starts_with('.') ? "." : "";
        expected += line;
        expected += "\r\n";
    }
    return expected + ".\r\n";
}

DovecotServer& SharedDovecot() {
    static DovecotServer server;
    if (!server.running()) {
        server.Start(0);
    }
    return server;
}

}  // namespace tarvox
