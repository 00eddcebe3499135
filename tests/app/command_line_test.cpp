#include "app/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarvox {
namespace {

StartOptions Parse(const std::vector<std::string_view>& args) { return ParseCommandLine(args); }

TEST(CommandLine, SwitchesAnywhereInAnyCase) {
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
        {{"/view", "/home/ann/My Mail/a.tvx"}, "/view /home/ann/My Mail/a.tvx", false, true,
         false, false},
        {{"--view", "a.tvx"}, "/VIEW a.tvx", false, true, false, false},
        {{"/to", "mailto:bob@example.org"}, "/to mailto:bob@example.org", true, false, false,
         false},
        // The switch is found inside a word, too.
        {{"x/minute"}, "x/minute", false, false, true, false},
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
        std::string_view command_text;
        std::string address;
    };
    const Case cases[] = {
        {"/to mailto:bob%40example.org", "bob@example.org"},
        {"/TO: :mailto:ann@example.org trailing words", "ann@example.org"},
        {"/TO MAILTO:ann@example.org", "MAILTO:ann@example.org"},  // the prefix is case-sensitive
        {"/TO mailto:a+b%2Bc%41@x", "a b+cA@x"},
        {"/TO %4g", "\x04"},   // one hexadecimal digit
        {"/TO %zz", "%zz"},    // none: copied
        {"/TO ab%00cd", "ab"}, // a NUL ends the text
        {"/TO %4", "\x04"},    // at the end of the text
        {"/TO", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ExtractToAddress(c.command_text), c.address) << c.command_text;
    }
    const std::string long_word(600, 'a');
    EXPECT_EQ(ExtractToAddress("/TO " + long_word), std::string(kToAddressLength, 'a'));
    EXPECT_EQ(Parse({"/TO", "mailto:bob%40example.org"}).to_address, "bob@example.org");
}

TEST(CommandLine, ViewFileRunsToTheEnd) {
    EXPECT_EQ(ExtractViewFile("/VIEW /home/ann/My Mail/a.tvx"), "/home/ann/My Mail/a.tvx");
    EXPECT_EQ(ExtractViewFile("/view    x.tvx"), "x.tvx");
    EXPECT_EQ(ExtractViewFile("/VIEW    "), "");
    EXPECT_EQ(ExtractViewFile("/VIEW"), "");
}

}  // namespace
}  // namespace tarvox
