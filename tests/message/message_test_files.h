// The message files of the tests (tests/data/message/), and lines laid out with CR LF.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <string_view>

#include "support/temp_dir.h"

namespace tarvox::testing {

inline std::string ReadMessageFile(std::string_view relative) {
    std::string text = ReadWholeFile(std::filesystem::path(TARVOX_TEST_DATA_DIR) / "message" / relative);
    EXPECT_FALSE(text.empty()) << relative;
    return text;
}

inline std::string Lines(std::initializer_list<std::string_view> lines) {
    std::string text;
    for (std::string_view line : lines) {
        text.append(line).append("\r\n");
    }
    return text;
}

}  // namespace tarvox::testing
