#include "compose/gpg_block.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <tuple>

#include "support/scripted_services.h"
#include "support/temp_dir.h"

namespace tarvox {
namespace {

// A stand-in GnuPG that upper-cases what it is given: the output shows which part went through.
TEST(ApplyGpgToPgpBlock, TheBlockIsReplacedByTheProgramsOutput) {
    // {the text shown, the text after, the boxes' texts}
    using Texts = std::vector<std::string>;
    const std::tuple<const char*, std::optional<std::string>, Texts> cases[] = {
        {"Intro\n-----BEGIN PGP MESSAGE-----\nabc\n",
         "Intro\r\n-----BEGIN PGP MESSAGE-----\r\nABC\r\n", {}},
        // Only the first marker starts the block; a text before it keeps its own lines.
        {"a\nb -----BEGIN PGP x\n-----BEGIN PGP y\n", "a\r\nb -----BEGIN PGP X\r\n-----BEGIN PGP Y\r\n",
         {}},
        {"Intro\n-----BEGIN pgp\n", std::nullopt,
         {"No PGP/GPG or OpenPGP marker found in this message"}},
    };
    TempDir dir;
    const std::filesystem::path program = dir / "fake-gpg";
    WriteWholeFile(program, "#!/bin/sh\n[ $# -eq 0 ] && tr a-z A-Z\n");
    ::chmod(program.c_str(), 0755);
    for (const auto& [shown, result, expected] : cases) {
        SCOPED_TRACE(shown);
        ScriptedServices services;
        EXPECT_EQ(ApplyGpgToPgpBlock(shown, program.string(), services), result);
        std::vector<std::string> boxes;
        for (const MessageBoxRequest& box : services.Boxes()) {
            EXPECT_EQ(box.caption, "PGP/GPG support");
            boxes.push_back(box.text);
        }
        EXPECT_EQ(boxes, expected);
    }
}

}  // namespace
}  // namespace tarvox
