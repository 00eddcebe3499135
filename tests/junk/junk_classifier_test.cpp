#include "junk/junk_classifier.h"

#include <gtest/gtest.h>

#include <string>

#include "codec/base64.h"
#include "junk/junk_rules.h"
#include "support/temp_dir.h"

namespace tarvox {
namespace {

// Base64 items, one per pattern, as the profile stores them.
std::string Patterns(std::initializer_list<std::string_view> patterns) {
    std::string list;
    for (std::string_view pattern : patterns) {
        list += EncodeBase64(pattern) + ",";
    }
    return list;
}

TEST(ScanAndClassify, JunkVerdictPrecedence) {
    // Every rule can fire on this message; the settings choose which do.
    const std::string message =
        ReadWholeFile(std::filesystem::path(TARVOX_TEST_DATA_DIR) / "message" / "bulk_offer.eml");
    const std::string bulk_mailer = Patterns({"X-Mailer: Bulk*"});
    const std::string other_mailer = Patterns({"X-Mailer: Other*"});
    struct Case {
        JunkSettings settings;  // blacklist, antispam, whitepat, blackpat, filterbits
        JunkVerdict expected;
    };
    const Case cases[] = {
        {{}, JunkVerdict::NotJunk},
        {{"", "", "", "", 0x08}, JunkVerdict::FromMissingAt},
        {{"", "", "", "", 0x28}, JunkVerdict::FromMissingAt},
        {{"", "", "", "", 0x20}, JunkVerdict::SimilarDomains},
        {{"", "", "", "", 0x48}, JunkVerdict::Html},
        {{"offers", "", "", "", 0x48}, JunkVerdict::Blacklist},
        {{"offers", "", "", bulk_mailer, 0x48}, JunkVerdict::BlacklistPattern},
        {{"offers", "friend", "", bulk_mailer, 0x48}, JunkVerdict::NotOnWhitelist},
        {{"offers", "friend", other_mailer, bulk_mailer, 0x48}, JunkVerdict::NotOnWhitelistPattern},
        // Whitelisted by a pattern: no verdict 2, but the blacklist still counts.
        {{"offers", "friend", Patterns({"x-mailer: bulk*"}), "", 0}, JunkVerdict::Blacklist},
        // Whitelisted by a term: still junk by a black pattern or a heuristic.
        {{"", "weekly", "", bulk_mailer, 0}, JunkVerdict::BlacklistPattern},
        {{"", "weekly", "", "", 0x08}, JunkVerdict::FromMissingAt},
        // A whitelist of terms that never occur.
        {{"", "nothing,none", "", "", 0}, JunkVerdict::NotOnWhitelist},
        // Terms meet the subject before its leading blank is removed.
        {{" Weekly", "", "", "", 0}, JunkVerdict::Blacklist},
        {{"  Weekly", "", "", "", 0}, JunkVerdict::NotJunk},
        {{"BOB@SHOP", "", "", "", 0}, JunkVerdict::Blacklist},
        // Continuation lines are tested against the patterns too.
        {{"", "", "", Patterns({" dan@*"}), 0}, JunkVerdict::BlacklistPattern},
        // Undecodable pattern items are skipped.
        {{"", "", "", "!!!!," + bulk_mailer, 0}, JunkVerdict::BlacklistPattern},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ScanAndClassify(message, c.settings).junk_verdict, c.expected)
            << "blacklist[" << c.settings.blacklist << "] antispam[" << c.settings.antispam
            << "] whitepat[" << c.settings.whitepat << "] blackpat[" << c.settings.blackpat
            << "] bits " << c.settings.filterbits;
    }
}

TEST(ScanAndClassify, PatternsSkipOverLongLinesAndTermsMeetDecodedWords) {
    const std::string line_510 = "X-Long: " + std::string(502, 'x');
    const JunkSettings long_pattern{"", "", "", Patterns({"X-Long: *"}), 0};
    struct Case {
        std::string message;
        JunkSettings settings;
        JunkVerdict expected;
    };
    const Case cases[] = {
        {line_510 + "\r\n\r\n", long_pattern, JunkVerdict::BlacklistPattern},
        {line_510 + "x\r\n\r\n", long_pattern, JunkVerdict::NotJunk},
        {"Subject: =?ISO-8859-1?Q?caf=E9?=\r\n\r\n", {"CAF\xe9", "", "", "", 0},
         JunkVerdict::Blacklist},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ScanAndClassify(c.message, c.settings).junk_verdict, c.expected) << c.message;
    }
}

}  // namespace
}  // namespace tarvox
