// Whole reads and writes of files, retried across interrupted calls and short
// transfers.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarvox {

// Writes every byte of `bytes` to `fd`. False on the first failed write
// (errno tells why).
bool WriteAll(int fd, std::string_view bytes);

// Appends `bytes` to the file at `path`, made with mode 0600 when missing.
// A write that fails part-way is cut back off, so the file keeps only what it
// held before. False when the file cannot be opened or written.
bool AppendFileBytes(const std::string& path, std::string_view bytes);

// The whole content of the file at `path` (bytes, unchanged), or nothing when
// it cannot be opened or read (a folder among them).
std::optional<std::string> ReadFileBytes(const std::string& path);

}  // namespace tarvox
