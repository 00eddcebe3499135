#include "junk/stored_flags.h"

#include <gtest/gtest.h>

#include <vector>

namespace tarvox {
namespace {

TEST(StoredFlags, ItemsAreTwelveCharactersOfBase64) {
    const std::vector<FlaggedMessage> messages = {
        {{0x04030201, 0x08070605}, kFlagRead},
        {{0, 0}, kFlagRead}, {{1, 2}, 0},  // no identity, no flags: not stored
        {{0xFFFFFFFF, 1}, 0x103},          // only the low byte is kept
    };
    const std::string stored = BuildStoredFlags(messages);
    // 01 02 03 04 05 06 07 08 01 in base64, then FF FF FF FF 01 00 00 00 03.
    EXPECT_EQ(stored, "AQIDBAUGBwgB,/////wEAAAAD,");
    EXPECT_EQ(LookupStoredFlags(stored, {0x04030201, 0x08070605}), kFlagRead);
    EXPECT_EQ(LookupStoredFlags(stored, {0xFFFFFFFF, 1}), 3u);
    EXPECT_EQ(LookupStoredFlags(stored, {1, 2}), 0u);
    // The first item of an identity answers; one that does not decode is identity 0, no flags.
    const std::string malformed = "short,AQIDBAUGBwgB!,@@@@@@@@@@@@,,AQIDBAUGBwgC,AAAAAAAAAAAD";
    EXPECT_EQ(LookupStoredFlags(malformed, {0x04030201, 0x08070605}), 2u);
    EXPECT_EQ(LookupStoredFlags(malformed + "," + stored, {0x04030201, 0x08070605}), 2u);
    EXPECT_EQ(LookupStoredFlags(malformed, {0, 0}), 0u);
}

TEST(StoredFlags, MergeKeepsFlagsOfMessagesOutsideTheView) {
    const std::vector<FlaggedMessage> old_view = {{{1, 1}, kFlagRead}, {{2, 2}, kFlagReplied}};
    // The new view holds message 2 (now read and replied) and message 3.
    const std::vector<FlaggedMessage> view = {{{2, 2}, kFlagRead | kFlagReplied},
                                              {{3, 3}, kFlagRead}};
    EXPECT_EQ(MergeStoredFlags(BuildStoredFlags(old_view), view),
              BuildStoredFlags(view) + BuildStoredFlags({{old_view[0]}}));
}

}  // namespace
}  // namespace tarvox
