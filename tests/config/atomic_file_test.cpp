#include "config/atomic_file.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
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
    // A write that fails half-way leaves the old file whole and no new or temporary file behind.
    const FileContentWriter half = [](int fd) {
        WriteAll(fd, "half");
        return false;
    };
    EXPECT_FALSE(ReplaceChosenFile(old_file, half));
    EXPECT_FALSE(ReplaceChosenFile(dir / "new.bin", half));
    EXPECT_EQ(ReadWholeFile(old_file), "old content");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);

    // Through a link the linked file gets the text and keeps its mode; a new file is private.
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

TEST(WriteFileAtomically, ReplacesTheFileWholeOwnerOnlyOrNotAtAll) {
    TempDir dir;
    const fs::path path = dir / "made" / "tarvox.ini";  // a missing folder is made
    ASSERT_TRUE(WriteFileAtomically(path, "old content"));
    fs::permissions(path, fs::perms(0644));
    ASSERT_TRUE(WriteFileAtomically(path, "kept"));
    EXPECT_EQ(ReadWholeFile(path), "kept");
    EXPECT_EQ(fs::status(path).permissions(), fs::perms(0600));

    // A disk that fills up part-way: the file size limit makes the write fail.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old_limit{};
    ::getrlimit(RLIMIT_FSIZE, &old_limit);
    rlimit small = old_limit;
    small.rlim_cur = 100;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool saved = WriteFileAtomically(path, std::string(200, 'x'));
    ::setrlimit(RLIMIT_FSIZE, &old_limit);
    std::signal(SIGXFSZ, SIG_DFL);
    EXPECT_FALSE(saved);
    EXPECT_EQ(ReadWholeFile(path), "kept");
    EXPECT_EQ(std::distance(fs::directory_iterator(path.parent_path()), fs::directory_iterator()), 1);

    // A folder in the file's place is not replaced.
    fs::create_directory(dir / "blocked.ini");
    EXPECT_FALSE(WriteFileAtomically(dir / "blocked.ini", "x"));
    EXPECT_TRUE(fs::is_directory(dir / "blocked.ini"));
}

}  // namespace
}  // namespace tarvox
