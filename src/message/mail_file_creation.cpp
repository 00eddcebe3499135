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

MailFileResult CreateMailFile(FrontendServices& services, std::string_view title, std::string path,
                              std::string_view content) {
    MailFileResult result;
    for (;;) {
        const int fd =
            ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0) {
            // Flushed before it counts as saved: the server copy may be
            // deleted right after.
            const bool written = WriteAll(fd, content) && ::fsync(fd) == 0;
            const int write_error = errno;
            const bool closed = ::close(fd) == 0;
            result.path = std::move(path);
            if (written && closed) {
                result.outcome = MailFileOutcome::Written;
            } else {
                result.error = written ? errno : write_error;
                ::unlink(result.path.c_str());
                result.outcome = MailFileOutcome::WriteFailed;
            }
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
