// Registrations into throw-away XDG folders, read back with the desktop's own tools.
#include "shell/desktop_registration.h"

#include <gtest/gtest.h>

#include <string>

#include "compose/piped_process.h"
#include "config/file_io.h"
#include "support/temp_dir.h"

namespace tarvox {
namespace {

namespace fs = std::filesystem;

// A tool of the desktop run with the test's folders as the user's.
std::string RunTool(const DesktopFolders& folders, std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), {"/usr/bin/env", "XDG_DATA_HOME=" + folders.data_home.string(),
                                         "XDG_CONFIG_HOME=" + folders.config_home.string(),
                                         "XDG_CURRENT_DESKTOP=X-Generic"});
    const std::optional<PipedResult> run = RunPiped(arguments, "");
    EXPECT_TRUE(run && run->exit_code == 0) << arguments[4] << ": " << (run ? run->standard_output + run->standard_error : "");
    return run ? run->standard_output : "";
}

TEST(DesktopRegistration, MailtoAndMessageFilesReadBackByTheDesktop) {
    TempDir dir;
    const DesktopFolders folders{dir / "data", dir / "config", {"/usr/bin"}};
    const fs::path program = "/opt/My Apps/tarvox";
    EXPECT_EQ(RegisterMailtoHandler(folders, program), std::vector<std::string>{});
    EXPECT_EQ(AssociateMessageFiles(folders, program), std::vector<std::string>{});

    EXPECT_EQ(RunTool(folders, {"/usr/bin/xdg-mime", "query", "default", "x-scheme-handler/mailto"}),
              "tarvox.desktop\n");
    EXPECT_EQ(RunTool(folders, {"/usr/bin/xdg-mime", "query", "default", "application/x-tarvox-message"}),
              "tarvox-viewer.desktop\n");
    for (const char* entry : {"tarvox.desktop", "tarvox-viewer.desktop"}) {
        RunTool(folders, {"/usr/bin/desktop-file-validate", (folders.data_home / "applications" / entry).string()});
    }
    // update-mime-database compiled the type: *.tvx is known.
    const std::string globs = ReadFileBytes((folders.data_home / "mime" / "globs2").string()).value_or("");
    EXPECT_NE(globs.find("application/x-tarvox-message:*.tvx"), std::string::npos) << globs;
}

TEST(DesktopEntryText, TheProgramIsQuotedOnlyWhenItMustBe) {
    struct Case {
        const char* program;
        bool viewer;
        const char* exec;
    } const cases[] = {
        {"/usr/bin/tarvox", false, "Exec=/usr/bin/tarvox %u\n"},
        {"/opt/My Apps/tarvox", true, "Exec=\"/opt/My Apps/tarvox\" /VIEW %f\n"},
        {"/opt/a\"$b/tarvox", false, "Exec=\"/opt/a\\\\\"\\\\$b/tarvox\" %u\n"},
        {"/opt/50%/tarvox", false, "Exec=/opt/50%%/tarvox %u\n"},
    };
    for (const Case& c : cases) {
        EXPECT_NE(DesktopEntryText(c.program, c.viewer).find(c.exec), std::string::npos) << c.program;
    }
}

TEST(DesktopRegistration, EachFailureIsCollectedAndToldTogether) {
    TempDir dir;
    WriteWholeFile(dir / "config", "a file where the folder should be");
    WriteWholeFile(dir / "data", "the same");
    const DesktopFolders folders{dir / "data", dir / "config", {}};
    const std::vector<std::string> failures = RegisterMailtoHandler(folders, "/usr/bin/tarvox");
    ASSERT_EQ(failures.size(), 2u);
    const std::string text = RegistrationFailureText(failures);
    EXPECT_TRUE(text.starts_with("Unable to register the handler: cannot write ")) << text;
    EXPECT_NE(text.find("\ncannot write"), std::string::npos);
    EXPECT_EQ(RegistrationFailureText({}), "");
}

}  // namespace
}  // namespace tarvox
