// The save-mail dialog on a real Dovecot, run from a loaded inbox window:
// the files of the selected messages, the rename prompt of a second save,
// Stop, the Busy box, Abort and a connection the server drops; and, without a
// server, the opening state, the select-first box and Options.
#include "ui/save_mail_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include <gtest/gtest.h>

#include <signal.h>

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <utility>
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

constexpr const char* kBusyText =
    "Please wait for the current network operation to complete, or use the Abort button to "
    "force the connection to your mailbox to close.";

// The files a folder holds, by name.
std::set<std::string> FileNames(const fs::path& folder) {
    std::set<std::string> names;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

// What a prompt showed, and then the answer: a new path, or Cancel when
// `answer` is null. `before` runs first, while the prompt stands.
DialogDriver::Action AnswerPrompt(SeenPrompt* seen, const QString& answer,
                                  std::function<void()> before = {}) {
    return [seen, answer, before](QWidget* dialog) {
        if (before) {
            before();
        }
        RecordPromptAndAnswer(seen, answer)(dialog);
    };
}

// Kills (SIGKILL) the "pop3" processes below Dovecot's master, which serve
// the logged-in sessions, so that their connections close without a word.
// Returns how many were killed.
int KillSessionProcesses(int master) {
    int killed = 0;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator("/proc", error)) {
        const std::string pid = entry.path().filename().string();
        if (pid.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        const std::string stat = ReadWholeFile(entry.path() / "stat");
        // "pid (comm) state ppid ..."
        const std::size_t open = stat.find('(');
        const std::size_t close = stat.rfind(')');
        if (open == std::string::npos || close == std::string::npos || close < open) {
            continue;
        }
        const std::string name = stat.substr(open + 1, close - open - 1);
        std::istringstream rest(stat.substr(close + 1));
        std::string state;
        int parent = 0;
        rest >> state >> parent;
        if (name == "pop3" && parent == master &&
            ::kill(std::stoi(pid), SIGKILL) == 0) {
            ++killed;
        }
    }
    return killed;
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
            retr_text[static_cast<std::uint32_t>(i + 1)] = DovecotServer::ExpectedRetrText(files[i]);
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

    // Selects the rows of these messages in the list the dialog is given.
    void SelectMessages(const std::set<std::uint32_t>& numbers) {
        for (std::size_t row = 0; row < list.RowCount(); ++row) {
            list.Select(row, numbers.contains(list.RowAt(row).number));
        }
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

    std::unique_ptr<SaveMailDialog> MakeDialog() {
        auto dialog = std::make_unique<SaveMailDialog>(c.context, *window, list,
                                                       c.context.working);
        dialog->show();
        return dialog;
    }

    // Saves messages 1 to 3 (in row order) while the file of the one at
    // `taken` already exists. While the prompt for it stands `while_prompted`
    // runs; the prompt is then given a new name, and the boxes that follow
    // are recorded and answered in turn. The run must end with the inbox
    // closed: the files before and at `taken` are written, none after.
    std::unique_ptr<SaveMailDialog> RunWithATakenName(
        std::size_t taken, const std::function<void(SaveMailDialog&)>& while_prompted,
        const std::vector<std::pair<SeenBox*, QString>>& boxes) {
        SelectMessages({1, 2, 3});
        const std::vector<std::uint32_t> order = list.SelectedNumbers();
        fs::create_directories(Folder());
        WriteWholeFile(ExpectedPath(order[taken]), "already here\n");
        auto dialog = MakeDialog();
        int inbox_finished = -1;
        QObject::connect(window.get(), &QDialog::finished,
                         [&](int result) { inbox_finished = result; });

        const fs::path renamed = c.dir / "renamed.tvx";
        DialogDriver driver;
        SeenPrompt prompt;
        driver.Then(AnswerPrompt(&prompt, QString::fromStdString(renamed.string()),
                                 [&] { while_prompted(*dialog); }));
        for (const auto& [box, button] : boxes) {
            driver.Then(RecordBoxAndClick(box, button));
        }
        dialog->save_button()->click();
        EXPECT_TRUE(DialogDriver::RunUntil([&] { return inbox_finished != -1; }));
        EXPECT_TRUE(DialogDriver::RunUntil([&] { return !window->worker_running(); }));
        EXPECT_EQ(driver.pending(), 0u);
        EXPECT_EQ(inbox_finished, 0);
        EXPECT_FALSE(c.context.session->connection.Connected());

        std::set<std::string> names;
        for (std::size_t i = 0; i <= taken; ++i) {
            names.insert(ExpectedPath(order[i]).filename().string());
            if (i < taken) {
                EXPECT_EQ(ReadWholeFile(ExpectedPath(order[i])), retr_text.at(order[i]));
            }
        }
        EXPECT_EQ(ReadWholeFile(ExpectedPath(order[taken])), "already here\n");
        EXPECT_EQ(ReadWholeFile(renamed), retr_text.at(order[taken]));
        EXPECT_EQ(FileNames(Folder()), names);
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
    SelectMessages({1, 2, 3});
    const std::vector<std::uint32_t> order = list.SelectedNumbers();
    auto dialog = MakeDialog();
    EXPECT_EQ(dialog->folder_line()->text().toStdString(), Folder().string());

    QStringList progress;
    std::vector<std::pair<int, int>> started;
    QObject::connect(dialog.get(), &SaveMailDialog::messageStarted, [&](int index, int total) {
        started.emplace_back(index, total);
        progress << dialog->progress_line()->text();
        EXPECT_FALSE(dialog->save_button()->isEnabled());
        EXPECT_TRUE(dialog->stop_button()->isEnabled());
        EXPECT_TRUE(dialog->abort_button()->isEnabled());
        EXPECT_TRUE(window->Busy());
    });
    // The first text each download writes on the size line.
    std::vector<QString> size_texts;
    c.services.SetStatusSink(StatusLine::InboxProgress, [&](const QString& text) {
        if (!text.endsWith('%')) {
            size_texts.push_back(text);
        }
        dialog->size_line()->setText(text);
    });

    DialogDriver driver;
    SeenBox done;
    driver.Then(RecordBoxAndClick(&done, "OK"));
    dialog->save_button()->click();
    ASSERT_TRUE(RunEnded(*dialog));
    ASSERT_TRUE(DialogDriver::RunUntil([&] { return !window->Busy(); }));

    EXPECT_EQ(started, (std::vector<std::pair<int, int>>{{1, 3}, {2, 3}, {3, 3}}));
    EXPECT_EQ(progress, QStringList({"Downloading message 1 of 3 . . . [ 33% ]",
                                     "Downloading message 2 of 3 . . . [ 66% ]",
                                     "Downloading message 3 of 3 . . . [ 100% ]"}));
    ASSERT_EQ(size_texts.size(), 3u);
    for (std::size_t i = 0; i < order.size(); ++i) {
        const double kilobytes = c.context.session->sizes[order[i] - 1] / 1024.0;
        EXPECT_EQ(size_texts[i], QString("Downloading %1 K . . . ").arg(kilobytes, 0, 'f', 1));
    }

    std::set<std::string> expected_names;
    for (std::uint32_t number : {1u, 2u, 3u}) {
        const fs::path path = ExpectedPath(number);
        expected_names.insert(path.filename().string());
        EXPECT_EQ(ReadWholeFile(path), retr_text.at(number)) << path;
    }
    EXPECT_EQ(FileNames(Folder()), expected_names);

    EXPECT_EQ(done.title, "Done");
    EXPECT_EQ(done.text, "Done saving 3 message(s)");
    EXPECT_EQ(done.icon, QMessageBox::Information);
    EXPECT_EQ(dialog->progress_line()->text(), "Done saving 3 message(s)");
    EXPECT_EQ(dialog->size_line()->text(), "");
    EXPECT_TRUE(dialog->save_button()->isEnabled());
    EXPECT_FALSE(dialog->stop_button()->isEnabled());
    EXPECT_FALSE(dialog->abort_button()->isEnabled());
    EXPECT_EQ(driver.pending(), 0u);
    // The mailbox stays open for more.
    EXPECT_TRUE(c.context.session->connection.Connected());
    EXPECT_TRUE(window->isVisible());
}

TEST_F(SaveMailDialogTest, ASecondSaveAsksForAnotherNameForEachExistingFile) {
    SelectMessages({1, 2});
    const std::vector<std::uint32_t> order = list.SelectedNumbers();
    auto dialog = MakeDialog();
    DialogDriver driver;
    driver.Then(ClickButton("OK"));
    dialog->save_button()->click();
    ASSERT_TRUE(RunEnded(*dialog));
    ASSERT_EQ(driver.pending(), 0u);
    // The user has changed the first file since.
    const fs::path first = ExpectedPath(order[0]);
    WriteWholeFile(first, "kept as it is\n");

    // The first prompt is cancelled, the second answered with a new name.
    const fs::path renamed = c.dir / "renamed.tvx";
    SeenPrompt cancelled, answered;
    SeenBox done;
    driver.Then(AnswerPrompt(&cancelled, QString()));
    driver.Then(AnswerPrompt(&answered, QString::fromStdString(renamed.string())));
    driver.Then(RecordBoxAndClick(&done, "OK"));
    dialog->save_button()->click();
    ASSERT_TRUE(RunEnded(*dialog));
    EXPECT_EQ(driver.pending(), 0u);

    for (const SeenPrompt* prompt : {&cancelled, &answered}) {
        EXPECT_EQ(prompt->title, "Save mail");
        EXPECT_EQ(prompt->text,
                  "Unable to create file (may already exist). Specify an alternate filename, or "
                  "click Cancel");
    }
    EXPECT_EQ(cancelled.initial.toStdString(), first.string());
    EXPECT_EQ(answered.initial.toStdString(), ExpectedPath(order[1]).string());
    EXPECT_EQ(ReadWholeFile(first), "kept as it is\n");
    EXPECT_EQ(ReadWholeFile(ExpectedPath(order[1])), retr_text.at(order[1]));
    EXPECT_EQ(ReadWholeFile(renamed), retr_text.at(order[1]));
    EXPECT_EQ(FileNames(Folder()).size(), 2u);
    // A skipped message still counts.
    EXPECT_EQ(done.text, "Done saving 2 message(s)");
}

TEST_F(SaveMailDialogTest, StopDuringTheSecondOfFiveEndsAfterIt) {
    SelectMessages({1, 2, 3, 4, 5});
    const std::vector<std::uint32_t> order = list.SelectedNumbers();
    auto dialog = MakeDialog();
    QObject::connect(dialog.get(), &SaveMailDialog::messageStarted, [&](int index, int) {
        if (index == 2) {
            dialog->stop_button()->click();
        }
    });
    DialogDriver driver;
    SeenBox done;
    driver.Then(RecordBoxAndClick(&done, "OK"));
    dialog->save_button()->click();
    ASSERT_TRUE(RunEnded(*dialog));

    EXPECT_EQ(FileNames(Folder()), (std::set<std::string>{ExpectedPath(order[0]).filename().string(),
                                                          ExpectedPath(order[1]).filename().string()}));
    EXPECT_EQ(ReadWholeFile(ExpectedPath(order[1])), retr_text.at(order[1]));
    EXPECT_EQ(done.text, "Done saving 2 message(s)");
    EXPECT_EQ(dialog->progress_line()->text(), "Done saving 2 message(s)");
}

TEST_F(SaveMailDialogTest, CloseWhileAMessageIsSavedShowsTheBusyBox) {
    SelectMessages({3});
    fs::create_directories(Folder());
    WriteWholeFile(ExpectedPath(3), "already here\n");
    auto dialog = MakeDialog();
    int finished = -1;
    QObject::connect(dialog.get(), &QDialog::finished, [&](int result) { finished = result; });

    // The prompt holds the worker; meanwhile Close and the window's close
    // are refused.
    DialogDriver driver;
    SeenPrompt prompt;
    SeenBox on_button, on_window;
    bool open_after = false;
    driver.Then(AnswerPrompt(&prompt, QString(), [&] {
        dialog->close_button()->click();
        dialog->close();
        open_after = dialog->isVisible();
    }));
    driver.Then(RecordBoxAndClick(&on_button, "OK"));
    driver.Then(RecordBoxAndClick(&on_window, "OK"));
    driver.Then(ClickButton("OK"));  // Done
    dialog->save_button()->click();
    ASSERT_TRUE(RunEnded(*dialog));
    ASSERT_TRUE(DialogDriver::RunUntil([&] { return !window->Busy(); }));
    EXPECT_EQ(driver.pending(), 0u);
    EXPECT_TRUE(open_after);
    for (const SeenBox* box : {&on_button, &on_window}) {
        EXPECT_EQ(box->title, "Busy");
        EXPECT_EQ(box->text, kBusyText);
        EXPECT_EQ(box->icon, QMessageBox::Warning);
    }
    EXPECT_EQ(finished, -1);

    // Once the run has ended Close closes.
    dialog->close_button()->click();
    EXPECT_EQ(finished, 0);
    EXPECT_FALSE(dialog->isVisible());
}

TEST_F(SaveMailDialogTest, AbortClosesTheMailboxAndKeepsTheFilesWritten) {
    // While the first message waits for another name, Abort (answered Yes)
    // closes the connection; the name is then given, and the next download
    // finds the connection gone.
    SeenBox question, lost;
    bool abort_enabled_after = true;
    const auto dialog = RunWithATakenName(
        0,
        [&](SaveMailDialog& shown) {
            shown.abort_button()->click();
            abort_enabled_after = shown.abort_button()->isEnabled();
        },
        {{&question, "Yes"}, {&lost, "OK"}});
    EXPECT_EQ(question.title, "Abort");
    EXPECT_EQ(question.text,
              "Are you sure you want to abort all network operations and close your mailbox?");
    EXPECT_FALSE(abort_enabled_after);
    EXPECT_EQ(lost.title, "Lost connection");
    // Closed between two calls, it is found not connected.
    EXPECT_EQ(lost.text, ToQString(NetResultText(net::kNotConnected)));

    // With the inbox gone nothing runs: the dialog closes.
    dialog->close_button()->click();
    EXPECT_FALSE(dialog->isVisible());
}

TEST_F(SaveMailDialogTest, AServerShuttingDownEndsTheRunWithAFailure) {
    // The server shuts down while the second message waits for another name:
    // it answers the third RETR with an error, which ends the run as a
    // failure and closes the mailbox.
    SeenBox refused;
    const auto dialog =
        RunWithATakenName(1, [&](SaveMailDialog&) { server->Stop(); }, {{&refused, "OK"}});
    EXPECT_EQ(refused.text,
              "Server refused to send message (mailbox out of sync?). Please restart program.");
    EXPECT_EQ(refused.icon, QMessageBox::Critical);
    EXPECT_FALSE(dialog->running());
    EXPECT_EQ(dialog->progress_line()->text(), "Failure while saving mail");
    EXPECT_TRUE(dialog->save_button()->isEnabled());
    EXPECT_FALSE(dialog->stop_button()->isEnabled());
    EXPECT_FALSE(dialog->abort_button()->isEnabled());
}

TEST_F(SaveMailDialogTest, AConnectionLostDuringTheRunClosesTheInbox) {
    // The process that serves the session is killed while the second message
    // waits for another name: the third download finds the connection
    // closed, and the inbox shows "Lost connection" and closes.
    SeenBox lost;
    int killed = 0;
    const auto dialog = RunWithATakenName(
        1, [&](SaveMailDialog&) { killed = KillSessionProcesses(server->pid()); },
        {{&lost, "OK"}});
    EXPECT_EQ(killed, 1);
    EXPECT_EQ(lost.title, "Lost connection");
    EXPECT_EQ(lost.icon, QMessageBox::Critical);
    EXPECT_FALSE(lost.text.isEmpty());

    dialog->close_button()->click();
    EXPECT_FALSE(dialog->isVisible());
}

// A host whose session is never used: the dialog's commands that need no
// network.
class IdleHost : public SessionHost {
public:
    PopSession& Session() override { return session; }
    bool Busy() const override { return false; }
    void ShowBusyBox() override { ++busy_boxes; }
    void RunSessionJob(std::function<int()>, std::function<void(int)>) override { ++jobs; }
    void AbortSession() override {}

    PopSession session{nullptr};
    int busy_boxes = 0;
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

TEST_F(SaveMailDialogIdleTest, OpensOnTheFolderWithStopAndAbortDisabled) {
    const struct {
        std::string stored;
        std::string shown;
    } cases[] = {
        {"", (c.dir / "mail" / "work").string()},
        {"/home/u/saved", "/home/u/saved"},
    };
    for (const auto& folder : cases) {
        profile.savemail_dir = folder.stored;
        SaveMailDialog dialog(c.context, host, list, profile);
        EXPECT_EQ(dialog.folder_line()->text().toStdString(), folder.shown);
        EXPECT_TRUE(dialog.save_button()->isEnabled());
        EXPECT_FALSE(dialog.stop_button()->isEnabled());
        EXPECT_FALSE(dialog.abort_button()->isEnabled());
        EXPECT_TRUE(dialog.options_button()->isEnabled());
        EXPECT_FALSE(dialog.running());
    }
}

TEST_F(SaveMailDialogIdleTest, SaveWithNothingSelectedAsksForASelection) {
    SaveMailDialog dialog(c.context, host, list, profile);
    DialogDriver driver;
    SeenBox box;
    driver.Then(RecordBoxAndClick(&box, "OK"));
    dialog.save_button()->click();
    EXPECT_EQ(driver.pending(), 0u);
    EXPECT_EQ(box.title, "Tarvox");
    EXPECT_EQ(box.text, "Please select message(s) first");
    EXPECT_EQ(box.icon, QMessageBox::Warning);
    EXPECT_EQ(host.jobs, 0);
    EXPECT_FALSE(dialog.running());
    EXPECT_TRUE(dialog.save_button()->isEnabled());
    EXPECT_FALSE(dialog.stop_button()->isEnabled());
    EXPECT_FALSE(fs::exists(c.dir / "mail"));
}

TEST_F(SaveMailDialogIdleTest, TheDownloadStatusGoesToTheSizeLine) {
    SaveMailDialog dialog(c.context, host, list, profile);
    c.services.ShowStatus(StatusLine::InboxProgress, "Downloading 2.0 K . . . 40%");
    EXPECT_EQ(dialog.size_line()->text(), "Downloading 2.0 K . . . 40%");
}

TEST_F(SaveMailDialogIdleTest, OptionsOkStoresTheSavingSettingsInTheProfile) {
    profile.copyself_dir = "/home/u/sent";
    SaveMailDialog dialog(c.context, host, list, profile);
    DialogDriver driver;
    driver.Then([](QWidget* shown) {
        auto* options = qobject_cast<SaveOptionsDialog*>(shown);
        ASSERT_NE(options, nullptr);
        options->part_list(0)->setCurrentIndex(6);  // Subject
        options->part_list(1)->setCurrentIndex(1);  // Profile
        options->part_list(2)->setCurrentIndex(0);
        options->extension_box()->setText(".eml");
        options->default_folder_box()->click();
        options->folder_box()->setText("/home/u/saved");
        ClickButton("ok")(shown);
    });
    dialog.options_button()->click();
    EXPECT_EQ(driver.pending(), 0u);
    EXPECT_EQ(profile.savemail_dir, "/home/u/saved");
    EXPECT_EQ(profile.savemail_ext, ".eml");
    EXPECT_EQ(profile.savemail_fmt, 0x6100);
    EXPECT_EQ(profile.copyself_dir, "/home/u/sent");
    EXPECT_EQ(dialog.folder_line()->text(), "/home/u/saved");

    // Cancel leaves the profile as it is.
    driver.Then([](QWidget* shown) {
        auto* options = qobject_cast<SaveOptionsDialog*>(shown);
        ASSERT_NE(options, nullptr);
        options->default_folder_box()->click();
        options->extension_box()->setText(".txt");
        ClickButton("cancel")(shown);
    });
    dialog.options_button()->click();
    EXPECT_EQ(driver.pending(), 0u);
    EXPECT_EQ(profile.savemail_dir, "/home/u/saved");
    EXPECT_EQ(profile.savemail_ext, ".eml");
}

}  // namespace
}  // namespace tarvox
