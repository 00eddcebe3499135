// Replacing a file whole, so that a crash or a full disk never leaves it
// half-written.
#pragma once

#include <sys/types.h>
#include <filesystem>
#include <functional>
#include <string_view>

namespace tarvox {

// Writes the content into the open descriptor; false on failure.
using FileContentWriter = std::function<bool(int fd)>;

// Has `write` fill a new temporary file in the folder of `path`, gives it
// `mode`, flushes it to disk and renames it over `path`, so the old file is
// never cut short. On any failure the temporary file is removed, the old file
// is left untouched and false is returned.
bool ReplaceFile(const std::filesystem::path& path, const FileContentWriter& write, mode_t mode);

// ReplaceFile for a file the user chose: a link is followed, so the file it
// points to is replaced; an existing file keeps its permission bits, a new
// one gets 0600 (it may hold mail).
bool ReplaceChosenFile(const std::filesystem::path& path, const FileContentWriter& write);

// ReplaceFile with `content`, after creating the target's folder when it is
// missing.
bool WriteFileAtomically(const std::filesystem::path& path, std::string_view content,
                         mode_t mode = 0600);

}  // namespace tarvox
