// Runs the built tarvox-cli as a child process, for the tests of its commands.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tarvox {

struct CliResult {
    int status = -1;  // the exit status; -1 when it did not exit normally
    std::string out;
    std::string err;
};

// Runs tarvox-cli with `args` and `input` on its standard input (not a terminal).
CliResult RunCli(const std::vector<std::string>& args, std::string_view input = {});

// A run of tarvox-cli and what it must give: the exit status and a text that standard
// output and one that standard error must hold ("" holds anywhere).
struct CliCase {
    std::vector<std::string> args;
    std::string input;
    int status;
    std::string out;
    std::string err;
};

// Runs the case and checks it; a run that fails prints nothing on standard output.
CliResult ExpectCli(const CliCase& c);

}  // namespace tarvox
