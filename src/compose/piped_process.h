// Running a helper program (GnuPG) with text on its standard input and its
// standard output and standard error collected.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvox {

struct PipedResult {
    std::string standard_output;
    std::string standard_error;
    // The program's exit status; a program ended by a signal gives 128 plus
    // the signal number, as a shell reports it.
    int exit_code = 0;
};

// Starts arguments[0] (an absolute path, never looked up in PATH nor in the
// current folder) with the whole argument vector, never through a shell, so no
// argument is ever read as a command.
// The input is written while both outputs are read, so a program that
// answers before it has read all its input cannot stall the exchange. Waits
// without time-out until the program has ended and both outputs are closed.
//
// Returns nothing when the path is not absolute, the pipes cannot be made,
// the program cannot be started (missing, not executable) or writing the
// input fails. A program
// that closes its standard input before reading everything is not a failure:
// the rest of the input is dropped and its outputs and exit code are returned.
std::optional<PipedResult> RunPiped(const std::vector<std::string>& arguments, std::string_view input);

}  // namespace tarvox
