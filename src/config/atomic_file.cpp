#include "config/atomic_file.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "config/file_io.h"

namespace tarvox {

bool ReplaceFile(const std::filesystem::path& path, const FileContentWriter& write, mode_t mode) {
    std::string pattern = path.string() + ".XXXXXX";
    std::vector<char> temp_name(pattern.begin(), pattern.end());
    temp_name.push_back('\0');
    int fd = ::mkstemp(temp_name.data());
    if (fd < 0) {
        return false;
    }
    bool ok = ::fchmod(fd, mode) == 0 && write(fd) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok) {
        ok = ::rename(temp_name.data(), path.c_str()) == 0;
    }
    if (!ok) {
        ::unlink(temp_name.data());
    }
    return ok;
}

bool ReplaceChosenFile(const std::filesystem::path& path, const FileContentWriter& write) {
    std::filesystem::path target = path;
    mode_t mode = 0600;
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0) {
        std::error_code error;
        target = std::filesystem::canonical(path, error);
        if (error) {
            return false;
        }
        mode = info.st_mode & 07777;
    }
    return ReplaceFile(target, write, mode);
}

bool WriteFileAtomically(const std::filesystem::path& path, std::string_view content, mode_t mode) {
    std::filesystem::path folder = path.parent_path();
    if (!folder.empty()) {
        std::error_code error;
        std::filesystem::create_directories(folder, error);
    }
    const FileContentWriter write = [content](int fd) { return WriteAll(fd, content); };
    return ReplaceFile(path, write, mode);
}

}  // namespace tarvox
