// tarvox-cli demo-settings, profiles and self-check, run as the built program.
#include <gtest/gtest.h>

#include <string>

#include "cli/cli_runner.h"
#include "support/temp_dir.h"

namespace tarvox {
namespace {

TEST(CliSettingsCommands, ExitStatusAndOutput) {
    TempDir scratch;
    const std::string file = (scratch / "demo.ini").string();
    const CliCase cases[] = {
        {{"demo-settings", file, "--pop3-port", "1110", "--smtp-port", "1025"}, "", 0, "", ""},
        {{"demo-settings", file, "--pop3-port", "1110", "--smtp-port", "1025"}, "", 1, "",
         file + " exists already"},
        {{"profiles", "--settings", file}, "", 0,
         "Demo\n  POP3  127.0.0.1:1110, cleartext, user alice, password stored\n"
         "  SMTP  127.0.0.1:1025, cleartext, sender Alice Demo <alice@example.test>\n",
         ""},
        {{"self-check"}, "", 0, "tarvox self-check passed\n", ""},
    };
    for (const CliCase& c : cases) {
        ExpectCli(c);
    }
}

}  // namespace
}  // namespace tarvox
