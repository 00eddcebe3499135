#include "junk/foreign_address.h"

#include <gtest/gtest.h>

#include "support/scripted_services.h"

namespace tarvox {
namespace {

TEST(ExtractReceivedAddress, TakesTheFirstWellFormedBracketedAddress) {
    const std::pair<std::string, std::optional<std::string>> cases[] = {
        {"from mx.example.org ([203.0.113.7]) by here", "203.0.113.7"},
        {"from a (b.example [198.51.100.2]) by c", "198.51.100.2"},
        {"from a (HELO x) [192.0.2.1]", "192.0.2.1"},
        {"from a ([0.1.2.3]) ([192.0.2.9])", "192.0.2.9"},  // first octet 0 refused
        {"from a ([256.1.1.1])", std::nullopt}, {"from a ([1.2.3.256])", std::nullopt},
        {"from a ([1.2.3])", std::nullopt}, {"from a ([1.2.3.4>", std::nullopt},
        {"from a ([1.2.3.4 ])", std::nullopt},  // one character after the address
        {"from a ( 10.0.0.1)", "10.0.0.1"},     // "%u" skips blanks
        {"by b.example with SMTP", std::nullopt}, {"", std::nullopt},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(ExtractReceivedAddress(text), expected) << text;
    }
}

TEST(InProviderNetworks, MatchesTextualPrefixes) {
    const std::tuple<std::string, std::string, bool> cases[] = {
        {"10.", "10.0.0.5", true}, {"10.", "100.0.0.5", false}, {"192.168.,10.", "10.1.1.1", true},
        {"10.1", "10.100.2.3", true},  // no final period: matches more than meant
        {",,", "10.1.1.1", false}, {"", "10.1.1.1", false},
    };
    for (const auto& [networks, address, expected] : cases) {
        EXPECT_EQ(InProviderNetworks(networks, address), expected) << networks << " " << address;
    }
}

TEST(FindForeignAddress, SkipsOwnNetworksTopDown) {
    const std::string headers =
        "Return-Path: <a@example.org>\r\n"
        "Received: from relay.isp.example ([10.0.0.5])\r\n"
        "\tby pop.isp.example; Sat, 22 Mar 2003 11:33:30 +0100\r\n"
        "Received: from mail.sender.example\r\n"
        "\t([203.0.113.7]) by relay.isp.example\r\n"
        "Received: from inner ([198.51.100.9])\r\n"
        "Subject: hi\r\n";
    EXPECT_EQ(FindForeignAddress(headers, "10."), "203.0.113.7");
    EXPECT_EQ(FindForeignAddress(headers, ""), "10.0.0.5");
    EXPECT_EQ(FindForeignAddress(headers, "10.,203."), "198.51.100.9");
    EXPECT_EQ(FindForeignAddress(headers, "10.,203.,198."), std::nullopt);
    EXPECT_EQ(FindForeignAddress("Subject: none\r\n", ""), std::nullopt);
    // Only one continuation line belongs to a Received header.
    EXPECT_EQ(FindForeignAddress("Received: a\r\n b\r\n c ([192.0.2.1])\r\n", ""), std::nullopt);
    // The name is case-sensitive.
    EXPECT_EQ(FindForeignAddress("received: a ([192.0.2.1])\r\n", ""), std::nullopt);
}

TEST(SuggestedNetwork, CutsAfterTheSecondToLastPeriod) {
    const std::pair<std::string, std::string> cases[] = {
        {"192.168.0.1", "192.168."}, {"203.0.113.7", "203.0."}, {"10.1.2.", "10.1."},
        {"10.1", "10.1"}, {"10", "10"}, {".5", ".5"}, {"..", "."}, {"", ""},
    };
    for (const auto& [address, expected] : cases) {
        EXPECT_EQ(SuggestedNetwork(address), expected) << address;
    }
}

TEST(IsAcceptableNetwork, NeedsThreePeriodsOrAFinalOne) {
    const std::pair<std::string, bool> cases[] = {
        {"192.168.", true}, {"10.", true}, {"10.1.2.", true}, {"192.168.0.1", true},
        {"10.1", false},  // would also match 10.100.2.3
        {"10", false}, {"1.2.3.4.5", false}, {"1.2.3.4.5.", true}, {"a.b.c.d", true}, {".", true},
    };
    for (const auto& [network, expected] : cases) {
        EXPECT_EQ(IsAcceptableNetwork(network), expected) << network;
    }
}

TEST(AskForProviderNetwork, AsksAgainWithTheRefusedTextUntilAcceptedOrCancelled) {
    using Texts = std::vector<std::string>;
    // The answers typed ("" cancels), the prompts' initial texts, the network added.
    const std::tuple<Texts, Texts, std::optional<std::string>> cases[] = {
        {{"203.0."}, {"203.0."}, "203.0."},
        {{"203.0", "203.0."}, {"203.0.", "203.0"}, "203.0."},
        {{"203.0", ""}, {"203.0.", "203.0"}, std::nullopt},
    };
    for (const auto& [typed, shown, added] : cases) {
        ScriptedServices services;
        for (const std::string& text : typed) {
            text.empty() ? services.QueuePromptCancel() : services.QueuePromptText(text);
        }
        EXPECT_EQ(AskForProviderNetwork(services, "203.0.113.7"), added);
        Texts initial;
        for (const TextPromptRequest& prompt : services.Prompts()) {
            initial.push_back(prompt.initial_text);
        }
        EXPECT_EQ(initial, shown);
        EXPECT_EQ(services.Boxes().size(), shown.size() - 1) << "a refusal before each retry";
    }
}

}  // namespace
}  // namespace tarvox
