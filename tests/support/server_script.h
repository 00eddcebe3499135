// Runs one of the test-server scripts (scripts/test-servers) with Debian's
// Python, collecting what it prints, within a time limit.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace tarvox {

// Runs `/usr/bin/python3 script arguments...` with standard input from
// /dev/null. True when it exits with 0; otherwise false with the reason (and
// what it printed on standard error) in `error`.
bool RunTestServerScript(const std::filesystem::path& script_path,
                         const std::vector<std::string>& arguments, std::string* output,
                         std::string* error);

}  // namespace tarvox
