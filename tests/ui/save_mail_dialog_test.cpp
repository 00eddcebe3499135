// The save-mail dialog on a real Dovecot, run from a loaded inbox window.
#include "ui/save_mail_dialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <set>

#include "dovecot_inbox_fixture.h"
#include "net/net_result.h"
#include "ui/qt_text.h"
#include "ui/save_options_dialog.h"

namespace tarvox {
namespace {

namespace fs = std::filesystem;

class SaveMailDialogTest : public DovecotInboxTest {
protected:
    void SetUp() override {
        DovecotInboxTest::SetUp();
        ASSERT_FALSE(HasFatalFailure());
        c.context.paths.mail_folder_root = c.dir / "mail";
        window = LoadedInbox();
        list = window->messages();
        folder = DefaultMailFolder(c.context.paths.mail_folder_root, "Alice",
                                   MailFolderUse::SavedMail);
    }
    void TearDown() override {
        window.reset();
        DovecotInboxTest::TearDown();
    }

    // Selects the rows of these messages and opens the dialog on them.
    void Select(const std::set<std::uint32_t>& numbers) {
        for (std::size_t row = 0; row < list.RowCount(); ++row) {
            list.Select(row, numbers.contains(list.RowAt(row).number));
        }
        dialog = std::make_unique<SaveMailDialog>(c.context, *window, list, c.context.working);
        dialog->show();
    }
    // Presses Save and waits for the run to end.
    bool Run() {
        dialog->save_button()->click();
        return DialogDriver::RunUntil([&] { return !dialog->running() && !window->Busy(); });
    }
    // The number of files the runs wrote into the folder.
    std::ptrdiff_t Saved() const {
        std::error_code error;
        const auto files = fs::directory_iterator(folder, error);
        return std::distance(begin(files), end(files));
    }

    std::unique_ptr<InboxWindow> window;
    MessageList list;
    fs::path folder;
    std::unique_ptr<SaveMailDialog> dialog;
    DialogDriver driver;
};

TEST_F(SaveMailDialogTest, SavesEachSelectedMessageToAFileUntilStop) {
    Select({1, 2, 3, 4, 5});
    EXPECT_EQ(dialog->folder_line()->text().toStdString(), folder.string());
    int started = 0;
    QObject::connect(dialog.get(), &SaveMailDialog::messageStarted, [&](int index, int) {
        ++started;
        EXPECT_FALSE(dialog->save_button()->isEnabled());
        EXPECT_TRUE(dialog->abort_button()->isEnabled());
        EXPECT_TRUE(window->Busy());
        if (index == 2) {
            dialog->stop_button()->click();
        }
    });
    SeenBox done;
    driver.Then(RecordBoxAndClick(&done, "OK"));
    ASSERT_TRUE(Run());
    EXPECT_EQ(started, 2);
    EXPECT_EQ(Saved(), 2);
    EXPECT_EQ(dialog->progress_line()->text(), done.text);
    EXPECT_TRUE(dialog->save_button()->isEnabled());
    EXPECT_FALSE(dialog->stop_button()->isEnabled());
    EXPECT_FALSE(dialog->abort_button()->isEnabled());
    EXPECT_TRUE(c.context.session->connection.Connected()) << "the mailbox stays open";
}

TEST_F(SaveMailDialogTest, CloseIsBusyAndAbortClosesTheMailboxKeepingTheFilesWritten) {
    Select({2});
    driver.Then(ClickButton("OK"));
    ASSERT_TRUE(Run());
    // Message 2's name is taken: while its prompt holds the worker Close is refused, Abort ends.
    Select({1, 2, 3});
    SeenBox on_button, on_window, lost;
    bool abort_enabled_after = true;
    driver.Then([&](QWidget* prompt) {
        dialog->close_button()->click();
        dialog->close();
        dialog->abort_button()->click();
        abort_enabled_after = dialog->abort_button()->isEnabled();
        TypeAndClick(QString::fromStdString((c.dir / "renamed.tvx").string()), "submit")(prompt);
    });
    driver.Then(RecordBoxAndClick(&on_button, "OK"));
    driver.Then(RecordBoxAndClick(&on_window, "OK"));
    driver.Then(ClickButton("Yes"));
    driver.Then(RecordBoxAndClick(&lost, "OK"));
    dialog->save_button()->click();
    ASSERT_TRUE(DialogDriver::RunUntil([&] { return !window->isVisible(); }));
    ASSERT_TRUE(DialogDriver::WorkerEnded(*window));
    EXPECT_EQ(on_button.title, "Busy");
    EXPECT_EQ(on_window.title, "Busy");
    EXPECT_FALSE(abort_enabled_after);
    EXPECT_EQ(lost.text, ToQString(NetResultText(NetResult::NotConnected)));
    EXPECT_EQ(Saved(), 2) << "2, then 3";
    EXPECT_TRUE(fs::exists(c.dir / "renamed.tvx"));
    dialog->close_button()->click();  // with the inbox gone nothing runs
    EXPECT_FALSE(dialog->isVisible());
}

TEST_F(SaveMailDialogTest, WithoutASelectionOnlyTheBoxAndOptionsStoreTheSettings) {
    c.context.working.savemail_dir = "/home/u/saved";
    Select({});
    EXPECT_EQ(dialog->folder_line()->text(), "/home/u/saved");
    c.services.ShowStatus(StatusLine::InboxProgress, "Downloading 2.0 K . . . 40%");
    EXPECT_EQ(dialog->size_line()->text(), "Downloading 2.0 K . . . 40%");
    driver.Then(ClickButton("OK"));  // select first
    dialog->save_button()->click();
    EXPECT_FALSE(dialog->running());

    driver.Then([](QWidget* shown) {
        auto* options = qobject_cast<SaveOptionsDialog*>(shown);
        ASSERT_NE(options, nullptr);
        options->extension_box()->setText(".ok");
        options->folder_box()->setText("/home/u/ok");
        ClickButton("ok")(shown);
    });
    dialog->options_button()->click();
    EXPECT_EQ(c.context.working.savemail_dir, "/home/u/ok");
    EXPECT_EQ(c.context.working.savemail_ext, ".ok");
    EXPECT_EQ(dialog->folder_line()->text(), "/home/u/ok");
}

}  // namespace
}  // namespace tarvox
