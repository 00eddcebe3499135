// The process runner against real programs: cat, sh and echo.
#include "compose/piped_process.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/temp_dir.h"

namespace tarvox {
namespace {

std::string Repeated(std::string_view piece, std::size_t total) {
    std::string text;
    while (text.size() < total) {
        text += piece;
    }
    text.resize(total);
    return text;
}

TEST(RunPiped, OutputsAndExitCodeArriveWhole) {
    std::string all_bytes;
    for (int c = 0; c < 1024; ++c) {
        all_bytes += static_cast<char>(c);
    }
    // Both output pipes fill before any input is read: a runner serving one pipe at a time hangs.
    const std::string big = Repeated("0123456789abcdefghijklmnopqrstuvwxyz\r\n", 10 * 1024 * 1024);
    const char* both = "yes err | head -c 3000000 >&2; yes out | head -c 3000000; cat; echo tail >&2";
    // A descriptor left open without O_CLOEXEC (a server connection, say) must not reach the program.
    const int fd = ::open("/dev/null", O_RDONLY);
    const std::string leak_check = "if [ -e /proc/self/fd/" + std::to_string(fd) + " ]; then echo leaked; fi";
    // {script (none: cat), input, standard output, standard error, exit code}
    const std::tuple<const char*, std::string, std::string, std::string, int> cases[] = {
        {nullptr, all_bytes, all_bytes, "", 0}, {nullptr, "", "", "", 0},
        {"exit 3", "some input\n", "", "", 3}, {"exit 255", "", "", "", 255},
        {"cat >/dev/null; exit 1", "some input\n", "", "", 1}, {"kill -9 $$", "", "", "", 128 + 9},
        {both, big, Repeated("out\n", 3000000) + big, Repeated("err\n", 3000000) + "tail\n", 0},
        // A program that stops reading still reports; the closed pipe raises no SIGPIPE here.
        {"echo refused >&2; echo partial; exit 2", std::string(8 << 20, 'x'), "partial\n",
         "refused\n", 2},
        {leak_check.c_str(), "", "", "", 0},
    };
    for (const auto& [script, input, output, error, exit_code] : cases) {
        SCOPED_TRACE(script != nullptr ? script : "cat");
        std::optional<PipedResult> result =
            script != nullptr ? RunPiped({"/bin/sh", "-c", script}, input) : RunPiped({"/bin/cat"}, input);
        ASSERT_TRUE(result);
        EXPECT_TRUE(result->standard_output == output) << result->standard_output.substr(0, 80);
        EXPECT_TRUE(result->standard_error == error) << result->standard_error.substr(0, 80);
        EXPECT_EQ(result->exit_code, exit_code);
    }
    ::close(fd);
}

TEST(RunPiped, ProgramsThatCannotStartGiveNothing) {
    TempDir dir;
    const std::filesystem::path not_executable = dir / "plain.txt";
    WriteWholeFile(not_executable, "#!/bin/sh\necho hi\n");
    ::chmod(not_executable.c_str(), 0644);
    const std::vector<std::vector<std::string>> cases = {
        {}, {""}, {(dir / "no-such-program").string()}, {not_executable.string()},
        {dir.path().string()},
        // A relative path, even to a program that runs, would be taken from the current folder.
        {std::filesystem::relative("/bin/cat").string()}};
    for (const auto& arguments : cases) {
        EXPECT_FALSE(RunPiped(arguments, "input")) << (arguments.empty() ? "(none)" : arguments.front());
    }
}

// Every argument arrives as one word, exactly as given: no shell reads text from a mail.
TEST(RunPiped, ArgumentsAreNeverReadByAShell) {
    TempDir dir;
    const std::string marker = (dir / "ran").string();
    const std::vector<std::string> arguments = {
        "/bin/echo", "a@b; touch " + marker, "$(touch " + marker + ")", "`touch " + marker + "`",
        "x | touch " + marker, "two  spaces", "\"quoted\"", "-n"};
    std::optional<PipedResult> result = RunPiped(arguments, "");
    ASSERT_TRUE(result);
    std::string expected;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        expected += (i > 1 ? " " : "") + arguments[i];
    }
    EXPECT_EQ(result->standard_output, expected + "\n");
    EXPECT_FALSE(std::filesystem::exists(marker));
}

}  // namespace
}  // namespace tarvox
