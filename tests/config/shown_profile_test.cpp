#include "config/shown_profile.h"

#include <gtest/gtest.h>

#include "support/scripted_services.h"

namespace tarvox {
namespace {

TEST(ShownProfile, FindsTheRowOfANameInAnyCase) {
    const ProfileList profiles = {Profile{.name = "Work"}, Profile{.name = "home"}};
    EXPECT_EQ(FindProfilePlace(profiles, "HOME")->profile, &profiles.back());
    EXPECT_EQ(FindProfilePlace(profiles, "HOME")->row, 1);
    EXPECT_FALSE(FindProfilePlace(profiles, "spare"));
}

TEST(ShownProfile, SaveAndConnectStoreANamedProfileAndMakeItTheLastUsed) {
    constexpr ProfileStored kMerged = ProfileStored::Merged, kAppended = ProfileStored::Appended;
    constexpr std::optional<ProfileStored> kNone;
    const std::tuple<bool, const char*, int, std::optional<ProfileStored>, const char*> cases[] = {
        // Save (else Connect), name, autosave, stored, last used
        {true, "work", 0, kMerged, "work"}, {true, "New", 0, kAppended, "New"}, {true, "", 1, kNone, "old"},
        {false, "New", 1, kAppended, "New"}, {false, "New", 0, kNone, "New"}, {false, "", 1, kNone, ""},
    };
    for (const auto& [save, name, autosave, stored, last] : cases) {
        Configuration config{.global = {.last = "old"}, .profiles = {Profile{.name = "Work", .host = "old"}}};
        const Profile shown{.name = name, .autosave = autosave, .host = "new"};
        ScriptedServices services;
        EXPECT_EQ(save ? SaveShownProfile(config, shown, services) : RecordConnectProfile(config, shown), stored);
        EXPECT_EQ(config.global.last, last) << name;
        EXPECT_EQ(config.profiles.size(), stored == kAppended ? 2u : 1u);
        EXPECT_EQ(config.profiles.front().host, stored == kMerged ? "new" : "old");
        EXPECT_EQ(services.Boxes().size(), save && !stored ? 1u : 0u);
    }
}

}  // namespace
}  // namespace tarvox
