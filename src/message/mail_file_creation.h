// Writing saved mail and copies of sent mail: each file is created as new,
// never over an existing one. When the name cannot be created the user is
// asked for another one until a file is made or the prompt is cancelled.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "frontend/services.h"

namespace tarvox {

inline constexpr std::string_view kCreateMailFilePrompt =
    "Unable to create file (may already exist). Specify an alternate filename, or click Cancel";
// The prompt's input holds at most this many bytes with the terminator.
inline constexpr std::size_t kMailPathCapacity = 260;
inline constexpr std::string_view kSaveMailTitle = "Save mail";
inline constexpr std::string_view kCopySelfTitle = "Copy self";
inline constexpr std::string_view kNoValidMailFileName =
    "Unable to create a valid filename for this email";

// Creates `folder` and any missing folder above it (mode 0700 for those it
// makes). An existing folder is fine. False when a level cannot be made or a
// level exists but is not a folder.
bool CreateMailFolder(const std::string& folder);

enum class MailFileOutcome {
    Written,      // the whole content is in the file at `path`
    Skipped,      // the user cancelled the prompt; nothing was written
    WriteFailed,  // created, but writing, flushing or closing failed; the file was removed
};

struct MailFileResult {
    MailFileOutcome outcome = MailFileOutcome::Skipped;
    std::string path;  // the path last tried
    int error = 0;     // errno of the failed write
};

// Creates `path` as a new file (mode 0600; an existing file or a link is
// never opened), writes `content` into it and flushes it to disk. When the
// file cannot be created, a text prompt titled `title` asks for another path,
// pre-filled with the one that failed, and the typed path is tried in turn.
MailFileResult CreateMailFile(FrontendServices& services, std::string_view title, std::string path,
                              std::string_view content);

}  // namespace tarvox
