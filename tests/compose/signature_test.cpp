#include "compose/signature.h"

#include <gtest/gtest.h>

#include <string>

#include "support/temp_dir.h"

namespace tarvox {
namespace {

TEST(SignatureBlock, FileLinesAfterTheSeparatorOrNothing) {
    TempDir dir;
    const std::string path = (dir / "sig").string();
    struct Case {
        const char* what;
        std::string file;
        std::string block;
    };
    const Case cases[] = {
        {"LF lines", "Ann\nwww.example.com\n", "\r\n\r\n-- \r\nAnn\r\nwww.example.com\r\n"},
        {"CR LF lines", "Ann\r\nPhone\r\n", "\r\n\r\n-- \r\nAnn\r\nPhone\r\n"},
        {"no line break at the end", "Ann", "\r\n\r\n-- \r\nAnn\r\n"},
        {"empty lines stay", "a\n\nb\n", "\r\n\r\n-- \r\na\r\n\r\nb\r\n"},
        {"an empty file: the separator alone", "", "\r\n\r\n-- \r\n"},
        {"a long line in pieces of 511", std::string(600, 'x') + "\n",
         "\r\n\r\n-- \r\n" + std::string(511, 'x') + "\r\n" + std::string(89, 'x') + "\r\n"},
        {"a line of exactly 511 gains no empty line", std::string(511, 'y') + "\nz\n",
         "\r\n\r\n-- \r\n" + std::string(511, 'y') + "\r\nz\r\n"},
    };
    for (const Case& c : cases) {
        WriteWholeFile(path, c.file);
        EXPECT_EQ(SignatureBlock(path), c.block) << c.what;
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
