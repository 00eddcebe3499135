#include "config/opening_profile.h"

#include <gtest/gtest.h>

#include <tuple>

namespace tarvox {
namespace {

TEST(OpeningProfile, TheCommandLineNameElseTheLastElseTheFirst) {
    ProfileList profiles;
    for (const char* name : {"work", "home", "spare"}) {
        AppendProfile(profiles, Profile{}).name = name;
    }
    // {name on the command line, last profile, profile opened}
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"", "gone", "work"}, {"spare", "home", "spare"}, {"nosuch", "HOME", "home"},
        {"", "", "work"},     {"SPARE", "", "spare"},
    };
    for (const auto& [command_name, last, expected] : cases) {
        const Profile* opened = OpeningProfile(profiles, command_name, last);
        ASSERT_NE(opened, nullptr) << command_name << " / " << last;
        EXPECT_EQ(opened->name, expected);
    }
    EXPECT_EQ(OpeningProfile({}, "work", "work"), nullptr);
}

}  // namespace
}  // namespace tarvox
