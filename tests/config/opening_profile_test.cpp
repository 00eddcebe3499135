#include "config/opening_profile.h"

#include <gtest/gtest.h>

namespace tarvox {
namespace {

TEST(OpeningProfile, TheCommandLineNameElseTheLastElseTheFirst) {
    ProfileList profiles;
    for (const char* name : {"work", "home", "spare"}) {
        AppendProfile(profiles, Profile{}).name = name;
    }
    const struct {
        const char* command_name;
        const char* last;
        const char* opened;
    } cases[] = {
        {"", "gone", "work"}, {"spare", "home", "spare"}, {"nosuch", "HOME", "home"},
        {"", "", "work"},     {"SPARE", "", "spare"},
    };
    for (const auto& test : cases) {
        const Profile* opened = OpeningProfile(profiles, test.command_name, test.last);
        ASSERT_NE(opened, nullptr) << test.command_name << " / " << test.last;
        EXPECT_EQ(opened->name, test.opened);
    }
    EXPECT_EQ(OpeningProfile({}, "work", "work"), nullptr);
}

}  // namespace
}  // namespace tarvox
