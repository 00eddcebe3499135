// The message files of the tests (tests/data/message/), and lines laid out with CR LF.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <string_view>

namespace tarvox::testing {

inline std::string ReadMessageFile(std::string_view relative) {
    const auto path = std::filesystem::path(TARVOX_TEST_DATA_DIR) / "message" / relative;
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in.good()) << path;
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline std::string Lines(std::initializer_list<std::string_view> lines) {
    std::string text;
    for (std::string_view line : lines) {
        text.append(line).append("\r\n");
    }
    return text;
}

}  // namespace tarvox::testing
