// Replacing a file whole, so that a crash or a full disk never leaves it
// half-written.
#pragma once

#include <filesystem>
#include <string_view>
#include <sys/types.h>

namespace tarvox {

// Writes `content` into a new temporary file in the target's folder (created
// when missing), with the given mode, flushes it to disk and renames it over
// `path`. On any failure the temporary file is removed, the old file is left
// untouched and false is returned.
bool WriteFileAtomically(const std::filesystem::path& path, std::string_view content,
                         mode_t mode = 0600);

}  // namespace tarvox
