#include "config/profile_rows.h"

#include <gtest/gtest.h>

#include "support/scripted_services.h"

namespace tarvox {
namespace {

TEST(ProfileRows, ANewNameIsRefusedWhenAnotherRowHasItInAnyCase) {
    const std::vector<ProfileRow> rows = {{"Work"}, {"home"}, {"spare"}};
    constexpr ProfileNaming kRename = ProfileNaming::Rename, kClone = ProfileNaming::Clone;
    const std::tuple<ProfileNaming, const char*, const char*> cases[] = {  // nullptr: cancel, none
        {kRename, "WORK", "WORK"},  // its own name in another case
        {kRename, "Home", nullptr}, {kRename, nullptr, nullptr},
        {kClone, "work", nullptr},  {kClone, "Work copy", "Work copy"},
    };
    for (const auto& [naming, answer, name] : cases) {
        ScriptedServices services;
        answer != nullptr ? services.QueuePromptText(answer) : services.QueuePromptCancel();
        EXPECT_EQ(AskProfileName(services, rows, 0, naming).value_or("-"), name ? name : "-");
        EXPECT_EQ(services.Prompts().at(0).initial_text, "Work");
        EXPECT_EQ(services.Boxes().size(), answer != nullptr && name == nullptr ? 1u : 0u) << answer;
    }
}

TEST(ProfileRows, OkCopiesTheRowsProfilesUnderTheirNamesInRowOrder) {
    Profile work{.name = "Work", .host = "pop.work.example", .pop_sslid = "AA:BB"};
    const Profile home{.name = "home", .host = "pop.home.example"};
    const std::optional<ProfileList> list =
        ProfilesFromRows(std::vector<ProfileRow>{{"home", &home}, {"Work copy", &work}});
    work.name = "Work copy";
    EXPECT_EQ(list, (ProfileList{home, work}));
    EXPECT_FALSE(ProfilesFromRows(std::vector<ProfileRow>{{"lost"}}));
}

}  // namespace
}  // namespace tarvox
