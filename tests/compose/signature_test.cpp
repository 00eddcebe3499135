#include "compose/signature.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "support/temp_dir.h"

namespace tarvox {
namespace {

TEST(SignatureBlock, FileLinesAfterTheSeparatorOrNothing) {
    TempDir dir;
    const std::string path = (dir / "sig").string();
    const std::string sep = "\r\n\r\n-- \r\n";
    const std::tuple<const char*, std::string, std::string> cases[] = {
        {"LF lines", "Ann\nwww.example.com\n", sep + "Ann\r\nwww.example.com\r\n"},
        {"CR LF lines", "Ann\r\nPhone\r\n", sep + "Ann\r\nPhone\r\n"},
        {"no line break at the end", "Ann", sep + "Ann\r\n"},
        {"empty lines stay", "a\n\nb\n", sep + "a\r\n\r\nb\r\n"},
        {"an empty file: the separator alone", "", sep},
        {"a long line in pieces of 511", std::string(600, 'x') + "\n",
         sep + std::string(511, 'x') + "\r\n" + std::string(89, 'x') + "\r\n"},
        {"a line of exactly 511 gains no empty line", std::string(511, 'y') + "\nz\n",
         sep + std::string(511, 'y') + "\r\nz\r\n"},
    };
    for (const auto& [what, file, block] : cases) {
        WriteWholeFile(path, file);
        EXPECT_EQ(SignatureBlock(path), block) << what;
    }
    // Nothing without a readable file.
    EXPECT_FALSE(SignatureBlock("").has_value());
    EXPECT_FALSE(SignatureBlock((dir / "missing").string()).has_value());
    EXPECT_FALSE(SignatureBlock(dir.path().string()).has_value());

    std::string body = "text\r\n";
    EXPECT_FALSE(InsertSignature(body, (dir / "missing").string()));
    EXPECT_EQ(body, "text\r\n");
}

}  // namespace
}  // namespace tarvox
