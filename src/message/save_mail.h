// Writing one downloaded message to its file in the profile's saving folder,
// named by the profile's saving name format.
#pragma once

#include <filesystem>
#include <string_view>

#include "config/profile.h"
#include "frontend/services.h"
#include "message/mail_file_creation.h"

namespace tarvox {

enum class SaveMailOutcome {
    Saved,    // the file holds the message
    Skipped,  // the user cancelled the prompt for another name
    NoName,   // no valid path could be built (the box was shown)
    Failed,   // writing failed; no file is left
};

struct SaveMailResult {
    SaveMailOutcome outcome = SaveMailOutcome::Failed;
    std::string path;
};

// Scans the message's header block for its date, From, first To address and
// subject; makes the default folder when the profile has no saving folder;
// builds the path from the profile's saving settings, showing "Unable to
// create a valid filename for this email" (caption "Save mail", error icon)
// when that fails; then creates the file as new (CreateMailFile) and writes
// the whole message text exactly as downloaded.
SaveMailResult SaveDownloadedMessage(FrontendServices& services, const Profile& profile,
                                     const std::filesystem::path& mail_folder_root,
                                     std::string_view message_text);

}  // namespace tarvox
