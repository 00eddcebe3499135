// The Filters tab: term lines kept as typed, one bit of `filterbits` per box.
#include "ui/filters_page.h"

#include <QCheckBox>
#include <QLineEdit>

#include <gtest/gtest.h>

#include "junk/junk_settings.h"

namespace tarvox {
namespace {

TEST(FiltersPage, EachHeuristicBoxIsItsOwnBitAndTermListsAreKeptAsTyped) {
    const std::pair<const char*, JunkRule> boxes[] = {
        {"fromEmpty", JunkRule::EmptyFrom},          {"subjectSpaces", JunkRule::SubjectSpaces},
        {"similarUsernames", JunkRule::SimilarUsernames},
        {"fromMissingAt", JunkRule::FromMissingAt},  {"toMissingAddress", JunkRule::ToMissingAddress},
        {"similarDomains", JunkRule::SimilarDomains}, {"htmlMail", JunkRule::Html},
    };
    FiltersPage page;
    Profile profile;
    for (const auto& [name, rule] : boxes) {
        profile.filterbits = 0x100 | static_cast<int>(rule);
        page.ShowProfile(profile);
        for (const auto& [other, other_rule] : boxes) {
            EXPECT_EQ(page.findChild<QCheckBox*>(other)->isChecked(), other == name) << other;
        }
        page.findChild<QCheckBox*>(name)->setChecked(false);
        page.ReadProfile(profile);
        EXPECT_EQ(profile.filterbits, 0x100) << name;
    }
    profile.antispam = "friend,Caf\xe9";
    page.ShowProfile(profile);
    auto* whitelist = page.findChild<QLineEdit*>("whitelist");
    EXPECT_EQ(whitelist->text(), QString::fromUtf8("friend,Café"));
    whitelist->setText(QString::fromUtf8("friend, Café,"));
    page.findChild<QLineEdit*>("blacklist")->setText(" viagra ,,lottery");
    page.ReadProfile(profile);
    EXPECT_EQ(profile.antispam, "friend, Caf\xe9,");
    EXPECT_EQ(profile.blacklist, " viagra ,,lottery");
}

}  // namespace
}  // namespace tarvox
