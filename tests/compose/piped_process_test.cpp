// The process runner against real programs: cat, sh and echo.
#include "compose/piped_process.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/temp_dir.h"

namespace tarvox {
namespace {

std::string AllByteValues() {
    std::string text;
    for (int repeat = 0; repeat < 4; ++repeat) {
        for (int c = 0; c < 256; ++c) {
            text += static_cast<char>(c);
        }
    }
    return text;
}

std::string Repeated(std::string_view piece, std::size_t total) {
    std::string text;
    text.reserve(total);
    while (text.size() < total) {
        text += piece;
    }
    text.resize(total);
    return text;
}

TEST(RunPiped, CatGivesBackEveryByteIncludingNulAndCr) {
    // Empty input gives end of file at once.
    for (const std::string& input : {AllByteValues(), std::string()}) {
        std::optional<PipedResult> result = RunPiped({"/bin/cat"}, input);
        ASSERT_TRUE(result);
        EXPECT_EQ(result->standard_output, input);
        EXPECT_EQ(result->standard_error, "");
        EXPECT_EQ(result->exit_code, 0);
    }
}

TEST(RunPiped, ExitCodesAndSignalsAreReported) {
    const std::pair<const char*, int> cases[] = {
        {"exit 3", 3}, {"exit 255", 255}, {"cat >/dev/null; exit 1", 1}, {"kill -9 $$", 128 + 9}};
    for (const auto& [script, exit_code] : cases) {
        std::optional<PipedResult> result = RunPiped({"/bin/sh", "-c", script}, "some input\n");
        ASSERT_TRUE(result) << script;
        EXPECT_EQ(result->exit_code, exit_code) << script;
    }
}

// A program that fills both output pipes before it reads a byte of its input,
// then copies 10 MB of input through: a runner that wrote all input first, or
// read one output after the other, would wait for ever.
TEST(RunPiped, LargeOutputsOnBothSidesWhileLargeInputIsWritten) {
    const std::string input = Repeated("0123456789abcdefghijklmnopqrstuvwxyz\r\n", 10 * 1024 * 1024);
    const char* script =
        "yes err | head -c 3000000 >&2; yes out | head -c 3000000; cat; echo tail >&2";
    std::optional<PipedResult> result = RunPiped({"/bin/sh", "-c", script}, input);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->exit_code, 0);
    ASSERT_EQ(result->standard_output.size(), 3000000 + input.size());
    EXPECT_EQ(result->standard_output.substr(0, 3000000), Repeated("out\n", 3000000));
    EXPECT_TRUE(result->standard_output.substr(3000000) == input);
    EXPECT_EQ(result->standard_error, Repeated("err\n", 3000000) + "tail\n");
}

// GnuPG stops reading when it refuses the job (an unknown recipient); its
// messages and exit code must still arrive, and the closed pipe must not end
// this process with SIGPIPE.
TEST(RunPiped, ProgramThatStopsReadingStillReportsItsOutput) {
    const std::string input(8 * 1024 * 1024, 'x');
    std::optional<PipedResult> result =
        RunPiped({"/bin/sh", "-c", "echo refused >&2; echo partial; exit 2"}, input);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->standard_output, "partial\n");
    EXPECT_EQ(result->standard_error, "refused\n");
    EXPECT_EQ(result->exit_code, 2);
    // And the runner still works afterwards.
    std::optional<PipedResult> again = RunPiped({"/bin/cat"}, "still here");
    ASSERT_TRUE(again);
    EXPECT_EQ(again->standard_output, "still here");
}

TEST(RunPiped, ProgramsThatCannotStartGiveNothing) {
    TempDir dir;
    const std::filesystem::path not_executable = dir / "plain.txt";
    WriteWholeFile(not_executable, "#!/bin/sh\necho hi\n");
    ::chmod(not_executable.c_str(), 0644);
    const std::vector<std::vector<std::string>> cases = {
        {},
        {""},
        {(dir / "no-such-program").string()},
        {not_executable.string()},
        {dir.path().string()},  // a folder
    };
    for (const auto& arguments : cases) {
        EXPECT_FALSE(RunPiped(arguments, "input"))
            << (arguments.empty() ? std::string("(none)") : arguments.front());
    }
}

// Every argument arrives as one word, exactly as given: nothing is read by a
// shell, so text from a mail can never run a command.
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

// A descriptor the caller left open (a mail server connection, say) must not
// reach the program.
TEST(RunPiped, ProgramGetsNoOtherDescriptorOfTheCaller) {
    int fd = ::open("/dev/null", O_RDONLY);  // deliberately without O_CLOEXEC
    ASSERT_GE(fd, 3);
    const std::string script =
        "if [ -e /proc/self/fd/" + std::to_string(fd) + " ]; then echo leaked; else echo closed; fi";
    std::optional<PipedResult> result = RunPiped({"/bin/sh", "-c", script}, "");
    ::close(fd);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->standard_output, "closed\n");
}

}  // namespace
}  // namespace tarvox
