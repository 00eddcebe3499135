// The composer's copy to self: before a message is sent, its draft text (with
// the header section) is written to a new file in the profile's copy-self
// folder, named by the profile's copy-self name format.
#pragma once

#include <ctime>
#include <filesystem>

#include "compose/composed_message.h"
#include "config/profile.h"
#include "frontend/services.h"

namespace tarvox {

enum class CopySelfOutcome {
    Written,      // the file holds the copy
    Skipped,      // the user cancelled the prompt for another name; sending goes on
    NoValidName,  // no valid path could be built (the box was shown); sending stops
    Failed,       // writing failed (the box was shown); no file is left
};

// Makes the default copy-self folder under `mail_folder_root` when the
// profile has no copy-self folder; builds the path from the profile's
// copy-self folder, extension and name format with MakeMailDate(now), the
// From, To and Subject fields, showing "Unable to create a valid filename for
// this email" (caption "Copy self", error icon) when that fails; then creates
// the file as new (CreateMailFile, its prompt titled "Copy self") and writes
// ComposeText with the header section, stored as the program's files store
// text (ToStoredText). A write that fails shows "Unable to create file"
// (caption "Copy self", error icon).
CopySelfOutcome WriteCopyToSelf(const ComposedMessage& message, const Profile& profile,
                                const std::filesystem::path& mail_folder_root, std::time_t now,
                                FrontendServices& services);

}  // namespace tarvox
