#include "compose/attach_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <string>

namespace tarvox {

std::optional<ComposedAttachment> AttachFile(std::string_view path, std::string_view mime_type) {
    const std::string name(path);
    const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    // The size is where the end of the file lies; a folder or a pipe has none.
    const off_t end = ::lseek(fd, 0, SEEK_END);
    struct stat info {};
    const bool regular = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    ::close(fd);
    if (end < 0 || !regular) {
        return std::nullopt;
    }
    ComposedAttachment attachment;
    attachment.path = name;
    attachment.mime_type = std::string(mime_type.empty() ? kDefaultAttachmentType : mime_type);
    attachment.size = static_cast<std::uint64_t>(end);
    return attachment;
}

}  // namespace tarvox
