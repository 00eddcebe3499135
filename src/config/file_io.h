// Whole reads and writes of files, retried across interrupted calls and short
// transfers.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tarvox {

// A file read whole is refused above this size, the cap of a download: a
// message file is no bigger than a message the server may send.
inline constexpr std::uint64_t kFileReadCap = std::uint64_t{512} << 20;

// Why a file was not read.
enum class FileReadError {
    None,
    CannotOpen,      // missing, not permitted, or a read failed (errno tells)
    NotRegularFile,  // a folder, FIFO, device or socket
    TooLarge,        // larger than kFileReadCap
};

// Writes every byte of `bytes` to `fd`. False on the first failed write
// (errno tells why).
bool WriteAll(int fd, std::string_view bytes);

// Appends `bytes` to the file at `path`, made with mode 0600 when missing,
// and flushes it to disk. A write that fails part-way is cut back off, so the
// file keeps only what it held before. False when the file cannot be opened,
// written or flushed.
bool AppendFileBytes(const std::string& path, std::string_view bytes);

// Opens `path` for reading when it is a regular file. Opening does not wait
// for the writer of a FIFO; anything but a regular file is closed again at
// once. The descriptor, or -1 with `error` set.
int OpenRegularFile(const std::string& path, FileReadError& error);

// The whole content of the regular file at `path` (bytes, unchanged), or
// nothing when it cannot be opened or read, is not a regular file, or holds
// more than kFileReadCap bytes; `error`, when given, tells which.
std::optional<std::string> ReadFileBytes(const std::string& path, FileReadError* error = nullptr);

// True when `path` names a regular file (after links) that this user may run.
bool IsExecutableFile(const std::string& path);

}  // namespace tarvox
