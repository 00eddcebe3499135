#include "message/mail_file_creation.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>
#include <filesystem>
#include <string>
#include <tuple>

#include "support/crash_loop.h"
#include "support/scripted_services.h"
#include "support/temp_dir.h"

namespace tarvox {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

TEST(CreateMailFile, WritesANewFileWithoutAskingAndNeverReplacesOne) {
    TempDir dir;
    ScriptedServices quiet;
    const std::string first = (dir / "a.tvx").string(), second = (dir / "b.tvx").string();
    const MailFileResult result = CreateMailFile(quiet, kSaveMailTitle, first, "body\0"s);
    EXPECT_EQ(std::tie(result.outcome, result.path), std::tuple(MailFileOutcome::Written, first));
    EXPECT_TRUE(quiet.Calls().empty());
    struct stat info {};
    ASSERT_EQ(::stat(first.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    // The prompt comes back with the path that failed; a second existing name is refused too.
    WriteWholeFile(second, "second");
    ScriptedServices services;
    services.QueuePromptText(second);
    services.QueuePromptText((dir / "c.tvx").string());
    EXPECT_EQ(CreateMailFile(services, kCopySelfTitle, first, "new").outcome, MailFileOutcome::Written);
    EXPECT_EQ(ReadWholeFile(first) + ReadWholeFile(second) + ReadWholeFile(dir / "c.tvx"),
              "body\0secondnew"s);
    const std::vector<TextPromptRequest> prompts = services.Prompts();
    ASSERT_EQ(prompts.size(), 2u);
    EXPECT_EQ(prompts[0].title, "Copy self");
    EXPECT_TRUE(prompts[0].prefill);
    EXPECT_EQ(prompts[0].initial_text, first);
    EXPECT_EQ(prompts[1].initial_text, second);
}

TEST(CreateMailFile, CancelSkipsTheMessageAndALinkIsNotFollowed) {
    TempDir dir;
    WriteWholeFile(dir / "a.tvx", "first");
    fs::create_symlink(dir / "target", dir / "link.tvx");  // dangling: O_CREAT alone makes it
    for (const char* name : {"a.tvx", "link.tvx"}) {
        ScriptedServices services;
        services.QueuePromptCancel();
        EXPECT_EQ(CreateMailFile(services, kSaveMailTitle, (dir / name).string(), "new").outcome,
                  MailFileOutcome::Skipped);
        EXPECT_EQ(services.Prompts().size(), 1u);
    }
    EXPECT_EQ(ReadWholeFile(dir / "a.tvx"), "first");
    EXPECT_FALSE(fs::exists(dir / "target"));
}

TEST(CreateMailFile, AFailedWriteLeavesNoFile) {
    TempDir dir;
    const std::string path = (dir / "a.tvx").string();
    ScriptedServices services;
    // A low file size limit makes the write run out of room as on a full disk.
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit low = old;
    low.rlim_cur = 4;
    ::setrlimit(RLIMIT_FSIZE, &low);
    const MailFileResult result = CreateMailFile(services, kSaveMailTitle, path, "more than four");
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, old_handler);
    EXPECT_EQ(result.outcome, MailFileOutcome::WriteFailed);
    EXPECT_EQ(result.error, EFBIG);
    EXPECT_FALSE(fs::exists(path));
    EXPECT_TRUE(services.Calls().empty());
}

TEST(CreateMailFile, AKillDuringTheWriteLeavesNoPartOfAMessage) {
    TempDir dir;
    // Each file's name says what it must hold: the name, then 100 KB.
    const auto content = [](const std::string& name) { return name + std::string(100000, 'm'); };
    CrashLoop(
        100,
        [&](long round) {
            const std::string name = std::to_string(::getpid()) + "-" + std::to_string(round) + ".tvx";
            ScriptedServices services;
            CreateMailFile(services, kSaveMailTitle, (dir / name).string(), content(name));
        },
        [&] {
            for (const fs::directory_entry& file : fs::directory_iterator(dir.path())) {
                const std::string name = file.path().filename().string();
                ASSERT_EQ(ReadWholeFile(file.path()), content(name)) << name;
                fs::remove(file.path());
            }
        });
}

TEST(CreateMailFolder, MakesEveryMissingLevel) {
    TempDir dir;
    const std::string folder = (dir / "tarvox" / "work" / "copyself").string();
    EXPECT_TRUE(CreateMailFolder(folder));
    EXPECT_TRUE(fs::is_directory(folder));
    struct stat info {};
    ASSERT_EQ(::stat((dir / "tarvox").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_TRUE(CreateMailFolder(folder + "/"));  // an existing folder is fine
    // A file in the way is not.
    WriteWholeFile(dir / "file", "x");
    EXPECT_FALSE(CreateMailFolder((dir / "file" / "sub").string()));
    EXPECT_FALSE(CreateMailFolder((dir / "file").string()));
    EXPECT_FALSE(CreateMailFolder(""));
}

}  // namespace
}  // namespace tarvox
