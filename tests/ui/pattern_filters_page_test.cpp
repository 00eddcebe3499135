// The Pattern filters tab: Add, Edit and Del with their prompt and boxes, and
// the base64 lists a profile stores.
#include "ui/pattern_filters_page.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>

#include <gtest/gtest.h>

#include "codec/base64.h"
#include "junk/junk_rules.h"
#include "ui/dialog_driver.h"
#include "ui/qt_services.h"

namespace tarvox {
namespace {

using List = PatternFiltersPage::PatternList;

const QString kPromptText =
    "Define pattern (case insensitive) to match an entire header line. Use ? for single and * "
    "for multiple unknown chars.";

class PatternFiltersPageTest : public ::testing::TestWithParam<List> {
protected:
    QString Prefix() const { return GetParam() == List::White ? "white" : "black"; }
    List Other() const { return GetParam() == List::White ? List::Black : List::White; }
    void Click(const char* button) {
        auto* found = page.findChild<QPushButton*>(Prefix() + button);
        ASSERT_NE(found, nullptr) << button;
        found->click();
    }
    void Select(int row) {
        page.findChild<QListWidget*>(Prefix() + "Patterns")->setCurrentRow(row);
    }

    QtServices services;
    PatternFiltersPage page{services};
};

TEST_P(PatternFiltersPageTest, AddEditAndDelete) {
    DialogDriver driver;
    SeenPrompt prompt;

    // Add: the example pre-filled; a new pattern goes on top.
    driver.Then(RecordPromptAndAnswer(&prompt, "Subject: *viagra*"));
    Click("Add");
    EXPECT_EQ(prompt.title, "Match custom header");
    EXPECT_EQ(prompt.text, kPromptText);
    EXPECT_EQ(prompt.initial, "X-Example-Header: *spam*");
    driver.Then(RecordPromptAndAnswer(&prompt, "X-Spam-Flag: YES"));
    Click("Add");
    driver.Then(RecordPromptAndAnswer(&prompt, QString()));
    Click("Add");
    EXPECT_EQ(driver.pending(), 0u);
    EXPECT_EQ(page.Patterns(GetParam()), (QStringList{"X-Spam-Flag: YES", "Subject: *viagra*"}));
    EXPECT_TRUE(page.Patterns(Other()).isEmpty());

    // Edit and Del with no row selected tell the user and ask nothing more.
    for (const char* button : {"Edit", "Del"}) {
        SeenBox box;
        driver.Then(RecordBoxAndClick(&box, "OK"));
        Click(button);
        EXPECT_EQ(driver.pending(), 0u);
        EXPECT_EQ(box.text, "Please first select an existing custom header from the list.");
        EXPECT_EQ(box.title, "Filtering");
        EXPECT_EQ(box.icon, QMessageBox::Warning);
    }

    // Edit: the row's text pre-filled, the answer replaces it; Cancel keeps it.
    Select(1);
    driver.Then(RecordPromptAndAnswer(&prompt, "Subject: *pills*"));
    Click("Edit");
    EXPECT_EQ(prompt.title, "Match custom header");
    EXPECT_EQ(prompt.initial, "Subject: *viagra*");
    driver.Then(RecordPromptAndAnswer(&prompt, QString()));
    Click("Edit");
    EXPECT_EQ(page.Patterns(GetParam()), (QStringList{"X-Spam-Flag: YES", "Subject: *pills*"}));

    // Del: No keeps the row, Yes removes it.
    Select(0);
    SeenBox question;
    driver.Then(RecordBoxAndClick(&question, "No"));
    Click("Del");
    EXPECT_EQ(question.text, "Are you sure you want to delete this custom header filter?");
    EXPECT_EQ(question.title, "Filtering");
    EXPECT_EQ(question.buttons, (QStringList{"Yes", "No"}));
    EXPECT_EQ(page.Patterns(GetParam()).size(), 2);
    driver.Then(ClickButton("Yes"));
    Click("Del");
    EXPECT_EQ(driver.pending(), 0u);
    EXPECT_EQ(page.Patterns(GetParam()), QStringList{"Subject: *pills*"});
    EXPECT_TRUE(page.Patterns(Other()).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(BothLists, PatternFiltersPageTest,
                         ::testing::Values(List::White, List::Black));

TEST(PatternFiltersPage, StoredListsRoundTrip) {
    QtServices services;
    PatternFiltersPage page(services);
    const std::string with_comma = "X-Mailer: a,b*";
    const std::string latin1 = "Subject: *Caf\xe9*";
    const std::string question = "X-Flag: ?";
    Profile profile;
    profile.whitepat = EncodeBase64(with_comma) + ",!!!!," + EncodeBase64(question) + ",";
    profile.blackpat = EncodeBase64(latin1);  // no trailing comma
    profile.host = "pop.example.org";

    page.ShowProfile(profile);
    EXPECT_EQ(page.Patterns(List::White),
              (QStringList{"X-Mailer: a,b*", "X-Flag: ?"}))  // the undecodable item dropped
        << "decoded, in order";
    EXPECT_EQ(page.Patterns(List::Black), QStringList{QString::fromUtf8("Subject: *Café*")});

    Profile read;
    page.ReadProfile(read);
    EXPECT_EQ(read.whitepat, EncodeBase64(with_comma) + "," + EncodeBase64(question) + ",");
    EXPECT_EQ(read.blackpat, EncodeBase64(latin1) + ",");
    EXPECT_TRUE(read.host.empty()) << "fields the page does not show stay as they were";
    // What is stored is what the filter reads.
    EXPECT_TRUE(MatchPatternList("x-mailer: a,b and more", read.whitepat));
    EXPECT_TRUE(MatchPatternList("X-Flag: 1", read.whitepat));
    EXPECT_TRUE(MatchPatternList("SUBJECT: un caf\xe9 noir", read.blackpat));

    // Showing another profile replaces the rows; empty lists store nothing.
    page.ShowProfile(Profile{});
    EXPECT_TRUE(page.Patterns(List::White).isEmpty());
    page.ReadProfile(read);
    EXPECT_EQ(read.whitepat, "");
    EXPECT_EQ(read.blackpat, "");
}

TEST(PatternFiltersPage, AddedPatternIsStoredEncoded) {
    QtServices services;
    PatternFiltersPage page(services);
    DialogDriver driver;
    SeenPrompt prompt;
    driver.Then(RecordPromptAndAnswer(&prompt, "Received: *, spam*"));
    page.findChild<QPushButton*>("blackAdd")->click();
    Profile read;
    page.ReadProfile(read);
    EXPECT_EQ(read.blackpat, EncodeBase64("Received: *, spam*") + ",");
    EXPECT_EQ(read.whitepat, "");
}

}  // namespace
}  // namespace tarvox
