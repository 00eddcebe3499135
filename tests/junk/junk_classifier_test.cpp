#include "junk/junk_classifier.h"

#include <gtest/gtest.h>

#include <string>

#include "codec/base64.h"
#include "junk/junk_rules.h"
#include "message/message_test_files.h"

namespace tarvox {
namespace {

using enum JunkVerdict;

// One pattern as the profile stores it: base64, then a comma.
std::string Pattern(std::string_view pattern) {
    return EncodeBase64(pattern) + ",";
}

TEST(ScanAndClassify, JunkVerdictPrecedence) {
    // Every rule can fire on this message; the settings choose which do.
    const std::string message = testing::ReadMessageFile("bulk_offer.eml");
    const std::string bulk = Pattern("X-Mailer: Bulk*");
    const std::string other = Pattern("X-Mailer: Other*");
    const std::pair<JunkSettings, JunkVerdict> cases[] = {
        // blacklist, antispam (the whitelist), whitepat, blackpat, filterbits
        {{}, NotJunk}, {{"", "", "", "", 0x08}, FromMissingAt},
        {{"", "", "", "", 0x28}, FromMissingAt}, {{"", "", "", "", 0x20}, SimilarDomains},
        {{"", "", "", "", 0x48}, Html}, {{"offers", "", "", "", 0x48}, Blacklist},
        {{"offers", "", "", bulk, 0x48}, BlacklistPattern},
        {{"offers", "friend", "", bulk, 0x48}, NotOnWhitelist},
        {{"offers", "friend", other, bulk, 0x48}, NotOnWhitelistPattern},
        // Whitelisted by a pattern: no whitelist verdict, but the blacklist still counts.
        {{"offers", "friend", Pattern("x-mailer: bulk*"), "", 0}, Blacklist},
        // Whitelisted by a term: still junk by a black pattern or a heuristic.
        {{"", "weekly", "", bulk, 0}, BlacklistPattern},
        {{"", "weekly", "", "", 0x08}, FromMissingAt},
        {{"", "nothing,none", "", "", 0}, NotOnWhitelist},
        // Terms meet the subject before its leading blank is removed.
        {{" Weekly", "", "", "", 0}, Blacklist}, {{"  Weekly", "", "", "", 0}, NotJunk},
        {{"BOB@SHOP", "", "", "", 0}, Blacklist},
        {{"", "", "", Pattern(" dan@*"), 0}, BlacklistPattern},  // continuation lines meet patterns too
    };
    for (const auto& [settings, expected] : cases) {
        EXPECT_EQ(ScanAndClassify(message, settings).junk_verdict, expected)
            << settings.blacklist << "|" << settings.antispam << "|" << settings.whitepat << "|"
            << settings.blackpat << "|" << settings.filterbits;
    }
}

TEST(ScanAndClassify, PatternsSkipOverLongLinesAndTermsMeetDecodedWords) {
    const std::string line_510 = "X-Long: " + std::string(502, 'x');
    const JunkSettings long_pattern{"", "", "", Pattern("X-Long: *"), 0};
    const std::tuple<std::string, JunkSettings, JunkVerdict> cases[] = {
        {line_510 + "\r\n\r\n", long_pattern, BlacklistPattern},
        {line_510 + "x\r\n\r\n", long_pattern, NotJunk},
        {"Subject: =?ISO-8859-1?Q?caf=E9?=\r\n\r\n", {"CAFé", "", "", "", 0}, Blacklist},
    };
    for (const auto& [message, settings, expected] : cases) {
        EXPECT_EQ(ScanAndClassify(message, settings).junk_verdict, expected) << message;
    }
}

}  // namespace
}  // namespace tarvox
