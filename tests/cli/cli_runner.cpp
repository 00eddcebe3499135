#include "cli/cli_runner.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "support/temp_dir.h"

extern char** environ;

namespace tarvox {

CliResult RunCli(const std::vector<std::string>& args, std::string_view input) {
    TempDir scratch;
    const std::string in_path = (scratch / "cli.in").string();
    const std::string out_path = (scratch / "cli.out").string();
    const std::string err_path = (scratch / "cli.err").string();
    WriteWholeFile(in_path, input);

    std::vector<std::string> strings = {TARVOX_CLI_BINARY};
    strings.insert(strings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& s : strings) {
        argv.push_back(s.data());
    }
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, in_path.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_addopen(&actions, 2, err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    CliResult result;
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    EXPECT_EQ(spawned, 0) << argv[0];
    if (spawned != 0) {
        return result;
    }
    int wait_status = 0;
    EXPECT_EQ(::waitpid(pid, &wait_status, 0), pid);
    EXPECT_TRUE(WIFEXITED(wait_status)) << "tarvox-cli did not exit normally";
    if (WIFEXITED(wait_status)) {
        result.status = WEXITSTATUS(wait_status);
    }
    result.out = ReadWholeFile(out_path);
    result.err = ReadWholeFile(err_path);
    return result;
}

CliResult ExpectCli(const CliCase& c) {
    std::string command;
    for (const std::string& arg : c.args) {
        command += " " + arg;
    }
    SCOPED_TRACE("tarvox-cli" + command);
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
