#include "compose/save_text.h"

#include "codec/stored_text.h"
#include "config/atomic_file.h"
#include "config/file_io.h"

namespace tarvox {

bool SaveTextToFile(FrontendServices& services, const std::string& path, std::string_view text,
                    SaveTextMode mode, InboxStatusShown inbox, TextForm form) {
    const bool bytes = mode == SaveTextMode::Archive || form == TextForm::Bytes;
    const std::string stored = bytes ? std::string(text) : ToStoredText(text);
    if (inbox == InboxStatusShown::Yes) {
        services.ShowStatus(StatusLine::Inbox, kSavingTextStatus);
    }
    bool saved = false;
    switch (mode) {
        case SaveTextMode::Replace:
            saved = ReplaceChosenFile(path, [&stored](int fd) { return WriteAll(fd, stored); });
            break;
        case SaveTextMode::Append:
            saved = AppendFileBytes(path, std::string(kAppendSeparator) += stored);
            break;
        case SaveTextMode::Archive:
            saved = AppendFileBytes(path, stored);
            break;
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
