// Runs one of the test-server scripts (scripts/test-servers) with Debian's
// Python, collecting what it prints, within a time limit.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace tarvox {

// Runs `/usr/bin/python3 script arguments...` with standard input from
// /dev/null. True when it exits with 0; otherwise false with the reason (and
// what it printed on standard error) in `error`.
bool RunTestServerScript(const std::filesystem::path& script_path,
                         const std::vector<std::string>& arguments, std::string* output,
                         std::string* error);

// The script of that name in scripts/test-servers.
std::filesystem::path TestServerScriptPath(std::string_view name);

// The servers fork into the background and are orphaned; where the machine's
// init does not reap orphans, every stopped server would stay behind as a
// zombie. As a subreaper this process inherits them and reaps them itself.
void BecomeSubreaperOnce();

// The last line a script printed, without its line end: its description.
std::string LastOutputLine(const std::string& output);

// One value of a JSON object as the scripts write them: a string, a literal
// (number, true, false, null; kept as its text), an array of strings, or an
// object (flattened into the enclosing map with "outer.inner" keys).
struct ScriptJsonField {
    bool is_string = false;
    std::string text;
    std::vector<std::string> items;
};

using ScriptJsonObject = std::map<std::string, ScriptJsonField>;

// Reads one line holding one JSON object; false when it is not one.
bool ReadScriptJson(std::string_view line, ScriptJsonObject* object);

// A decimal number of at most `maximum`, digits only.
bool ParseScriptNumber(const std::string& text, unsigned long long maximum,
                       unsigned long long* value);

// A port number 1..65535 written as a JSON number.
bool ParseScriptPort(const ScriptJsonField& field, std::uint16_t* port);

}  // namespace tarvox
