#include "config/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace tarvox {
namespace {

StartOptions Parse(const std::vector<std::string_view>& args) { return ParseCommandLine(args); }

TEST(CommandLine, SwitchesAreWholeArgumentsInAnyCase) {
    // {arguments, command text, the switches found: To, View, Minimized, Poll}
    const std::tuple<std::vector<std::string_view>, std::string, std::string> cases[] = {
        {{}, "", ""}, {{"Work"}, "Work", ""},
        {{"/min", "/Poll"}, "/min /Poll", "MP"}, {{"--MIN", "--poll"}, "/MIN /POLL", "MP"},
        {{"/view", "/home/ann/tomorrow.tvx"}, "/view /home/ann/tomorrow.tvx", "V"},
        {{"--view", "a.tvx"}, "/VIEW a.tvx", "V"},
        {{"/to", "mailto:bob@example.org"}, "/to mailto:bob@example.org", "T"},
        {{"/To:mailto:bob@example.org"}, "/To:mailto:bob@example.org", "T"},
        // Not a switch inside or at the start of a longer argument.
        {{"x/minute", "/polling"}, "x/minute /polling", ""},
    };
    for (const auto& [args, command_text, switches] : cases) {
        const StartOptions o = Parse(args);
        EXPECT_EQ(o.command_text, command_text);
        EXPECT_EQ(std::string(o.to ? "T" : "") + (o.view ? "V" : "") + (o.minimized ? "M" : "") +
                      (o.poll ? "P" : ""),
                  switches)
            << command_text;
    }
    EXPECT_TRUE(Parse({"--help"}).help);
    EXPECT_TRUE(Parse({"--version"}).version);
}

TEST(CommandLine, ToAddressIsFoundAndDecoded) {
    const std::pair<std::string_view, std::string> cases[] = {
        {"mailto:bob%40example.org", "bob@example.org"},
        {": :mailto:ann@example.org trailing words", "ann@example.org"},
        {"MAILTO:ann@example.org", "MAILTO:ann@example.org"},  // the prefix is case-sensitive
        {"mailto:a+b%2Bc%41@x", "a b+cA@x"}, {"%4g", "\x04"},  // one hexadecimal digit
        {"%zz", "%zz"}, {"ab%00cd", "ab"}, {"%4", "\x04"}, {"", ""},  // a NUL ends the text
        {"mailto:j%C3%B6rg@x", "jörg@x"}, {"mailto:j%F6rg@x", "jörg@x"}, {"日本@x", "日本@x"},
    };
    for (const auto& [value, address] : cases) {
        EXPECT_EQ(ExtractToAddress(value), address) << value;
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
