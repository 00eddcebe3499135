// The Global tab's "&Apply": its checks in order, each refusal with its box
// and nothing stored from the refused step on; Mailman's restart, the lock
// settings and the wave-file choice.
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

const QString kTimeoutText = "Timeout must be between 1 and 300 seconds";
const QString kFrequencyText = "Mailman's mail check frequency must be between 1 and 720 minutes";
const QString kShortPassphraseText = "Master passphrase must contain 6 or more characters";

class GlobalPageTest : public ::testing::Test {
protected:
    GlobalPageTest() {
        context.services = &services;
        // Values that no step of Apply would write by chance.
        context.config.global.timeout = 42;
        context.config.global.freq = 9;
        page.emplace(context);
        page->SetMailmanControl([this](bool run) { mailman_calls.push_back(run); },
                                [this] { return mailman_running; });
        page->SetFilePicker([this](QWidget*, const FileOpenRequest& request) {
            picker_requests.push_back(request);
            return picker_answer;
        });
        page->ShowSettings();
    }

    template <typename T>
    T* Control(const char* name) {
        T* found = page->findChild<T*>(name);
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    void Type(const char* box, const QString& text) { Control<QLineEdit>(box)->setText(text); }
    void Check(const char* box, bool checked) { Control<QCheckBox>(box)->setChecked(checked); }
    bool Checked(const char* box) { return Control<QCheckBox>(box)->isChecked(); }

    // Presses Apply; every box it shows is recorded and answered with OK.
    std::vector<SeenBox> Apply() {
        constexpr std::size_t kMostBoxes = 3;
        std::vector<SeenBox> seen(kMostBoxes);
        DialogDriver driver;
        for (SeenBox& box : seen) {
            driver.Then(RecordBoxAndClick(&box, "OK"));
        }
        Control<QPushButton>("apply")->click();
        seen.resize(kMostBoxes - driver.pending());
        return seen;
    }

    QtServices services;
    AppContext context;
    std::optional<GlobalPage> page;
    std::vector<bool> mailman_calls;
    bool mailman_running = false;
    std::vector<FileOpenRequest> picker_requests;
    QString picker_answer;
};

TEST_F(GlobalPageTest, TimeOutAndIntervalAreCheckedInOrder) {
    struct Case {
        const char* timeout;
        const char* freq;
        QString box;  // empty: accepted
    };
    const Case cases[] = {
        {"0", "15", kTimeoutText},
        {"1", "15", ""},
        {"300", "30", ""},
        {"301", "30", kTimeoutText},
        {"-5", "30", kTimeoutText},
        {"", "30", kTimeoutText},
        {"120", "721", kFrequencyText},
        {"120", "0", kFrequencyText},
        {"120", "720", ""},
        {"1", "1", ""},
        {"0", "721", kTimeoutText},  // the first refusal only
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.timeout) + " / " + c.freq);
        context.config.global.timeout = 42;
        context.config.global.freq = 9;
        context.config.global.repoll = 0;
        context.config.global.mailman = 0;
        mailman_calls.clear();
        page->ShowSettings();
        Type("timeout", c.timeout);
        Type("freq", c.freq);
        Check("repoll", true);
        Check("mailman", true);

        const std::vector<SeenBox> boxes = Apply();
        const GlobalSettings& g = context.config.global;
        if (c.box.isEmpty()) {
            EXPECT_TRUE(boxes.empty());
            EXPECT_EQ(g.timeout, QString(c.timeout).toInt());
            EXPECT_EQ(g.freq, QString(c.freq).toInt());
            EXPECT_EQ(g.repoll, 1);
            EXPECT_EQ(g.mailman, 1);
            continue;
        }
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, c.box);
        EXPECT_EQ(boxes[0].title, "");
        EXPECT_EQ(boxes[0].icon, QMessageBox::Critical);
        // Neither number nor any later step is stored.
        EXPECT_EQ(g.timeout, 42);
        EXPECT_EQ(g.freq, 9);
        EXPECT_EQ(g.repoll, 0);
        EXPECT_EQ(g.mailman, 0);
        EXPECT_TRUE(mailman_calls.empty());
    }
}

TEST_F(GlobalPageTest, MailmanIsRestartedWithNewSettings) {
    struct Case {
        bool checked;
        bool running;
        std::vector<bool> calls;
        int mailman;
    };
    const Case cases[] = {
        {true, true, {false, true}, 1},
        {true, false, {true}, 1},
        {false, true, {false}, 0},
        {false, false, {}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.checked) + std::to_string(c.running));
        context.config.global.mailman = 1;
        mailman_running = c.running;
        mailman_calls.clear();
        Check("mailman", c.checked);
        EXPECT_TRUE(Apply().empty());
        EXPECT_EQ(mailman_calls, c.calls);
        EXPECT_EQ(context.config.global.mailman, c.mailman);
    }
}

TEST_F(GlobalPageTest, PassphraseRules) {
    struct Case {
        bool enable;
        const char* typed;
        const char* known;
        bool refused;
        int master;
        const char* passphrase_after;
    };
    const Case cases[] = {
        {true, "abc12", "", true, 0, ""},
        {true, "", "", true, 0, ""},
        {true, "abc12", "old secret", true, 0, "old secret"},
        {true, "", "old secret", false, 1, "old secret"},
        {true, "secret", "", false, 1, "secret"},
        {true, "New Secret", "old secret", false, 1, "New Secret"},
        {false, "abc", "old secret", false, 0, "old secret"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.typed) + " known " + c.known);
        context.config.global.master = c.enable ? 0 : 1;
        context.config.global.reprompt = 0;
        context.config.global.newsound = 0;
        context.config.master_passphrase = c.known;
        picker_requests.clear();
        picker_answer = "/sounds/ding.wav";
        Check("master", c.enable);
        Check("reprompt", true);
        Type("passphrase", c.typed);
        Check("newsound", true);

        const std::vector<SeenBox> boxes = Apply();
        const GlobalSettings& g = context.config.global;
        EXPECT_EQ(g.master, c.master);
        EXPECT_EQ(context.config.master_passphrase, c.passphrase_after);
        EXPECT_EQ(g.reprompt, 1) << "stored before the passphrase step";
        if (c.refused) {
            ASSERT_EQ(boxes.size(), 1u);
            EXPECT_EQ(boxes[0].text, kShortPassphraseText);
            EXPECT_EQ(boxes[0].title, "");
            EXPECT_EQ(boxes[0].icon, QMessageBox::Critical);
            EXPECT_FALSE(Checked("master"));
            EXPECT_TRUE(picker_requests.empty()) << "the sound step comes after";
            EXPECT_EQ(g.newsound, 0);
        } else {
            EXPECT_TRUE(boxes.empty());
            EXPECT_EQ(Checked("master"), c.enable);
            EXPECT_EQ(picker_requests.size(), 1u);
            EXPECT_EQ(g.newsound, 1);
        }
    }
}

TEST_F(GlobalPageTest, WaveFileChoice) {
    struct Case {
        bool checked;
        int newsound;
        const char* newwav;
        const char* answer;  // the picker's; empty is Cancel
        bool asked;
        int newsound_after;
        const char* newwav_after;
    };
    const Case cases[] = {
        {true, 0, "", "", true, 0, ""},  // cancelled: the sound stays off
        {true, 0, "", "/sounds/ding.wav", true, 1, "/sounds/ding.wav"},
        {true, 1, "/sounds/old.wav", "/sounds/new.wav", false, 1, "/sounds/old.wav"},
        {false, 1, "/sounds/old.wav", "/sounds/new.wav", false, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.newwav) + " -> " + c.answer);
        context.config.global.newsound = c.newsound;
        context.config.global.newwav = c.newwav;
        picker_requests.clear();
        picker_answer = c.answer;
        Check("newsound", c.checked);

        EXPECT_TRUE(Apply().empty());
        EXPECT_EQ(picker_requests.size(), c.asked ? 1u : 0u);
        if (c.asked) {
            EXPECT_EQ(picker_requests[0].filter, "Wave audio (*.WAV)");
            EXPECT_EQ(picker_requests[0].default_suffix, "wav");
        }
        EXPECT_EQ(context.config.global.newsound, c.newsound_after);
        EXPECT_EQ(context.config.global.newwav, c.newwav_after);
        EXPECT_EQ(Checked("newsound"), c.newsound_after == 1);
    }
}

TEST_F(GlobalPageTest, ShowSettingsRefreshesTheControls) {
    GlobalSettings& g = context.config.global;
    g.timeout = 120;
    g.freq = 30;
    g.mailman = 1;
    g.repoll = 1;
    g.newsound = 0;
    g.checkras = 1;
    g.master = 1;
    g.reprompt = 0;
    Type("passphrase", "typed but not applied");
    page->ShowSettings();
    EXPECT_EQ(Control<QLineEdit>("timeout")->text(), "120");
    EXPECT_EQ(Control<QLineEdit>("freq")->text(), "30");
    EXPECT_TRUE(Checked("mailman"));
    EXPECT_TRUE(Checked("repoll"));
    EXPECT_FALSE(Checked("newsound"));
    EXPECT_TRUE(Checked("checkras"));
    EXPECT_TRUE(Checked("master"));
    EXPECT_FALSE(Checked("reprompt"));
    EXPECT_EQ(Control<QLineEdit>("passphrase")->text(), "");
    EXPECT_EQ(Control<QLineEdit>("passphrase")->echoMode(), QLineEdit::Password);

    g.timeout = 7;
    g.checkras = 0;
    page->ShowSettings();
    EXPECT_EQ(Control<QLineEdit>("timeout")->text(), "7");
    EXPECT_FALSE(Checked("checkras"));
}

TEST_F(GlobalPageTest, GpgSetupEditsTheGlobalPath) {
    context.config.global.gpgpath = "/usr/bin/gpg";
    DialogDriver driver;
    QString title;
    QString shown_path;
    driver.Then([&](QWidget* dialog) {
        title = dialog->windowTitle();
        auto* path = dialog->findChild<QLineEdit*>("gpgPath");
        shown_path = path->text();
        path->clear();
        dialog->findChild<QPushButton*>("ok")->click();
    });
    Control<QPushButton>("gpgSetup")->click();
    EXPECT_EQ(driver.pending(), 0u);
    EXPECT_EQ(title, "PGP/GPG settings");
    EXPECT_EQ(shown_path, "/usr/bin/gpg");
    EXPECT_EQ(context.config.global.gpgpath, "");
}

TEST_F(GlobalPageTest, DesktopRegistrationsAreNotAvailableYet) {
    EXPECT_FALSE(Control<QPushButton>("setMailtoHandler")->isEnabled());
    EXPECT_FALSE(Control<QPushButton>("associateTvx")->isEnabled());
    EXPECT_EQ(Control<QPushButton>("setMailtoHandler")->text(), "Set mailto: handler");
    EXPECT_EQ(Control<QPushButton>("associateTvx")->text(), "Associate .TVX");
}

}  // namespace
}  // namespace tarvox
