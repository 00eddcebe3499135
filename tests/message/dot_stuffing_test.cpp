#include "message/dot_stuffing.h"

#include <gtest/gtest.h>

#include <string>

namespace tarvox {
namespace {

TEST(DotStuffing, OneLeadingDotLessExceptTheTerminator) {
    const std::pair<std::string, std::string> cases[] = {
        {"..\r\n", ".\r\n"}, {"..hidden\r\n", ".hidden\r\n"}, {"...three\r\n", "..three\r\n"},
        {".\r\n", ".\r\n"}, {".", "."},  // the end of the message, not a stuffed line
        {" .x\r\n", " .x\r\n"}, {"a.b\r\n", "a.b\r\n"}, {"", ""},
        // Only line starts count; a line without CR LF at the end counts as a line.
        {"one\r\n..two\r\nthree..\r\n..", "one\r\n.two\r\nthree..\r\n."},
        {"x\n..y\r\n", "x\n..y\r\n"},  // a bare LF is no line end
    };
    for (const auto& [stuffed, plain] : cases) {
        EXPECT_EQ(UnstuffText(stuffed), plain) << stuffed;
    }
}

}  // namespace
}  // namespace tarvox
