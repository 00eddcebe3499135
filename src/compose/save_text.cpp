#include "compose/save_text.h"

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>

#include "config/file_io.h"

namespace tarvox {

bool SaveTextToFile(FrontendServices& services, const std::string& path, std::string_view text,
                    SaveTextMode mode, InboxStatusShown inbox) {
    if (inbox == InboxStatusShown::Yes) {
        services.ShowStatus(StatusLine::Inbox, kSavingTextStatus);
    }
    const int flags =
        O_WRONLY | O_CREAT | O_CLOEXEC | (mode == SaveTextMode::Append ? O_APPEND : O_TRUNC);
    const int fd = ::open(path.c_str(), flags, 0666);
    bool saved = fd >= 0;
    if (saved) {
        if (mode == SaveTextMode::Append) {
            saved = WriteAll(fd, kAppendSeparator);
        }
        saved = saved && WriteAll(fd, text);
        saved = (::close(fd) == 0) && saved;
    }
    if (!saved) {
        services.ShowMessage(kUnableToCreateFile, "", BoxIcon::Error);
        return false;
    }
    if (inbox == InboxStatusShown::Yes) {
        services.ShowStatus(StatusLine::Inbox, kTextSavedStatus);
    }
    return true;
}

}  // namespace tarvox
