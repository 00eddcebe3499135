#include "message/mail_file_creation.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>

#include "config/file_io.h"

namespace tarvox {

namespace {

bool IsFolder(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

bool CreateMailFolder(const std::string& folder) {
    if (folder.empty()) {
        return false;
    }
    // Every prefix that ends before a "/", then the whole path.
    for (std::size_t end = folder.find('/', 1);; end = folder.find('/', end + 1)) {
        const std::string level = folder.substr(0, end);
        if (::mkdir(level.c_str(), 0700) != 0 && !(errno == EEXIST && IsFolder(level))) {
            return false;
        }
        if (end == std::string::npos) {
            return true;
        }
    }
}

namespace {

enum class NewFile { Written, NameTaken, WriteFailed };

// Writes `content` into a file that has no name yet in the folder of `path`
// and gives it that name only once it is whole and flushed (O_TMPFILE, then
// linkat(2) through /proc/self/fd; see open(2)), so a crash or a kill never
// leaves part of a message under the name. Where the file system has no
// O_TMPFILE the named file is created and written in place.
NewFile WriteNewFile(const std::string& path, std::string_view content, int& error) {
    struct stat existing {};
    if (::lstat(path.c_str(), &existing) == 0) {
        return NewFile::NameTaken;
    }
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    int fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    const bool unnamed = fd >= 0;
    if (!unnamed) {
        fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0) {
            return NewFile::NameTaken;
        }
    }
    // Flushed before it counts as saved: the server copy may be deleted
    // right after.
    bool written = WriteAll(fd, content) && ::fsync(fd) == 0;
    error = errno;
    bool named = !unnamed;
    if (written && unnamed) {
        const std::string handle = "/proc/self/fd/" + std::to_string(fd);
        named = ::linkat(AT_FDCWD, handle.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0;
        error = errno;
    }
    if (::close(fd) != 0 && written) {
        written = false;
        error = errno;
    }
    if (!written) {
        if (named) {
            ::unlink(path.c_str());
        }
        return NewFile::WriteFailed;
    }
    // A name taken meanwhile is asked for again; any other failure to name
    // the file is a failed write.
    return named ? NewFile::Written : error == EEXIST ? NewFile::NameTaken : NewFile::WriteFailed;
}

}  // namespace

MailFileResult CreateMailFile(FrontendServices& services, std::string_view title, std::string path,
                              std::string_view content) {
    MailFileResult result;
    for (;;) {
        int error = 0;
        const NewFile made = WriteNewFile(path, content, error);
        if (made != NewFile::NameTaken) {
            result.path = std::move(path);
            result.outcome =
                made == NewFile::Written ? MailFileOutcome::Written : MailFileOutcome::WriteFailed;
            result.error = made == NewFile::Written ? 0 : error;
            return result;
        }

        TextPromptRequest request;
        request.title = std::string(title);
        request.prompt = std::string(kCreateMailFilePrompt);
        request.capacity = kMailPathCapacity;
        request.prefill = true;
        request.initial_text = path;
        TextPromptResult answer = services.TextPrompt(request);
        if (!answer.submitted) {
            result.outcome = MailFileOutcome::Skipped;
            result.path = std::move(path);
            return result;
        }
        path = std::move(answer.text);
    }
}

}  // namespace tarvox
