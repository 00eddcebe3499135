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

bool WriteFileAtomically(const std::filesystem::path& path, std::string_view content,
                         mode_t mode) {
    std::filesystem::path folder = path.parent_path();
    if (!folder.empty()) {
        std::error_code error;
        std::filesystem::create_directories(folder, error);
    }
    std::string pattern = path.string() + ".XXXXXX";
    std::vector<char> temp_name(pattern.begin(), pattern.end());
    temp_name.push_back('\0');
    int fd = ::mkstemp(temp_name.data());
    if (fd < 0) {
        return false;
    }
    bool ok = ::fchmod(fd, mode) == 0 && WriteAll(fd, content) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok) {
        ok = ::rename(temp_name.data(), path.c_str()) == 0;
    }
    if (!ok) {
        ::unlink(temp_name.data());
    }
    return ok;
}

}  // namespace tarvox
