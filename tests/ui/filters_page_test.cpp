// The Filters tab: term lines kept exactly as typed, and each heuristic box
// standing for its own bit of `filterbits`.
#include "ui/filters_page.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>

#include <gtest/gtest.h>

namespace tarvox {
namespace {

QCheckBox* BoxLabelled(const FiltersPage& page, const QString& text) {
    for (QCheckBox* box : page.findChildren<QCheckBox*>()) {
        if (box->text() == text) {
            return box;
        }
    }
    return nullptr;
}

struct BitCase {
    const char* label;
    int bit;
};
const BitCase kBitCases[] = {
    {"F&rom: empty () or <>", 0x01},
    {"S&ubject: multiple spaces", 0x02},
    {"T&o/CC: similar usernames", 0x04},
    {"Fro&m: missing @", 0x08},
    {"To: m&issing address or @", 0x10},
    {"To/&CC: similar domains", 0x20},
    {"&HTML mail", 0x40},
};

TEST(FiltersPage, EachHeuristicBoxIsItsOwnBit) {
    FiltersPage page;
    ASSERT_EQ(page.findChildren<QCheckBox*>().size(), 7);
    for (const BitCase& c : kBitCases) {
        SCOPED_TRACE(c.label);
        Profile shown;
        shown.filterbits = c.bit;
        page.ShowProfile(shown);
        for (const BitCase& other : kBitCases) {
            QCheckBox* box = BoxLabelled(page, other.label);
            ASSERT_NE(box, nullptr) << other.label;
            EXPECT_EQ(box->isChecked(), other.bit == c.bit) << other.label;
        }
        Profile read;
        page.ReadProfile(read);
        EXPECT_EQ(read.filterbits, c.bit);
    }
}

TEST(FiltersPage, BitsWithoutABoxAreKept) {
    FiltersPage page;
    Profile profile;
    profile.filterbits = 0x100 | 0x08;
    page.ShowProfile(profile);
    BoxLabelled(page, "Fro&m: missing @")->setChecked(false);
    BoxLabelled(page, "&HTML mail")->setChecked(true);
    page.ReadProfile(profile);
    EXPECT_EQ(profile.filterbits, 0x100 | 0x40);
}

TEST(FiltersPage, TermListsAreReadExactlyAsTyped) {
    FiltersPage page;
    auto* whitelist = page.findChild<QLineEdit*>("whitelist");
    auto* blacklist = page.findChild<QLineEdit*>("blacklist");
    ASSERT_NE(whitelist, nullptr);
    ASSERT_NE(blacklist, nullptr);

    Profile profile;
    profile.antispam = "friend,Caf\xe9";
    profile.blacklist = "casino";
    profile.host = "pop.example.org";
    page.ShowProfile(profile);
    EXPECT_EQ(whitelist->text(), QString::fromUtf8("friend,Café"));
    EXPECT_EQ(blacklist->text(), "casino");

    // Blanks after a comma and a trailing comma are part of what was typed.
    whitelist->setText(QString::fromUtf8("friend, Café,"));
    blacklist->setText(" viagra ,,lottery");
    page.ReadProfile(profile);
    EXPECT_EQ(profile.antispam, "friend, Caf\xe9,");
    EXPECT_EQ(profile.blacklist, " viagra ,,lottery");
    EXPECT_EQ(profile.host, "pop.example.org") << "a field the page does not show";
}

TEST(FiltersPage, ShowsItsTexts) {
    FiltersPage page;
    QStringList labels;
    for (QLabel* label : page.findChildren<QLabel*>()) {
        labels << label->text();
    }
    EXPECT_TRUE(labels.contains("Whitelist. Mail is junk unless it contains:"));
    EXPECT_TRUE(labels.contains("Blacklist. ANY mail is junk if it contains:"));
    EXPECT_TRUE(labels.contains(
        "These filters match text in Subject/From/To/CC headers. Separate terms by commas only."));
}

}  // namespace
}  // namespace tarvox
