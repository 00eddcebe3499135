// The Global tab's Apply: its checks in order, Mailman, passphrase, wave file.
#include "ui/global_page.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

#include <optional>
#include <vector>

#include <gtest/gtest.h>

#include "options_window_fixture.h"
#include "ui/dialog_driver.h"

namespace tarvox {
namespace {

class GlobalPageTest : public ::testing::Test {
protected:
    GlobalPageTest() {
        page.emplace(c.context);
        page->SetMailmanControl([this](bool run) { mailman_calls.push_back(run); },
                                [this] { return mailman_running; });
        page->SetFilePicker([this](QWidget*, const FileOpenRequest&) {
            ++picker_asked;
            return picker_answer;
        });
        page->ShowSettings();
    }
    QCheckBox* Box(const char* name) { return Control<QCheckBox>(&*page, name); }
    // Presses Apply; gives the text of the refusal box, or "" when none came.
    QString Apply() {
        DialogDriver driver;
        SeenBox box;
        driver.Then(RecordBoxAndClick(&box, "OK"));
        Control<QPushButton>(&*page, "apply")->click();
        return box.text;
    }

    OptionsWindowContext c;
    GlobalSettings& g = c.context.config.global;
    std::optional<GlobalPage> page;
    std::vector<bool> mailman_calls;
    bool mailman_running = false;
    int picker_asked = 0;
    QString picker_answer;
};

TEST_F(GlobalPageTest, TimeOutAndIntervalAreCheckedInOrder) {
    const struct {
        const char* timeout;
        const char* freq;
        const char* refusal;  // how the box's text begins; empty: accepted
    } cases[] = {
        {"0", "15", "Timeout"},   {"1", "15", ""},         {"300", "720", ""},
        {"301", "30", "Timeout"}, {"120", "0", "Mailman"}, {"0", "721", "Timeout"},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(std::string(test.timeout) + " / " + test.freq);
        g.timeout = 42;
        g.freq = 9;
        g.repoll = 0;
        page->ShowSettings();
        Control(&*page, "timeout")->setText(test.timeout);
        Control(&*page, "freq")->setText(test.freq);
        Box("repoll")->setChecked(true);
        const QString refusal = Apply();
        const bool accepted = *test.refusal == '\0';
        EXPECT_TRUE(accepted ? refusal.isEmpty() : refusal.startsWith(test.refusal));
        EXPECT_EQ(g.timeout, accepted ? QString(test.timeout).toInt() : 42);
        EXPECT_EQ(g.freq, accepted ? QString(test.freq).toInt() : 9);
        EXPECT_EQ(g.repoll, accepted ? 1 : 0) << "nothing after a refusal is stored";
    }
}

TEST_F(GlobalPageTest, MailmanIsRestartedWithNewSettings) {
    const struct {
        bool checked, running;
        std::vector<bool> calls;
    } cases[] = {{true, true, {false, true}}, {true, false, {true}}, {false, true, {false}},
                 {false, false, {}}};
    for (const auto& test : cases) {
        g.mailman = 1;
        mailman_running = test.running;
        mailman_calls.clear();
        Box("mailman")->setChecked(test.checked);
        EXPECT_EQ(Apply(), "");
        EXPECT_EQ(mailman_calls, test.calls) << test.checked << test.running;
        EXPECT_EQ(g.mailman, test.checked ? 1 : 0);
    }
}

TEST_F(GlobalPageTest, ARefusedPassphraseUnchecksTheBoxBeforeTheSoundStep) {
    for (const auto& [typed, refused] : {std::pair{"abc12", true}, {"New Secret", false}}) {
        g.master = 0;
        g.newsound = 0;
        picker_asked = 0;
        Box("master")->setChecked(true);
        Control(&*page, "passphrase")->setText(typed);
        Box("newsound")->setChecked(true);
        EXPECT_EQ(Apply().isEmpty(), !refused) << typed;
        EXPECT_EQ(g.master, refused ? 0 : 1);
        EXPECT_EQ(c.context.config.master_passphrase, refused ? "" : typed);
        EXPECT_EQ(Box("master")->isChecked(), !refused);
        EXPECT_EQ(picker_asked, refused ? 0 : 1);
    }
}

TEST_F(GlobalPageTest, WaveFileChoice) {
    const struct {
        bool checked;
        const char* newwav;
        const char* answer;  // the picker's; empty is Cancel
        int newsound_after;
        const char* newwav_after;
    } cases[] = {
        {true, "", "", 0, ""},  // cancelled: the sound stays off
        {true, "", "/sounds/ding.wav", 1, "/sounds/ding.wav"},
        {true, "/sounds/old.wav", "/sounds/new.wav", 1, "/sounds/old.wav"},  // not asked
        {false, "/sounds/old.wav", "/sounds/new.wav", 0, ""},
    };
    for (const auto& test : cases) {
        g.newsound = *test.newwav == '\0' ? 0 : 1;
        g.newwav = test.newwav;
        picker_answer = test.answer;
        Box("newsound")->setChecked(test.checked);
        EXPECT_EQ(Apply(), "");
        EXPECT_EQ(g.newsound, test.newsound_after) << test.answer;
        EXPECT_EQ(g.newwav, test.newwav_after) << test.answer;
        EXPECT_EQ(Box("newsound")->isChecked(), test.newsound_after == 1);
    }
}

TEST_F(GlobalPageTest, ShowSettingsRefreshesTheControlsAndGpgSetupEditsThePath) {
    g.timeout = 120;
    g.checkras = 1;
    g.reprompt = 0;
    Control(&*page, "passphrase")->setText("typed but not applied");
    page->ShowSettings();
    EXPECT_EQ(Control(&*page, "timeout")->text(), "120");
    EXPECT_TRUE(Box("checkras")->isChecked());
    EXPECT_FALSE(Box("reprompt")->isChecked());
    EXPECT_EQ(Control(&*page, "passphrase")->text(), "");

    g.gpgpath = "/usr/bin/gpg";
    DialogDriver driver;
    driver.Then(TypeAndClick("", "ok"));
    Control<QPushButton>(&*page, "gpgSetup")->click();
    EXPECT_EQ(driver.pending(), 0u);
    EXPECT_EQ(g.gpgpath, "");
}

}  // namespace
}  // namespace tarvox
