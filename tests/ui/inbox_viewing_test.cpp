// Reading mail from the inbox window: View and Preview open the viewer on the
// selected rows, which downloads the message on the session's worker; Next
// and Previous walk the list; the viewer's Delete removes the row and deletes
// on the server; the Mail List commands save and print the list as text. The
// failures run against a scripted server that stalls or drops the download.
#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "config/file_io.h"
#include "dovecot_inbox_fixture.h"
#include "junk/stored_flags.h"
#include "net/net_connection.h"
#include "net/net_result.h"
#include "support/scripted_server.h"
#include "ui/dialog_driver.h"
#include "ui/inbox_window.h"
#include "ui/qt_text.h"
#include "ui/save_mail_dialog.h"

namespace tarvox {
namespace {

constexpr const char* kBusyText =
    "Please wait for the current network operation to complete, or use the Abort button to "
    "force the connection to your mailbox to close.";

// What one viewer showed, and how the test left it.
struct SeenViewer {
    QString title;
    std::uint32_t number = 0;
    bool preview = false;
    std::string text;  // the message text as downloaded
};

// Waits for the viewer's download, records it, then presses `button`
// ("next", "previous", "delete", or "" to close the window).
DialogDriver::Action RecordViewer(std::vector<SeenViewer>* seen, const char* button) {
    return [seen, button](QWidget* dialog) {
        auto* viewer = qobject_cast<ViewerWindow*>(dialog);
        ASSERT_NE(viewer, nullptr) << dialog->windowTitle().toStdString();
        ASSERT_TRUE(DialogDriver::WaitForSignal(viewer, &ViewerWindow::idle,
                                                [&] { return viewer->loaded(); }));
        seen->push_back({viewer->windowTitle(),
                         static_cast<std::uint32_t>(viewer->source().pop3_number),
                         viewer->source().preview, viewer->message().message_text()});
        if (std::string(button).empty()) {
            viewer->action("close")->trigger();
        } else {
            viewer->button(button)->click();
        }
    };
}

std::vector<std::uint32_t> Numbers(const std::vector<SeenViewer>& seen) {
    std::vector<std::uint32_t> numbers;
    for (const SeenViewer& viewer : seen) {
        numbers.push_back(viewer.number);
    }
    return numbers;
}

QStringList NumberColumn(const QTreeWidget* list) {
    QStringList numbers;
    for (int row = 0; row < list->topLevelItemCount(); ++row) {
        numbers << list->topLevelItem(row)->text(5);
    }
    return numbers;
}

int RowOfNumber(const QTreeWidget* list, std::uint32_t number) {
    return NumberColumn(list).indexOf(QString::number(number));
}

class InboxViewingTest : public DovecotInboxTest {
protected:
    // Opens the inbox on the mailbox, newest first: rows show 5, 4, 3, 2, 1.
    std::unique_ptr<InboxWindow> OpenInbox() {
        Open();
        auto window = std::make_unique<InboxWindow>(c.context);
        window->show();
        EXPECT_TRUE(DialogDriver::RunUntil([&] { return !window->worker_running(); }));
        EXPECT_EQ(NumberColumn(window->list()), QStringList({"5", "4", "3", "2", "1"}));
        return window;
    }

    static void SelectNumbers(InboxWindow& window, std::initializer_list<std::uint32_t> numbers) {
        window.list()->clearSelection();
        for (std::uint32_t number : numbers) {
            window.list()->topLevelItem(RowOfNumber(window.list(), number))->setSelected(true);
        }
    }
};

TEST_F(InboxViewingTest, NextAndPreviousWalkTheListFromOneSelectedRow) {
    auto window = OpenInbox();
    SelectNumbers(*window, {3});
    std::vector<SeenViewer> seen;
    DialogDriver driver;
    driver.Then(RecordViewer(&seen, "next"));      // 3, the row below is 2
    driver.Then(RecordViewer(&seen, "previous"));  // 2, back to 3
    driver.Then(RecordViewer(&seen, "previous"));  // 3, up to 4
    driver.Then(RecordViewer(&seen, ""));          // 4, closed
    window->view_button()->click();
    EXPECT_EQ(driver.pending(), 0u);
    EXPECT_EQ(Numbers(seen), std::vector<std::uint32_t>({3, 2, 3, 4}));
    ASSERT_EQ(seen.size(), 4u);
    // The title is the row's subject, the text the whole message as the
    // server holds it, up to the end marker.
    EXPECT_EQ(seen[0].title, QString::fromLatin1("Caf\xe9 quoted-printable sample 3"));
    EXPECT_FALSE(seen[0].preview);
    EXPECT_NE(seen[0].text.find("Fin du message 3.\r\n.\r\n"), std::string::npos);

    // Every message shown is marked read; the others are not. The selection
    // followed the walk.
    for (std::uint32_t number : {1u, 2u, 3u, 4u, 5u}) {
        const bool shown = number >= 2 && number <= 4;
        EXPECT_EQ((window->messages().Find(number)->flags & kFlagRead) != 0, shown) << number;
    }
    const QList<QTreeWidgetItem*> selected = window->list()->selectedItems();
    ASSERT_EQ(selected.size(), 1);
    EXPECT_EQ(selected[0]->text(5), "4");
    EXPECT_TRUE(window->view_button()->isEnabled());
}

TEST_F(InboxViewingTest, PreviewDownloadsTheHeadersAndTheSetNumberOfLines) {
    c.context.config.global.preview = 3;
    c.context.config.global.autoprev = 1;
    auto window = OpenInbox();
    SelectNumbers(*window, {5});
    std::vector<SeenViewer> seen;
    DialogDriver driver;
    driver.Then(RecordViewer(&seen, ""));
    window->preview_button()->click();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_TRUE(seen[0].preview);
    const std::string& text = seen[0].text;
    EXPECT_NE(text.find("Subject: Long sample 5 (about 300 KB)\r\n"), std::string::npos);
    EXPECT_NE(text.find("000003 the quick brown fox"), std::string::npos);
    EXPECT_EQ(text.find("000004 the quick brown fox"), std::string::npos);
    EXPECT_TRUE(text.ends_with("\r\n.\r\n"));
}

TEST_F(InboxViewingTest, ViewerDeleteRemovesTheRowAndNextShowsTheFollowingOne) {
    c.context.config.global.confirmdel = 0;
    auto window = OpenInbox();
    SelectNumbers(*window, {3});
    std::vector<SeenViewer> seen;
    QStringList rows_after_delete;
    DialogDriver driver;
    driver.Then([&](QWidget* dialog) {
        auto* viewer = qobject_cast<ViewerWindow*>(dialog);
        ASSERT_NE(viewer, nullptr);
        ASSERT_TRUE(DialogDriver::WaitForSignal(viewer, &ViewerWindow::idle,
                                                [&] { return viewer->loaded(); }));
        EXPECT_TRUE(viewer->button("delete")->isEnabled());
        viewer->button("delete")->click();
        // No question with confirmdel off; the row leaves at once.
        rows_after_delete = NumberColumn(window->list());
        ASSERT_TRUE(DialogDriver::RunUntil([&] { return !window->Busy(); }));
        EXPECT_FALSE(viewer->button("delete")->isEnabled());
        EXPECT_EQ(viewer->status_line()->text(), "Finished deleting message(s)");
        viewer->button("next")->click();
    });
    driver.Then(RecordViewer(&seen, ""));
    window->view_button()->click();
    EXPECT_EQ(driver.pending(), 0u);
    EXPECT_EQ(rows_after_delete, QStringList({"5", "4", "2", "1"}));
    // The row that followed the deleted one.
    EXPECT_EQ(Numbers(seen), std::vector<std::uint32_t>({2}));
}

TEST_F(InboxViewingTest, ViewerDeleteAsksWhenConfirmDeleteIsOn) {
    c.context.config.global.confirmdel = 1;
    auto window = OpenInbox();
    SelectNumbers(*window, {2});
    SeenBox question;
    DialogDriver driver;
    driver.Then([&](QWidget* dialog) {
        auto* viewer = qobject_cast<ViewerWindow*>(dialog);
        ASSERT_NE(viewer, nullptr);
        ASSERT_TRUE(DialogDriver::WaitForSignal(viewer, &ViewerWindow::idle,
                                                [&] { return viewer->loaded(); }));
        DialogDriver answer;
        answer.Then(RecordBoxAndClick(&question, "No"));
        viewer->button("delete")->click();
        EXPECT_EQ(answer.pending(), 0u);
        EXPECT_TRUE(viewer->button("delete")->isEnabled());
        viewer->action("close")->trigger();
    });
    window->view_button()->click();
    EXPECT_EQ(question.title, "Tarvox");
    EXPECT_EQ(question.text, "Are you sure you want to delete the message(s)?");
    EXPECT_EQ(NumberColumn(window->list()).size(), 5);
}

TEST_F(InboxViewingTest, MailListSaveAsAndPrintGiveTheListingInListOrder) {
    auto window = OpenInbox();
    const std::string path = (c.dir / "list.txt").string();
    window->SetSavePicker(
        [&](QWidget*, const FileSaveRequest&) { return QString::fromStdString(path); });
    QString printed_title;
    std::string printed;
    window->SetTextPrinter([&](QWidget*, const QString& title, std::string_view text) {
        printed_title = title;
        printed = std::string(text);
    });
    window->findChild<QAction*>("mailListSaveAs")->trigger();
    window->findChild<QAction*>("mailListPrint")->trigger();
    const std::optional<std::string> saved = ReadFileBytes(path);
    ASSERT_TRUE(saved.has_value());
    EXPECT_TRUE(saved->starts_with("alice on host 127.0.0.1\r\nMailbox contains 5 message(s) "))
        << *saved;
    // One block per row, newest first as the list shows them.
    std::vector<std::size_t> at;
    for (const char* number : {"5", "4", "3", "2", "1"}) {
        at.push_back(saved->find(std::string("Message: ") + number + "\r\n"));
        EXPECT_NE(at.back(), std::string::npos) << number;
    }
    EXPECT_TRUE(std::is_sorted(at.begin(), at.end()));
    EXPECT_NE(saved->find("\tSubject:\tDot-stuffing sample 2\r\n"), std::string::npos);
    EXPECT_EQ(window->status_line()->text(), "Text has been saved");
    EXPECT_EQ(printed_title, "Tarvox: Inbox");
    // Both made in the same second or one apart: equal but for the date line.
    EXPECT_EQ(printed.size(), saved->size());
}

TEST_F(InboxViewingTest, F11FiltersTheListAndAllMailShowsEveryRowAgain) {
    auto window = OpenInbox();
    DialogDriver driver;
    driver.Then(TypeAndClick("DOT-STUFFING", "ok"));
    QKeyEvent f11(QEvent::KeyPress, Qt::Key_F11, Qt::NoModifier);
    QCoreApplication::sendEvent(window->list(), &f11);
    EXPECT_EQ(driver.pending(), 0u);
    EXPECT_EQ(NumberColumn(window->list()), QStringList({"2"}));
    EXPECT_EQ(window->status_line()->text(), "Filtered view ON (some messages may be hidden)");

    driver.Then([](QWidget* dialog) {
        ClickButton("presetAllMail")(dialog);
        ClickButton("ok")(dialog);
    });
    window->findChild<QAction*>("inboxFilters")->trigger();
    // Back in full, newest first (autosort).
    EXPECT_EQ(NumberColumn(window->list()), QStringList({"5", "4", "3", "2", "1"}));
    EXPECT_EQ(window->status_line()->text(), "Filtered view OFF");
}

TEST_F(InboxViewingTest, F12ShowsTheFlagsOfEachSelectedRowUntilOneIsCancelled) {
    auto window = OpenInbox();
    SelectNumbers(*window, {4, 3, 2});
    const QImage unread = window->list()->topLevelItem(1)->icon(0).pixmap(21, 13).toImage();
    QStringList titles;
    DialogDriver driver;
    driver.Then([&](QWidget* dialog) {
        titles << dialog->windowTitle();
        dialog->findChild<QCheckBox*>("read")->setChecked(true);
        dialog->findChild<QCheckBox*>("replied")->setChecked(true);
        ClickButton("ok")(dialog);
    });
    driver.Then([&](QWidget* dialog) {
        titles << dialog->windowTitle();
        dialog->findChild<QCheckBox*>("read")->setChecked(true);
        ClickButton("cancel")(dialog);
    });
    QKeyEvent f12(QEvent::KeyPress, Qt::Key_F12, Qt::NoModifier);
    QCoreApplication::sendEvent(window->list(), &f12);
    EXPECT_EQ(driver.pending(), 0u);
    EXPECT_EQ(titles, QStringList({"Message Flags", "Message Flags"}));
    EXPECT_EQ(window->messages().Find(4)->flags, kFlagRead | kFlagReplied);
    EXPECT_EQ(window->messages().Find(3)->flags, 0u);
    EXPECT_EQ(window->messages().Find(2)->flags, 0u);
    // The row of message 4 shows its new state.
    EXPECT_NE(window->list()->topLevelItem(1)->icon(0).pixmap(21, 13).toImage(), unread);

    // Without a selection: the select-first box.
    window->list()->clearSelection();
    SeenBox box;
    driver.Then(RecordBoxAndClick(&box, "OK"));
    window->findChild<QAction*>("messageFlags")->trigger();
    EXPECT_EQ(box.text, "Please select message(s) first");
}

TEST_F(InboxViewingTest, ForeignIpEditsTheStoredProfilesNetworks) {
    auto window = OpenInbox();
    SelectNumbers(*window, {2});
    QString title;
    DialogDriver driver;
    driver.Then([&](QWidget* dialog) {
        title = dialog->windowTitle();
        ClickButton("ok")(dialog);
    });
    c.context.config.profiles.front().ispnetworks = std::string("10.,192.168.");
    window->findChild<QAction*>("foreignIp")->trigger();
    EXPECT_EQ(driver.pending(), 0u);
    EXPECT_EQ(title, "Dot-stuffing sample 2");
    EXPECT_EQ(c.context.config.profiles.front().ispnetworks, std::string("10.,192.168."));
}

TEST_F(InboxViewingTest, SaveAllMailSelectsEveryRowAndWritesAFileEach) {
    c.context.paths.mail_folder_root = c.dir / "mail";
    auto window = OpenInbox();
    SelectNumbers(*window, {2});
    QPointer<QDialog> save_dialog;
    SeenBox done;
    DialogDriver driver;
    driver.Then([&](QWidget* dialog) {
        auto* save = qobject_cast<SaveMailDialog*>(dialog);
        ASSERT_NE(save, nullptr);
        save_dialog = save;
        EXPECT_EQ(window->open_child(), save);
        save->save_button()->click();
    });
    driver.Then([&](QWidget* dialog) {
        RecordBoxAndClick(&done, "OK")(dialog);
        QTimer::singleShot(0, save_dialog, &QDialog::reject);
    });
    window->findChild<QAction*>("saveAllMail")->trigger();
    EXPECT_EQ(driver.pending(), 0u);
    EXPECT_EQ(done.text, "Done saving 5 message(s)");
    EXPECT_EQ(window->list()->selectedItems().size(), 5);
    std::size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(c.dir / "mail" / "Alice")) {
        files += entry.is_regular_file() ? 1 : 0;
    }
    EXPECT_EQ(files, 5u);
    // The inbox has its status line back.
    EXPECT_EQ(window->open_child(), nullptr);
    c.services.ShowStatus(StatusLine::Inbox, "back");
    ASSERT_TRUE(DialogDriver::RunUntil([&] { return window->status_line()->text() == "back"; }));
}

// A server that lists one message and then, for RETR, sends the first part
// of it and waits; the test decides the rest.
class ViewerDownloadFailureTest : public ::testing::Test {
protected:
    void Start(std::vector<ScriptStep> after_retr) {
        using namespace script;
        std::vector<ScriptStep> steps = {
            Expect("LIST\r\n"),    Send("+OK\r\n1 120\r\n.\r\n"),
            Expect("TOP 1 0\r\n"), Send("+OK\r\nSubject: One\r\n\r\n.\r\n"),
            Expect("RETR 1\r\n"),  Send("+OK\r\nSubject: One\r\n\r\nfirst part\r\n")};
        steps.insert(steps.end(), after_retr.begin(), after_retr.end());
        server = std::make_unique<ScriptedServer>(std::move(steps));
        c.context.working.name = "Stall";
        c.context.working.host = "127.0.0.1";
        c.context.working.user = "u";
        c.context.session = std::make_unique<PopSession>(nullptr);
        NetAddress address;
        ASSERT_EQ(ResolveHost("127.0.0.1", server->port(), address), 0);
        ASSERT_EQ(c.context.session->connection.Connect(false, address), net::kSuccess);
        c.context.session->message_count = 1;
        c.context.session->mailbox_size = 120;
    }

    // Shows the inbox, waits for the load and selects its one row.
    static bool ShowLoaded(InboxWindow& window) {
        window.show();
        if (!DialogDriver::RunUntil([&] { return !window.worker_running(); }) ||
            window.list()->topLevelItemCount() != 1) {
            return false;
        }
        window.list()->topLevelItem(0)->setSelected(true);
        return true;
    }

    std::unique_ptr<ScriptedServer> server;
    OptionsWindowContext c;
};

TEST_F(ViewerDownloadFailureTest, CloseWhileDownloadingIsBusyAndAbortEndsEverything) {
    using namespace script;
    Start({ExpectClosed()});
    InboxWindow window(c.context);
    int finished = -1;
    QObject::connect(&window, &QDialog::finished, [&](int result) { finished = result; });
    ASSERT_TRUE(ShowLoaded(window));

    SeenBox busy, busy_save, question, lost;
    bool abort_enabled = false;
    DialogDriver driver;
    driver.Then([&](QWidget* dialog) {
        auto* viewer = qobject_cast<ViewerWindow*>(dialog);
        ASSERT_NE(viewer, nullptr);
        ASSERT_TRUE(DialogDriver::RunUntil([&] { return window.Busy(); }));
        abort_enabled = viewer->button("abort")->isEnabled();
        DialogDriver answers;
        answers.Then(RecordBoxAndClick(&busy, "OK"));
        viewer->action("close")->trigger();
        EXPECT_TRUE(viewer->isVisible());
        // The Attachments tab's Save waits for the session like the rest.
        answers.Then(RecordBoxAndClick(&busy_save, "OK"));
        viewer->findChild<QPushButton*>("save")->click();
        answers.Then(RecordBoxAndClick(&question, "Yes"));
        answers.Then(RecordBoxAndClick(&lost, "OK"));
        viewer->button("abort")->click();
        ASSERT_TRUE(DialogDriver::RunUntil([&] { return !viewer->isVisible(); }));
    });
    window.view_button()->click();
    EXPECT_EQ(driver.pending(), 0u);
    EXPECT_TRUE(abort_enabled);
    EXPECT_EQ(busy.title, "Busy");
    EXPECT_EQ(busy.text, kBusyText);
    EXPECT_EQ(busy_save.title, "Busy");
    EXPECT_EQ(question.title, "Abort");
    EXPECT_EQ(lost.title, "Lost connection");
    EXPECT_EQ(lost.text, ToQString(NetResultText(net::kAborted)));
    ASSERT_TRUE(DialogDriver::RunUntil([&] { return finished != -1; }));
    EXPECT_EQ(finished, 0);
    ASSERT_TRUE(DialogDriver::RunUntil([&] { return !window.worker_running(); }));
    EXPECT_SCRIPT_DONE(*server);
}

TEST_F(ViewerDownloadFailureTest, ConnectionDroppedDuringTheDownloadClosesBothWindows) {
    using namespace script;
    Start({CloseConnection()});
    InboxWindow window(c.context);
    int finished = -1;
    QObject::connect(&window, &QDialog::finished, [&](int result) { finished = result; });
    ASSERT_TRUE(ShowLoaded(window));
    SeenBox lost;
    int viewers = 0;
    window.SetViewerSetup([&](ViewerWindow&) { ++viewers; });
    DialogDriver driver;
    driver.Then(RecordBoxAndClick(&lost, "OK"));
    // Returns once the viewer has closed.
    window.view_button()->click();
    EXPECT_EQ(viewers, 1);
    EXPECT_EQ(driver.pending(), 0u);
    EXPECT_EQ(lost.title, "Lost connection");
    EXPECT_EQ(lost.text, ToQString(NetResultText(net::kGracefullyClosed)));
    ASSERT_TRUE(DialogDriver::RunUntil([&] { return finished != -1; }));
    EXPECT_EQ(finished, 0);
    ASSERT_TRUE(DialogDriver::RunUntil([&] { return !window.worker_running(); }));
    EXPECT_SCRIPT_DONE(*server);
}

}  // namespace
}  // namespace tarvox
