#include "config/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarvox {
namespace {

StartOptions Parse(const std::vector<std::string_view>& args) { return ParseCommandLine(args); }

TEST(CommandLine, SwitchesAreWholeArgumentsInAnyCase) {
    struct Case {
        std::vector<std::string_view> args;
        std::string command_text;
        bool to, view, minimized, poll;
    };
    const Case cases[] = {
        {{}, "", false, false, false, false},
        {{"Work"}, "Work", false, false, false, false},
        {{"/min", "/Poll"}, "/min /Poll", false, false, true, true},
        {{"--MIN", "--poll"}, "/MIN /POLL", false, false, true, true},
        {{"/view", "/home/ann/tomorrow.tvx"}, "/view /home/ann/tomorrow.tvx", false, true, false,
         false},
        {{"--view", "a.tvx"}, "/VIEW a.tvx", false, true, false, false},
        {{"/to", "mailto:bob@example.org"}, "/to mailto:bob@example.org", true, false, false,
         false},
        {{"/To:mailto:bob@example.org"}, "/To:mailto:bob@example.org", true, false, false, false},
        // Not a switch inside or at the start of a longer argument.
        {{"x/minute", "/polling"}, "x/minute /polling", false, false, false, false},
    };
    for (const Case& c : cases) {
        const StartOptions options = Parse(c.args);
        EXPECT_EQ(options.command_text, c.command_text);
        EXPECT_EQ(options.to, c.to) << c.command_text;
        EXPECT_EQ(options.view, c.view) << c.command_text;
        EXPECT_EQ(options.minimized, c.minimized) << c.command_text;
        EXPECT_EQ(options.poll, c.poll) << c.command_text;
    }
    EXPECT_TRUE(Parse({"--help"}).help);
    EXPECT_TRUE(Parse({"--version"}).version);
}

TEST(CommandLine, ToAddressIsFoundAndDecoded) {
    struct Case {
        std::string_view value;
        std::string address;
    };
    const Case cases[] = {
        {"mailto:bob%40example.org", "bob@example.org"},
        {": :mailto:ann@example.org trailing words", "ann@example.org"},
        {"MAILTO:ann@example.org", "MAILTO:ann@example.org"},  // the prefix is case-sensitive
        {"mailto:a+b%2Bc%41@x", "a b+cA@x"},
        {"%4g", "\x04"},    // one hexadecimal digit
        {"%zz", "%zz"},     // none: copied
        {"ab%00cd", "ab"},  // a NUL ends the text
        {"%4", "\x04"},     // at the end of the text
        {"", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ExtractToAddress(c.value), c.address) << c.value;
    }
    const std::string long_word(600, 'a');
    EXPECT_EQ(ExtractToAddress(long_word), std::string(kToAddressLength, 'a'));
    // A bare mailto link, as desktops pass it, is a /TO request.
    EXPECT_EQ(Parse({"mailto:bob%40example.org"}).to_address, "bob@example.org");
}

TEST(CommandLine, ViewFileRunsToTheEnd) {
    EXPECT_EQ(Parse({"/VIEW", "/home/ann/My", "Mail/a.tvx"}).view_file, "/home/ann/My Mail/a.tvx");
    EXPECT_EQ(Parse({"--view=   /to/x.tvx"}).view_file, "/to/x.tvx");
    EXPECT_EQ(Parse({"/VIEW", "    "}).view_file, "");
    EXPECT_EQ(Parse({"/VIEW"}).view_file, "");
}

}  // namespace
}  // namespace tarvox
