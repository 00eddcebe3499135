// The Pattern filters tab: Add, Edit, Del and the base64 lists it stores.
#include "ui/pattern_filters_page.h"

#include <QListWidget>
#include <QPushButton>

#include <gtest/gtest.h>

#include "codec/base64.h"
#include "ui/dialog_driver.h"
#include "ui/qt_services.h"

namespace tarvox {
namespace {

using List = PatternFiltersPage::PatternList;

class PatternFiltersPageTest : public ::testing::TestWithParam<List> {
protected:
    QString Prefix() const { return GetParam() == List::White ? "white" : "black"; }
    List Other() const { return GetParam() == List::White ? List::Black : List::White; }
    void Click(const char* button) { page.findChild<QPushButton*>(Prefix() + button)->click(); }
    void Select(int row) {
        page.findChild<QListWidget*>(Prefix() + "Patterns")->setCurrentRow(row);
    }

    QtServices services;
    PatternFiltersPage page{services};
};

TEST_P(PatternFiltersPageTest, AddEditAndDelete) {
    DialogDriver driver;
    SeenPrompt prompt;
    // Add: the example pre-filled; a new pattern goes on top; Cancel adds nothing.
    for (const QString& answer :
         {QString("Subject: *viagra*"), QString("X-Spam-Flag: YES"), QString()}) {
        driver.Then(RecordPromptAndAnswer(&prompt, answer));
        Click("Add");
    }
    EXPECT_EQ(prompt.initial, "X-Example-Header: *spam*");
    for (const char* button : {"Edit", "Del"}) {  // no row selected: a box
        driver.Then(ClickButton("OK"));
        Click(button);
    }
    Select(1);
    driver.Then(RecordPromptAndAnswer(&prompt, "Subject: *pills*"));
    Click("Edit");
    EXPECT_EQ(prompt.initial, "Subject: *viagra*");
    driver.Then(RecordPromptAndAnswer(&prompt, QString()));  // Cancel keeps it
    Click("Edit");
    Select(0);
    driver.Then(ClickButton("No"));
    Click("Del");
    EXPECT_EQ(page.Patterns(GetParam()), (QStringList{"X-Spam-Flag: YES", "Subject: *pills*"}));
    driver.Then(ClickButton("Yes"));
    Click("Del");
    EXPECT_EQ(page.Patterns(GetParam()), QStringList{"Subject: *pills*"});
    EXPECT_TRUE(page.Patterns(Other()).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(BothLists, PatternFiltersPageTest,
                         ::testing::Values(List::White, List::Black));

TEST(PatternFiltersPage, ShowsAndStoresTheListsInBase64) {
    QtServices services;
    PatternFiltersPage page(services);
    const std::string with_comma = "X-Mailer: a,b*";
    const std::string latin1 = "Subject: *Caf\xe9*";
    Profile profile;
    profile.whitepat = EncodeBase64(with_comma) + ",!!!!,";  // an undecodable item is dropped
    profile.blackpat = EncodeBase64(latin1);
    page.ShowProfile(profile);
    EXPECT_EQ(page.Patterns(List::White), QStringList{"X-Mailer: a,b*"});
    EXPECT_EQ(page.Patterns(List::Black), QStringList{QString::fromUtf8("Subject: *Café*")});

    DialogDriver driver;
    driver.Then(TypeAndClick("Received: *, spam*", "submit"));
    page.findChild<QPushButton*>("blackAdd")->click();
    Profile read;
    page.ReadProfile(read);
    EXPECT_EQ(read.whitepat, EncodeBase64(with_comma) + ",");
    EXPECT_EQ(read.blackpat, EncodeBase64("Received: *, spam*") + "," + EncodeBase64(latin1) + ",");

    page.ShowProfile(Profile{});  // showing another profile replaces the rows
    page.ReadProfile(read);
    EXPECT_EQ(read.whitepat, "");
    EXPECT_EQ(read.blackpat, "");
}

}  // namespace
}  // namespace tarvox
