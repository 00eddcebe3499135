#include "support/dovecot_server.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "support/temp_dir.h"

namespace tarvox {
namespace {

namespace fs = std::filesystem;

// The files in the folders, ordered by name.
std::vector<fs::path> SortedFiles(std::initializer_list<fs::path> folders) {
    std::vector<fs::path> files;
    std::error_code error;
    for (const fs::path& folder : folders) {
        for (const auto& entry : fs::directory_iterator(folder, error)) {
            if (entry.is_regular_file()) {
                files.push_back(entry.path());
            }
        }
    }
    std::ranges::sort(files, {}, &fs::path::filename);
    return files;
}

// The POP3 session processes of Dovecot's master `master`.
std::vector<int> SessionProcesses(int master) {
    std::vector<int> sessions;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator("/proc", error)) {
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

bool DovecotServer::Deliver(std::string_view user, std::string_view message) {
    static int delivered = 0;
    const fs::path folder = maildir(user);
    struct stat owner {};
    const fs::path file = folder / "new" / ("delivered." + std::to_string(::getpid()) + "." +
                                            std::to_string(++delivered));
    std::ofstream(file, std::ios::binary) << message;
    std::error_code error;
    return ::stat(folder.c_str(), &owner) == 0 && fs::file_size(file, error) == message.size() &&
           OwnLike(file, owner);
}

bool DovecotServer::ResetMailbox(int message_count) {
    if (!CheckRunning()) {
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
    if (SortedFiles({samples}).size() < static_cast<std::size_t>(message_count) &&
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
    const std::vector<fs::path> files = SortedFiles({samples});
    for (int i = 0; i < message_count; ++i) {
        const fs::path copy = maildir("alice") / "new" / files[i].filename();
        if (!fs::copy_file(files[i], copy, error) || !OwnLike(copy, owner)) {
            Fail("cannot copy " + files[i].string() + " into " + copy.string());
            return false;
        }
    }
    std::ofstream(Value("log_file"), std::ios::trunc);
    return true;
}

std::vector<fs::path> DovecotServer::MessageFiles(std::string_view user) const {
    const fs::path folder = maildir(user);
    return folder.empty() ? std::vector<fs::path>() : SortedFiles({folder / "new", folder / "cur"});
}

std::string DovecotServer::ExpectedRetrText(const fs::path& message_file) {
    std::istringstream in(ReadWholeFile(message_file));
    std::string expected;
    for (std::string line; std::getline(in, line);) {
        if (line.ends_with('\r')) {
            line.pop_back();  // a CR LF in the file stays one CR LF
        }
        expected += (line.starts_with('.') ? "." : "") + line + "\r\n";
    }
    return expected + ".\r\n";
}

DovecotServer& SharedDovecot() {
    static DovecotServer server;
    if (!server.running()) {
        server.StartScript({"--messages", "0"});
    }
    return server;
}

}  // namespace tarvox
