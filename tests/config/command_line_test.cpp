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

TEST(CommandLine, ToLinkIsFoundAndItsAddressDecoded) {
    // {value given with /TO, link, address}
    const std::tuple<std::string_view, std::string, std::string> cases[] = {
        {"mailto:bob%40example.org", "bob%40example.org", "bob@example.org"},
        {": :mailto:ann@example.org trailing words", "ann@example.org", "ann@example.org"},
        // The prefix is case-sensitive.
        {"MAILTO:ann@example.org", "MAILTO:ann@example.org", "MAILTO:ann@example.org"},
        {"mailto:a@b?subject=x%20y&cc=c", "a@b?subject=x%20y&cc=c", "a@b"},
        {"mailto:a+b%2Bc%41@x", "a+b%2Bc%41@x", "a+b+cA@x"}, {"%4g", "%4g", "\x04"},
        {"%zz", "%zz", "%zz"}, {"ab%00cd", "ab%00cd", "ab"}, {"%4", "%4", "\x04"}, {"", "", ""},
        {"mailto:j%C3%B6rg@x", "j%C3%B6rg@x", "jörg@x"}, {"j%F6rg@x", "j%F6rg@x", "jörg@x"},
        {"日本@x", "日本@x", "日本@x"},
    };
    for (const auto& [value, link, address] : cases) {
        EXPECT_EQ(ExtractToLink(value), link) << value;
        EXPECT_EQ(MailtoAddress(link), address) << value;
    }
    EXPECT_EQ(MailtoAddress(std::string(600, 'a')), std::string(kToAddressLength, 'a'));
    // The link is cut at 64 KiB, never inside a character.
    EXPECT_EQ(ExtractToLink(std::string(kToLinkLength - 1, 'a') + "é"),
              std::string(kToLinkLength - 1, 'a'));
    // A bare mailto link, as desktops pass it, is a /TO request.
    const StartOptions bare = Parse({"mailto:bob%40example.org?subject=Hi"});
    EXPECT_EQ(bare.to_link, "bob%40example.org?subject=Hi");
    EXPECT_EQ(bare.to_address, "bob@example.org");
}

TEST(CommandLine, ViewFileRunsToTheEnd) {
    EXPECT_EQ(Parse({"/VIEW", "/home/ann/My", "Mail/a.tvx"}).view_file, "/home/ann/My Mail/a.tvx");
    EXPECT_EQ(Parse({"--view=   /to/x.tvx"}).view_file, "/to/x.tvx");
    EXPECT_EQ(Parse({"/VIEW", "    "}).view_file, "");
    EXPECT_EQ(Parse({"/VIEW"}).view_file, "");
}

}  // namespace
}  // namespace tarvox
