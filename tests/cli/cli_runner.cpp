#include "cli/cli_runner.h"

#include <sys/wait.h>

#include <cstdlib>

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace tarvox {

// Runs the command through /bin/sh, each argument in single quotes.
CliResult RunCli(const std::vector<std::string>& args, std::string_view input) {
    const auto quote = [](std::string_view text) {
        std::string quoted = "'";
        for (char c : text) {
            quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
        }
        return quoted + "'";
    };
    TempDir scratch;
    WriteWholeFile(scratch / "cli.in", input);
    std::string command = quote(TARVOX_CLI_BINARY);
    for (const std::string& arg : args) {
        command += " " + quote(arg);
    }
    command += " <" + quote((scratch / "cli.in").string()) + " >" + quote((scratch / "cli.out").string()) +
               " 2>" + quote((scratch / "cli.err").string());
    const int wait_status = std::system(command.c_str());
    EXPECT_TRUE(WIFEXITED(wait_status)) << command;
    return {WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : -1, ReadWholeFile(scratch / "cli.out"),
            ReadWholeFile(scratch / "cli.err")};
}

CliResult ExpectCli(const CliCase& c) {
    SCOPED_TRACE(testing::PrintToString(c.args));
    CliResult result = RunCli(c.args, c.input);
    EXPECT_EQ(result.status, c.status) << result.err;
    EXPECT_NE(result.out.find(c.out), std::string::npos) << result.out;
    EXPECT_NE(result.err.find(c.err), std::string::npos) << result.err;
    if (c.status != 0) {
        EXPECT_EQ(result.out, "");
    }
    return result;
}

}  // namespace tarvox
