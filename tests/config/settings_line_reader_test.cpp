#include "config/settings_line_reader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace tarvox {
namespace {

std::vector<std::string> PiecesOf(SettingsLineReader reader) {
    std::vector<std::string> pieces;
    std::string piece;
    while (reader.Next(piece)) {
        pieces.push_back(piece);
    }
    return pieces;
}

TEST(SettingsLineReader, ReadsLinesTheWayTextModeFgetsDoes) {
    const std::string limit(kSettingsLinePieceLimit, 'x');
    const std::string almost(kSettingsLinePieceLimit - 1, 'x');
    const std::pair<std::string, std::vector<std::string>> cases[] = {
        {"", {}}, {"a\nb\n", {"a\n", "b\n"}}, {"a\r\nb\r\n\r\n", {"a\n", "b\n", "\n"}},
        {"lone\rcr\n", {"lone\rcr\n"}}, {"no newline", {"no newline"}},
        {std::string("nu\0l\nnext\n", 10), {"nu", "next\n"}},
        // A line longer than the buffer arrives in pieces; a lone newline reads as an empty line.
        {limit + "\n", {limit, "\n"}}, {limit + "yz\n", {limit, "yz\n"}},
        {almost + "\r\n", {almost + "\n"}},  // CR LF counts as one character against the limit
    };
    for (const auto& [text, pieces] : cases) {
        EXPECT_EQ(PiecesOf(SettingsLineReader(text)), pieces) << text.substr(0, 40);
    }
}

TEST(SettingsLineReader, FileAndMemorySourcesAgree) {
    const std::string text = "{tarvox}\r\nlast=x\r\n\r\n[p]\nhost=h\r\n" + std::string(30000, 'q') + "\n";
    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    std::fwrite(text.data(), 1, text.size(), file);
    std::rewind(file);
    const std::vector<std::string> pieces = PiecesOf(SettingsLineReader(file));
    std::fclose(file);
    EXPECT_EQ(pieces, PiecesOf(SettingsLineReader(text)));
}

}  // namespace
}  // namespace tarvox
