// The Filters tab: term lines kept exactly as typed, and each heuristic box
// standing for its own rule's bit of `filterbits`.
#include "ui/filters_page.h"

#include <QCheckBox>
#include <QLineEdit>

#include <gtest/gtest.h>

#include "junk/junk_settings.h"

namespace tarvox {
namespace {

TEST(FiltersPage, EachHeuristicBoxIsItsOwnBitAndOtherBitsAreKept) {
    const std::pair<const char*, JunkRule> boxes[] = {
        {"fromEmpty", JunkRule::EmptyFrom},
        {"subjectSpaces", JunkRule::SubjectSpaces},
        {"similarUsernames", JunkRule::SimilarUsernames},
        {"fromMissingAt", JunkRule::FromMissingAt},
        {"toMissingAddress", JunkRule::ToMissingAddress},
        {"similarDomains", JunkRule::SimilarDomains},
        {"htmlMail", JunkRule::Html},
    };
    FiltersPage page;
    for (const auto& [name, rule] : boxes) {
        Profile profile;
        profile.filterbits = 0x100 | static_cast<int>(rule);
        page.ShowProfile(profile);
        for (const auto& [other, other_rule] : boxes) {
            EXPECT_EQ(page.findChild<QCheckBox*>(other)->isChecked(), other == name) << other;
        }
        page.findChild<QCheckBox*>(name)->setChecked(false);
        page.ReadProfile(profile);
        EXPECT_EQ(profile.filterbits, 0x100) << name;
    }
}

TEST(FiltersPage, TermListsAreShownAndReadExactlyAsTyped) {
    FiltersPage page;
    auto* whitelist = page.findChild<QLineEdit*>("whitelist");
    auto* blacklist = page.findChild<QLineEdit*>("blacklist");
    Profile profile;
    profile.antispam = "friend,Caf\xe9";
    page.ShowProfile(profile);
    EXPECT_EQ(whitelist->text(), QString::fromUtf8("friend,Café"));
    whitelist->setText(QString::fromUtf8("friend, Café,"));
    blacklist->setText(" viagra ,,lottery");
    page.ReadProfile(profile);
    EXPECT_EQ(profile.antispam, "friend, Caf\xe9,");
    EXPECT_EQ(profile.blacklist, " viagra ,,lottery");
}

}  // namespace
}  // namespace tarvox
