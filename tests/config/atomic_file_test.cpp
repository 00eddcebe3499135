#include "config/atomic_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>

#include "config/file_io.h"
#include "support/temp_dir.h"

namespace tarvox {
namespace {

namespace fs = std::filesystem;

TEST(ReplaceChosenFile, NeverCutsTheOldFileShort) {
    TempDir dir;
    const fs::path old_file = dir / "old.txt";
    WriteWholeFile(old_file, "old content");
    // A write that fails half-way leaves the old file whole and no new or
    // temporary file behind.
    const FileContentWriter half = [](int fd) {
        WriteAll(fd, "half");
        return false;
    };
    EXPECT_FALSE(ReplaceChosenFile(old_file, half));
    EXPECT_FALSE(ReplaceChosenFile(dir / "new.bin", half));
    EXPECT_EQ(ReadWholeFile(old_file), "old content");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);

    // Through a link the linked file gets the text and keeps its mode; a new
    // file is private.
    fs::permissions(old_file, fs::perms(0640));
    fs::create_symlink(old_file, dir / "link");
    const FileContentWriter text = [](int fd) { return WriteAll(fd, "new"); };
    EXPECT_TRUE(ReplaceChosenFile(dir / "link", text));
    EXPECT_TRUE(ReplaceChosenFile(dir / "new.txt", text));
    EXPECT_EQ(ReadWholeFile(old_file), "new");
    EXPECT_TRUE(fs::is_symlink(dir / "link"));
    EXPECT_EQ(fs::status(old_file).permissions(), fs::perms(0640));
    EXPECT_EQ(fs::status(dir / "new.txt").permissions(), fs::perms(0600));
}

}  // namespace
}  // namespace tarvox
