#include "compose/gpg_block.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include "support/scripted_services.h"
#include "support/temp_dir.h"

namespace tarvox {
namespace {

// A stand-in GnuPG that upper-cases what it is given: the output shows which
// part of the text went through it.
TEST(ApplyGpgToPgpBlock, TheBlockIsReplacedByTheProgramsOutput) {
    struct Case {
        const char* shown;
        std::optional<std::string> result;
        std::vector<std::string> boxes;
    };
    const Case cases[] = {
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
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shown);
        ScriptedServices services;
        EXPECT_EQ(ApplyGpgToPgpBlock(c.shown, program.string(), services), c.result);
        std::vector<std::string> boxes;
        for (const MessageBoxRequest& box : services.Boxes()) {
            EXPECT_EQ(box.caption, "PGP/GPG support");
            boxes.push_back(box.text);
        }
        EXPECT_EQ(boxes, c.boxes);
    }
}

}  // namespace
}  // namespace tarvox
