// The save-mail dialog on a real Dovecot, run from a loaded inbox window: the
// files of the selected messages, Stop, the Busy box and Abort; and, without a
// server, the opening state, the select-first box and Options.
#include "ui/save_mail_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "dovecot_inbox_fixture.h"
#include "message/header_scan.h"
#include "message/mail_file_name.h"
#include "net/net_result.h"
#include "options_window_fixture.h"
#include "protocols/pop_session.h"
#include "support/dovecot_server.h"
#include "support/scoped_time_zone.h"
#include "ui/dialog_driver.h"
#include "ui/inbox_window.h"
#include "ui/qt_text.h"
#include "ui/save_options_dialog.h"
#include "ui/session_host.h"

namespace tarvox {
namespace {

namespace fs = std::filesystem;

// The files a folder holds, by name.
std::set<std::string> FileNames(const fs::path& folder) {
    std::set<std::string> names;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

class SaveMailDialogTest : public DovecotInboxTest {
protected:
    void SetUp() override {
        DovecotInboxTest::SetUp();
        ASSERT_FALSE(HasFatalFailure());
        // What RETR will deliver, read before the first login moves the files.
        const std::vector<fs::path> files = server->MessageFiles("alice");
        ASSERT_EQ(files.size(), 5u);
        for (std::size_t i = 0; i < files.size(); ++i) {
            retr_text[static_cast<std::uint32_t>(i + 1)] =
                DovecotServer::ExpectedRetrText(files[i]);
        }
        c.context.paths.mail_folder_root = c.dir / "mail";
        Open();
        ASSERT_FALSE(HasFatalFailure());
        window = std::make_unique<InboxWindow>(c.context);
        window->show();
        ASSERT_TRUE(DialogDriver::RunUntil([&] { return !window->worker_running(); }));
        ASSERT_EQ(window->messages().RowCount(), 5u);
        list = window->messages();
    }
    void TearDown() override {
        window.reset();
        DovecotInboxTest::TearDown();
    }

    // Selects the rows of these messages and gives them in row order.
    std::vector<std::uint32_t> SelectMessages(const std::set<std::uint32_t>& numbers) {
        for (std::size_t row = 0; row < list.RowCount(); ++row) {
            list.Select(row, numbers.contains(list.RowAt(row).number));
        }
        return list.SelectedNumbers();
    }

    fs::path Folder() const {
        return DefaultMailFolder(c.context.paths.mail_folder_root, "Alice",
                                 MailFolderUse::SavedMail);
    }

    // The file a message gets under the default saving settings: its name
    // built from its own header block.
    fs::path ExpectedPath(std::uint32_t number) const {
        const HeaderSummary summary = ScanHeaders(retr_text.at(number));
        MailNameFields fields;
        fields.date = summary.date;
        fields.from = summary.from;
        fields.to = summary.to.empty() ? std::string() : summary.to.front().address;
        fields.subject = summary.subject;
        return Folder() / (BuildMailFileName(kDefaultSavedMailFormat, "Alice", fields) + ".tvx");
    }

    // The names of the files of these messages.
    std::set<std::string> NamesOf(const std::vector<std::uint32_t>& numbers) const {
        std::set<std::string> names;
        for (std::uint32_t number : numbers) {
            names.insert(ExpectedPath(number).filename().string());
        }
        return names;
    }

    std::unique_ptr<SaveMailDialog> MakeDialog() {
        auto dialog = std::make_unique<SaveMailDialog>(c.context, *window, list, c.context.working);
        dialog->show();
        return dialog;
    }

    static bool RunEnded(const SaveMailDialog& dialog) {
        return DialogDriver::RunUntil([&] { return !dialog.running(); });
    }

    ScopedTimeZone utc{"UTC"};
    std::map<std::uint32_t, std::string> retr_text;
    std::unique_ptr<InboxWindow> window;
    MessageList list;
};

TEST_F(SaveMailDialogTest, SavesEachSelectedMessageToAFileNamedFromItsHeaders) {
    const std::vector<std::uint32_t> order = SelectMessages({1, 2, 3});
    auto dialog = MakeDialog();
    EXPECT_EQ(dialog->folder_line()->text().toStdString(), Folder().string());
    int started = 0;
    QObject::connect(dialog.get(), &SaveMailDialog::messageStarted, [&](int, int) {
        ++started;
        EXPECT_FALSE(dialog->save_button()->isEnabled());
        EXPECT_TRUE(dialog->stop_button()->isEnabled());
        EXPECT_TRUE(dialog->abort_button()->isEnabled());
        EXPECT_TRUE(window->Busy());
    });
    DialogDriver driver;
    SeenBox done;
    driver.Then(RecordBoxAndClick(&done, "OK"));
    dialog->save_button()->click();
    ASSERT_TRUE(RunEnded(*dialog));
    ASSERT_TRUE(DialogDriver::RunUntil([&] { return !window->Busy(); }));

    EXPECT_EQ(started, 3);
    for (std::uint32_t number : order) {
        EXPECT_EQ(ReadWholeFile(ExpectedPath(number)), retr_text.at(number)) << number;
    }
    EXPECT_EQ(FileNames(Folder()), NamesOf(order));
    EXPECT_EQ(dialog->progress_line()->text(), done.text);
    EXPECT_TRUE(dialog->save_button()->isEnabled());
    EXPECT_FALSE(dialog->stop_button()->isEnabled());
    EXPECT_FALSE(dialog->abort_button()->isEnabled());
    EXPECT_TRUE(c.context.session->connection.Connected()) << "the mailbox stays open";
}

TEST_F(SaveMailDialogTest, StopDuringTheSecondOfFiveEndsAfterIt) {
    const std::vector<std::uint32_t> order = SelectMessages({1, 2, 3, 4, 5});
    auto dialog = MakeDialog();
    QObject::connect(dialog.get(), &SaveMailDialog::messageStarted, [&](int index, int) {
        if (index == 2) {
            dialog->stop_button()->click();
        }
    });
    DialogDriver driver;
    driver.Then(ClickButton("OK"));
    dialog->save_button()->click();
    ASSERT_TRUE(RunEnded(*dialog));
    EXPECT_EQ(FileNames(Folder()), NamesOf({order[0], order[1]}));
}

TEST_F(SaveMailDialogTest, CloseWhileAMessageIsSavedShowsTheBusyBox) {
    SelectMessages({3});
    fs::create_directories(Folder());
    WriteWholeFile(ExpectedPath(3), "already here\n");
    auto dialog = MakeDialog();
    // The prompt holds the worker; meanwhile Close and the window's close
    // are refused.
    DialogDriver driver;
    SeenBox on_button, on_window;
    driver.Then([&](QWidget* prompt) {
        dialog->close_button()->click();
        dialog->close();
        ClickButton("cancel")(prompt);
    });
    driver.Then(RecordBoxAndClick(&on_button, "OK"));
    driver.Then(RecordBoxAndClick(&on_window, "OK"));
    driver.Then(ClickButton("OK"));  // Done
    dialog->save_button()->click();
    ASSERT_TRUE(RunEnded(*dialog));
    ASSERT_TRUE(DialogDriver::RunUntil([&] { return !window->Busy(); }));
    EXPECT_EQ(driver.pending(), 0u);
    EXPECT_EQ(on_button.title, "Busy");
    EXPECT_EQ(on_window.title, "Busy");
    EXPECT_TRUE(dialog->isVisible());

    dialog->close_button()->click();  // the run has ended
    EXPECT_FALSE(dialog->isVisible());
}

TEST_F(SaveMailDialogTest, AbortClosesTheMailboxAndKeepsTheFilesWritten) {
    // Abort (answered Yes) while the second of three waits for another name;
    // the next download finds the connection gone and the inbox closes.
    const std::vector<std::uint32_t> order = SelectMessages({1, 2, 3});
    fs::create_directories(Folder());
    WriteWholeFile(ExpectedPath(order[1]), "already here\n");
    auto dialog = MakeDialog();
    DialogDriver driver;
    SeenBox question, lost;
    bool abort_enabled_after = true;
    driver.Then([&](QWidget* prompt) {
        dialog->abort_button()->click();
        abort_enabled_after = dialog->abort_button()->isEnabled();
        TypeAndClick(QString::fromStdString((c.dir / "renamed.tvx").string()), "submit")(prompt);
    });
    driver.Then(RecordBoxAndClick(&question, "Yes"));
    driver.Then(RecordBoxAndClick(&lost, "OK"));
    dialog->save_button()->click();
    ASSERT_TRUE(DialogDriver::RunUntil([&] { return !window->isVisible(); }));
    ASSERT_TRUE(DialogDriver::RunUntil([&] { return !window->worker_running(); }));
    EXPECT_EQ(driver.pending(), 0u);
    EXPECT_EQ(question.title, "Abort");
    EXPECT_FALSE(abort_enabled_after);
    EXPECT_EQ(lost.text, ToQString(NetResultText(NetResult::NotConnected)));
    EXPECT_FALSE(c.context.session->connection.Connected());
    EXPECT_EQ(FileNames(Folder()), NamesOf({order[0], order[1]}));
    EXPECT_EQ(ReadWholeFile(c.dir / "renamed.tvx"), retr_text.at(order[1]));
    dialog->close_button()->click();  // with the inbox gone nothing runs
    EXPECT_FALSE(dialog->isVisible());
}

// A host whose session is never used: the dialog's commands that need no
// network.
class IdleHost : public SessionHost {
public:
    PopSession& Session() override { return session; }
    bool Busy() const override { return false; }
    void ShowBusyBox() override {}
    void RunSessionJob(std::function<void()>, std::function<void()>) override { ++jobs; }
    void AbortSession() override {}

    PopSession session{nullptr};
    int jobs = 0;
};

class SaveMailDialogIdleTest : public ::testing::Test {
protected:
    SaveMailDialogIdleTest() {
        c.context.paths.mail_folder_root = c.dir / "mail";
        profile.name = "work";
        InboxEntry entry;
        entry.number = 1;
        list.Add(entry);
    }

    OptionsWindowContext c;
    IdleHost host;
    MessageList list;
    Profile profile;
};

TEST_F(SaveMailDialogIdleTest, OpensOnTheFolderAndAsksForASelection) {
    profile.savemail_dir = "/home/u/saved";
    SaveMailDialog dialog(c.context, host, list, profile);
    EXPECT_EQ(dialog.folder_line()->text(), "/home/u/saved");
    EXPECT_FALSE(dialog.stop_button()->isEnabled());
    EXPECT_FALSE(dialog.abort_button()->isEnabled());
    c.services.ShowStatus(StatusLine::InboxProgress, "Downloading 2.0 K . . . 40%");
    EXPECT_EQ(dialog.size_line()->text(), "Downloading 2.0 K . . . 40%");

    DialogDriver driver;
    driver.Then(ClickButton("OK"));
    dialog.save_button()->click();
    EXPECT_EQ(driver.pending(), 0u);
    EXPECT_EQ(host.jobs, 0);
    EXPECT_FALSE(dialog.running());
}

TEST_F(SaveMailDialogIdleTest, OptionsOkStoresTheSavingSettingsInTheProfile) {
    SaveMailDialog dialog(c.context, host, list, profile);
    DialogDriver driver;
    for (const char* button : {"ok", "cancel"}) {
        driver.Then([button](QWidget* shown) {
            auto* options = qobject_cast<SaveOptionsDialog*>(shown);
            ASSERT_NE(options, nullptr);
            options->extension_box()->setText(QString(".") + button);
            options->default_folder_box()->click();
            options->folder_box()->setText(QString("/home/u/") + button);
            ClickButton(button)(shown);
        });
        dialog.options_button()->click();
    }
    EXPECT_EQ(driver.pending(), 0u);
    EXPECT_EQ(profile.savemail_dir, "/home/u/ok");
    EXPECT_EQ(profile.savemail_ext, ".ok");
    EXPECT_EQ(dialog.folder_line()->text(), "/home/u/ok");
}

}  // namespace
}  // namespace tarvox
