// Reading the message files of the MIME tests (tests/data/message/mime/).
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

namespace tarvox::testing {

inline std::string ReadMimeTestFile(std::string_view name) {
    const std::filesystem::path path =
        std::filesystem::path(TARVOX_TEST_DATA_DIR) / "message" / "mime" / name;
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in.good()) << path;
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Where the header scan would leave its body start: at the empty line that
// ends the header block.
inline std::size_t EmptyLineAfterHeader(std::string_view message) {
    const std::size_t at = message.find("\r\n\r\n");
    EXPECT_NE(at, std::string_view::npos);
    return at + 2;
}

}  // namespace tarvox::testing
