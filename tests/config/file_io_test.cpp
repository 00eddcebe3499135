#include "config/file_io.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <utility>

#include "support/temp_dir.h"

namespace tarvox {
namespace {

TEST(ReadFileBytes, ReadsOnlyRegularFilesWithinTheCap) {
    TempDir dir;
    WriteWholeFile(dir / "mail.tvx", "text");
    // Nobody writes to the FIFO: opening it for reading must not wait.
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    // Sparse, so it takes no room.
    WriteWholeFile(dir / "big", "");
    ASSERT_EQ(::truncate((dir / "big").c_str(), kFileReadCap + 1), 0);
    const std::pair<std::filesystem::path, FileReadError> cases[] = {
        {dir / "mail.tvx", FileReadError::None},     {dir / "fifo", FileReadError::NotRegularFile},
        {dir.path(), FileReadError::NotRegularFile}, {"/dev/zero", FileReadError::NotRegularFile},
        {dir / "big", FileReadError::TooLarge},      {dir / "missing", FileReadError::CannotOpen},
    };
    for (const auto& [path, expected] : cases) {
        FileReadError error = FileReadError::None;
        EXPECT_EQ(ReadFileBytes(path.string(), &error).has_value(), expected == FileReadError::None)
            << path;
        EXPECT_EQ(error, expected) << path;
    }
}

}  // namespace
}  // namespace tarvox
