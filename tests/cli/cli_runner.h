// Runs the built tarvox-cli as a child process, for the tests of its commands.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tarvox {

struct CliResult {
    int status = -1;  // -1: it did not exit normally
    std::string out, err;
};

// Runs tarvox-cli with `args` and `input` on its standard input (not a terminal).
CliResult RunCli(const std::vector<std::string>& args, std::string_view input = {});

// A run of tarvox-cli and what it must give: the exit status, a text held by standard output, one by standard error.
struct CliCase {
    std::vector<std::string> args;
    std::string input;
    int status;
    std::string out, err;
};

// Runs the case and checks it; a run that fails prints nothing on standard output.
CliResult ExpectCli(const CliCase& c);

}  // namespace tarvox
