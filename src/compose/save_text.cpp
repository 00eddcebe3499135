#include "compose/save_text.h"

#include "config/atomic_file.h"
#include "config/file_io.h"

namespace tarvox {

bool SaveTextToFile(FrontendServices& services, const std::string& path, std::string_view text,
                    SaveTextMode mode, InboxStatusShown inbox) {
    if (inbox == InboxStatusShown::Yes) {
        services.ShowStatus(StatusLine::Inbox, kSavingTextStatus);
    }
    const bool saved = mode == SaveTextMode::Append
                           ? AppendFileBytes(path, std::string(kAppendSeparator) += text)
                           : ReplaceChosenFile(path, [text](int fd) { return WriteAll(fd, text); });
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
