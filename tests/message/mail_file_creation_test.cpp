#include "message/mail_file_creation.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <cerrno>
#include <csignal>
#include <filesystem>
#include <string>

#include "support/scripted_services.h"
#include "support/temp_dir.h"

namespace tarvox {
namespace {

namespace fs = std::filesystem;

TEST(CreateMailFile, WritesANewFileWithoutAsking) {
    TempDir dir;
    ScriptedServices services;
    const std::string path = (dir / "a.tvx").string();
    const MailFileResult result =
        CreateMailFile(services, kSaveMailTitle, path, "Subject: x\r\n\r\nbody\r\n");
    EXPECT_EQ(result.outcome, MailFileOutcome::Written);
    EXPECT_EQ(result.path, path);
    EXPECT_EQ(ReadWholeFile(path), "Subject: x\r\n\r\nbody\r\n");
    EXPECT_TRUE(services.Calls().empty());
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST(CreateMailFile, AnExistingFileIsNeverReplaced) {
    TempDir dir;
    const std::string path = (dir / "a.tvx").string();
    WriteWholeFile(path, "first");
    ScriptedServices services;
    // The prompt comes back with the path that failed; a second existing name
    // is refused too, then the third name is written.
    const std::string other = (dir / "b.tvx").string();
    WriteWholeFile(other, "second");
    const std::string third = (dir / "c.tvx").string();
    services.QueuePromptText(other);
    services.QueuePromptText(third);

    const MailFileResult result = CreateMailFile(services, kCopySelfTitle, path, "new");
    EXPECT_EQ(result.outcome, MailFileOutcome::Written);
    EXPECT_EQ(result.path, third);
    EXPECT_EQ(ReadWholeFile(path), "first");
    EXPECT_EQ(ReadWholeFile(other), "second");
    EXPECT_EQ(ReadWholeFile(third), "new");

    const std::vector<TextPromptRequest> prompts = services.Prompts();
    ASSERT_EQ(prompts.size(), 2u);
    EXPECT_EQ(prompts[0].title, "Copy self");
    EXPECT_EQ(prompts[0].prompt,
              "Unable to create file (may already exist). Specify an alternate filename, or click "
              "Cancel");
    EXPECT_TRUE(prompts[0].prefill);
    EXPECT_EQ(prompts[0].initial_text, path);
    EXPECT_EQ(prompts[0].capacity, 260u);
    EXPECT_EQ(prompts[1].initial_text, other);
}

TEST(CreateMailFile, CancelSkipsTheMessageAndALinkIsNotFollowed) {
    TempDir dir;
    WriteWholeFile(dir / "a.tvx", "first");
    fs::create_symlink(dir / "target", dir / "link.tvx");  // dangling: O_CREAT alone would make the target
    for (const char* name : {"a.tvx", "link.tvx"}) {
        ScriptedServices services;
        services.QueuePromptCancel();
        EXPECT_EQ(CreateMailFile(services, kSaveMailTitle, (dir / name).string(), "new").outcome,
                  MailFileOutcome::Skipped);
        ASSERT_EQ(services.Prompts().size(), 1u);
        EXPECT_EQ(services.Prompts()[0].title, "Save mail");
    }
    EXPECT_EQ(ReadWholeFile(dir / "a.tvx"), "first");
    EXPECT_FALSE(fs::exists(dir / "target"));
}

// Holds the file size limit of the process low for one scope, so that a
// write runs out of room as on a full disk.
class ScopedFileSizeLimit {
public:
    explicit ScopedFileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &m_old);
        m_old_handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~ScopedFileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_old_handler);
    }

private:
    rlimit m_old{};
    void (*m_old_handler)(int) = nullptr;
};

TEST(CreateMailFile, AFailedWriteLeavesNoFile) {
    TempDir dir;
    const std::string path = (dir / "a.tvx").string();
    ScriptedServices services;
    MailFileResult result;
    {
        ScopedFileSizeLimit limit(4);
        result = CreateMailFile(services, kSaveMailTitle, path, "more than four bytes");
    }
    EXPECT_EQ(result.outcome, MailFileOutcome::WriteFailed);
    EXPECT_EQ(result.error, EFBIG);
    EXPECT_FALSE(fs::exists(path));
    EXPECT_TRUE(services.Calls().empty());
}

TEST(CreateMailFolder, MakesEveryMissingLevel) {
    TempDir dir;
    const std::string folder = (dir / "tarvox" / "work" / "copyself").string();
    EXPECT_TRUE(CreateMailFolder(folder));
    EXPECT_TRUE(fs::is_directory(folder));
    struct stat info {};
    ASSERT_EQ(::stat((dir / "tarvox").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    // An existing folder is fine.
    EXPECT_TRUE(CreateMailFolder(folder));
    EXPECT_TRUE(CreateMailFolder(folder + "/"));

    // A file in the way is not.
    WriteWholeFile(dir / "file", "x");
    EXPECT_FALSE(CreateMailFolder((dir / "file" / "sub").string()));
    EXPECT_FALSE(CreateMailFolder((dir / "file").string()));
    EXPECT_FALSE(CreateMailFolder(""));
}

}  // namespace
}  // namespace tarvox
