// The Global tab's Apply: its checks in order, each refusal with its box and
// nothing stored from the refused step on; Mailman's restart, the passphrase
// and the wave-file choice; the controls shown and GPG setup.
#include "ui/global_page.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include <optional>
#include <vector>

#include <gtest/gtest.h>

#include "ui/dialog_driver.h"
#include "ui/qt_services.h"

namespace tarvox {
namespace {

class GlobalPageTest : public ::testing::Test {
protected:
    GlobalPageTest() {
        context.services = &services;
        page.emplace(context);
        page->SetMailmanControl([this](bool run) { mailman_calls.push_back(run); },
                                [this] { return mailman_running; });
        page->SetFilePicker([this](QWidget*, const FileOpenRequest&) {
            ++picker_asked;
            return picker_answer;
        });
        page->ShowSettings();
    }

    template <typename T = QLineEdit>
    T* Find(const char* name) {
        T* found = page->findChild<T*>(name);
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    void Check(const char* box, bool checked) { Find<QCheckBox>(box)->setChecked(checked); }
    bool Checked(const char* box) { return Find<QCheckBox>(box)->isChecked(); }

    // Presses Apply; gives the text of the refusal box, answered with OK, or
    // an empty text when none came.
    QString Apply() {
        DialogDriver driver;
        SeenBox box;
        driver.Then(RecordBoxAndClick(&box, "OK"));
        Find<QPushButton>("apply")->click();
        return box.text;
    }

    QtServices services;
    AppContext context;
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
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.timeout) + " / " + c.freq);
        GlobalSettings& g = context.config.global;
        g.timeout = 42;
        g.freq = 9;
        g.repoll = 0;
        page->ShowSettings();
        Find("timeout")->setText(c.timeout);
        Find("freq")->setText(c.freq);
        Check("repoll", true);
        const QString refusal = Apply();
        const bool accepted = *c.refusal == '\0';
        EXPECT_TRUE(accepted ? refusal.isEmpty() : refusal.startsWith(c.refusal))
            << refusal.toStdString();
        EXPECT_EQ(g.timeout, accepted ? QString(c.timeout).toInt() : 42);
        EXPECT_EQ(g.freq, accepted ? QString(c.freq).toInt() : 9);
        EXPECT_EQ(g.repoll, accepted ? 1 : 0) << "nothing after a refusal is stored";
    }
}

TEST_F(GlobalPageTest, MailmanIsRestartedWithNewSettings) {
    const struct {
        bool checked;
        bool running;
        std::vector<bool> calls;
    } cases[] = {
        {true, true, {false, true}},
        {true, false, {true}},
        {false, true, {false}},
        {false, false, {}},
    };
    for (const auto& c : cases) {
        context.config.global.mailman = 1;
        mailman_running = c.running;
        mailman_calls.clear();
        Check("mailman", c.checked);
        EXPECT_EQ(Apply(), "");
        EXPECT_EQ(mailman_calls, c.calls) << c.checked << c.running;
        EXPECT_EQ(context.config.global.mailman, c.checked ? 1 : 0);
    }
}

TEST_F(GlobalPageTest, ThePassphraseIsCheckedBeforeTheSoundStep) {
    const struct {
        bool enable;
        const char* typed;
        const char* known;
        bool refused;
        const char* passphrase_after;
    } cases[] = {
        {true, "abc12", "", true, ""},
        {true, "abc12", "old secret", true, "old secret"},
        {true, "", "old secret", false, "old secret"},
        {true, "New Secret", "old secret", false, "New Secret"},
        {false, "abc", "old secret", false, "old secret"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.typed) + " known " + c.known);
        context.config.global.master = c.enable ? 0 : 1;
        context.config.global.newsound = 0;
        context.config.master_passphrase = c.known;
        picker_asked = 0;
        picker_answer = "/sounds/ding.wav";
        Check("master", c.enable);
        Find("passphrase")->setText(c.typed);
        Check("newsound", true);
        EXPECT_EQ(Apply().isEmpty(), !c.refused);
        EXPECT_EQ(context.config.global.master, c.enable && !c.refused ? 1 : 0);
        EXPECT_EQ(context.config.master_passphrase, c.passphrase_after);
        EXPECT_EQ(Checked("master"), c.enable && !c.refused);
        EXPECT_EQ(picker_asked, c.refused ? 0 : 1);
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
    for (const auto& c : cases) {
        context.config.global.newsound = *c.newwav == '\0' ? 0 : 1;
        context.config.global.newwav = c.newwav;
        picker_answer = c.answer;
        Check("newsound", c.checked);
        EXPECT_EQ(Apply(), "");
        EXPECT_EQ(context.config.global.newsound, c.newsound_after) << c.answer;
        EXPECT_EQ(context.config.global.newwav, c.newwav_after) << c.answer;
        EXPECT_EQ(Checked("newsound"), c.newsound_after == 1);
    }
}

TEST_F(GlobalPageTest, ShowSettingsRefreshesTheControls) {
    GlobalSettings& g = context.config.global;
    g.timeout = 120;
    g.checkras = 1;
    g.reprompt = 0;
    Find("passphrase")->setText("typed but not applied");
    page->ShowSettings();
    EXPECT_EQ(Find("timeout")->text(), "120");
    EXPECT_TRUE(Checked("checkras"));
    EXPECT_FALSE(Checked("reprompt"));
    EXPECT_EQ(Find("passphrase")->text(), "");
    EXPECT_FALSE(Find<QPushButton>("setMailtoHandler")->isEnabled());
    EXPECT_FALSE(Find<QPushButton>("associateTvx")->isEnabled());
}

TEST_F(GlobalPageTest, GpgSetupEditsTheGlobalPath) {
    context.config.global.gpgpath = "/usr/bin/gpg";
    DialogDriver driver;
    driver.Then(TypeAndClick("", "ok"));
    Find<QPushButton>("gpgSetup")->click();
    EXPECT_EQ(driver.pending(), 0u);
    EXPECT_EQ(context.config.global.gpgpath, "");
}

}  // namespace
}  // namespace tarvox
