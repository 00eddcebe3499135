// The Filters tab: one bit of `filterbits` per box, term lines kept as typed.
#include "ui/filters_page.h"

#include <QCheckBox>
#include <QLineEdit>

#include <gtest/gtest.h>

namespace tarvox {
namespace {

TEST(FiltersPage, BoxesShowAndSetTheirBitsAndTermListsAreKeptAsTyped) {
    FiltersPage page;
    Profile profile{.filterbits = 0x141, .antispam = "friend,Café"};  // 0x100 is no rule's bit
    page.ShowProfile(profile);
    EXPECT_TRUE(page.findChild<QCheckBox*>("fromEmpty")->isChecked());
    EXPECT_FALSE(page.findChild<QCheckBox*>("subjectSpaces")->isChecked());
    auto* whitelist = page.findChild<QLineEdit*>("whitelist");
    EXPECT_EQ(whitelist->text(), QString::fromUtf8("friend,Café"));
    page.findChild<QCheckBox*>("htmlMail")->setChecked(false);
    page.findChild<QCheckBox*>("similarDomains")->setChecked(true);
    whitelist->setText(QString::fromUtf8("friend, Café,"));
    page.findChild<QLineEdit*>("blacklist")->setText(QString::fromUtf8(" viagra ,,€ — 日本"));
    page.ReadProfile(profile);
    EXPECT_EQ(profile.filterbits, 0x121);
    EXPECT_EQ(profile.antispam, "friend, Café,");
    EXPECT_EQ(profile.blacklist, " viagra ,,€ — 日本");
}

}  // namespace
}  // namespace tarvox
