#include "compose/attach_file.h"

#include <unistd.h>
#include <string>

#include "config/file_io.h"

namespace tarvox {

std::optional<ComposedAttachment> AttachFile(std::string_view path, std::string_view mime_type) {
    const std::string name(path);
    FileReadError error = FileReadError::None;
    const int fd = OpenRegularFile(name, error);
    if (fd < 0) {
        return std::nullopt;
    }
    // The size is where the end of the file lies.
    const off_t end = ::lseek(fd, 0, SEEK_END);
    ::close(fd);
    if (end < 0) {
        return std::nullopt;
    }
    ComposedAttachment attachment;
    attachment.path = name;
    attachment.mime_type = std::string(mime_type.empty() ? kDefaultAttachmentType : mime_type);
    attachment.size = static_cast<std::uint64_t>(end);
    return attachment;
}

}  // namespace tarvox
