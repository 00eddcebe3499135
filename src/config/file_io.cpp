#include "config/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <filesystem>
#include <system_error>

namespace tarvox {

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

bool AppendFileBytes(const std::string& path, std::string_view bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0) {
        return false;
    }
    const off_t before = ::lseek(fd, 0, SEEK_END);
    bool written = before >= 0 && WriteAll(fd, bytes) && ::fsync(fd) == 0;
    if (!written && before >= 0) {
        // Leaves no half message behind.
        (void)::ftruncate(fd, before);
    }
    written = (::close(fd) == 0) && written;
    return written;
}

int OpenRegularFile(const std::string& path, FileReadError& error) {
    // Without O_NONBLOCK, opening a FIFO waits for a writer that may never
    // come.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = FileReadError::CannotOpen;
        return -1;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        const int stat_errno = errno;
        ::close(fd);
        errno = stat_errno;
        error = FileReadError::CannotOpen;
        return -1;
    }
    if (!S_ISREG(info.st_mode)) {
        ::close(fd);
        error = FileReadError::NotRegularFile;
        return -1;
    }
    (void)::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    error = FileReadError::None;
    return fd;
}

std::optional<std::string> ReadFileBytes(const std::string& path, FileReadError* error) {
    FileReadError ignored = FileReadError::None;
    FileReadError& outcome = error != nullptr ? *error : ignored;
    const int fd = OpenRegularFile(path, outcome);
    if (fd < 0) {
        return std::nullopt;
    }
    struct stat info {};
    if (::fstat(fd, &info) == 0 && static_cast<std::uint64_t>(info.st_size) > kFileReadCap) {
        ::close(fd);
        outcome = FileReadError::TooLarge;
        return std::nullopt;
    }
    std::string content;
    content.reserve(static_cast<std::size_t>(info.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            const int read_errno = errno;
            ::close(fd);
            errno = read_errno;
            outcome = FileReadError::CannotOpen;
            return std::nullopt;
        }
        if (got == 0) {
            break;
        }
        content.append(buffer, static_cast<std::size_t>(got));
        // A file that grows while it is read is held to the cap as well.
        if (content.size() > kFileReadCap) {
            ::close(fd);
            outcome = FileReadError::TooLarge;
            return std::nullopt;
        }
    }
    ::close(fd);
    return content;
}

bool IsExecutableFile(const std::string& path) {
    std::error_code error;
    if (path.empty() || !std::filesystem::is_regular_file(path, error)) {
        return false;
    }
    return ::access(path.c_str(), X_OK) == 0;
}

}  // namespace tarvox
