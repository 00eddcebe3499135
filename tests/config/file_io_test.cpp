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

TEST(IsExecutableFile, OnlyARegularFileThisUserMayRun) {
    TempDir dir;
    for (const auto& [name, mode] : {std::pair{"run", 0755}, {"owner", 0700}, {"plain", 0644}}) {
        WriteWholeFile(dir / name, "#!/bin/sh\n");
        ::chmod((dir / name).c_str(), mode);
    }
    std::filesystem::create_directories(dir / "folder");
    std::filesystem::create_symlink(dir / "run", dir / "link");
    const std::pair<const char*, bool> cases[] = {{"run", true},     {"owner", true},
                                                  {"link", true},    {"plain", false},
                                                  {"folder", false}, {"missing", false}};
    for (const auto& [name, expected] : cases) {
        EXPECT_EQ(IsExecutableFile((dir / name).string()), expected) << name;
    }
}

}  // namespace
}  // namespace tarvox
