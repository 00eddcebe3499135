// Reading mail from the inbox window: View and Preview open the viewer on the
// selected row, which downloads the message on the session's worker; Next,
// Previous and Delete in the viewer; the inbox's Mail List, filter, flags,
// foreign networks and Save all mail commands. The failures run against a
// scripted server that stalls or drops the download.
#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>

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

// Waits for the viewer's download, records its number, title and text, then
// presses `button` ("" closes the window).
DialogDriver::Action RecordViewer(std::vector<std::uint32_t>* numbers, const char* button,
                                  QString* title = nullptr, std::string* text = nullptr) {
    return [=](QWidget* dialog) {
        auto* viewer = qobject_cast<ViewerWindow*>(dialog);
        ASSERT_NE(viewer, nullptr) << dialog->windowTitle().toStdString();
        ASSERT_TRUE(DialogDriver::WaitForSignal(viewer, &ViewerWindow::idle,
                                                [&] { return viewer->loaded(); }));
        numbers->push_back(static_cast<std::uint32_t>(viewer->source().pop3_number));
        if (title != nullptr) {
            *title = viewer->windowTitle();
            *text = viewer->message().message_text();
        }
        if (*button == '\0') {
            viewer->action("close")->trigger();
        } else {
            viewer->button(button)->click();
        }
    };
}

QStringList NumberColumn(const QTreeWidget* list) {
    QStringList numbers;
    for (int row = 0; row < list->topLevelItemCount(); ++row) {
        numbers << list->topLevelItem(row)->text(5);
    }
    return numbers;
}

class InboxViewingTest : public DovecotInboxTest {
protected:
    // Opens the inbox on the mailbox (rows 5, 4, 3, 2, 1) with the rows of
    // `numbers` selected.
    std::unique_ptr<InboxWindow> OpenInbox(std::initializer_list<std::uint32_t> numbers) {
        Open();
        auto window = std::make_unique<InboxWindow>(c.context);
        window->show();
        EXPECT_TRUE(DialogDriver::RunUntil([&] { return !window->worker_running(); }));
        EXPECT_EQ(NumberColumn(window->list()), QStringList({"5", "4", "3", "2", "1"}));
        for (std::uint32_t number : numbers) {
            window->list()->topLevelItem(5 - static_cast<int>(number))->setSelected(true);
        }
        return window;
    }
};

TEST_F(InboxViewingTest, ViewWalksTheListDeleteRemovesTheRowAndPreviewCutsTheText) {
    c.context.config.global.confirmdel = 1;
    auto window = OpenInbox({3});
    std::vector<std::uint32_t> seen;
    QString title;
    std::string text;
    QStringList rows_after_delete;
    DialogDriver driver;
    driver.Then(RecordViewer(&seen, "next", &title, &text));  // 3, the row below is 2
    driver.Then(RecordViewer(&seen, "previous"));              // 2, back to 3
    driver.Then([&](QWidget* dialog) {  // 3: No, then Yes to the question
        auto* viewer = qobject_cast<ViewerWindow*>(dialog);
        ASSERT_TRUE(DialogDriver::WaitForSignal(viewer, &ViewerWindow::idle,
                                                [&] { return viewer->loaded(); }));
        viewer->button("delete")->click();
        EXPECT_EQ(NumberColumn(window->list()).size(), 5);
        viewer->button("delete")->click();
        rows_after_delete = NumberColumn(window->list());
        ASSERT_TRUE(DialogDriver::RunUntil([&] { return !window->Busy(); }));
        EXPECT_FALSE(viewer->button("delete")->isEnabled());
        EXPECT_EQ(viewer->status_line()->text(), "Finished deleting message(s)");
        viewer->button("next")->click();
    });
    driver.Then(ClickButton("No"));
    driver.Then(ClickButton("Yes"));
    driver.Then(RecordViewer(&seen, ""));  // 2, the row that followed
    window->view_button()->click();
    EXPECT_EQ(driver.pending(), 0u);
    EXPECT_EQ(seen, std::vector<std::uint32_t>({3, 2, 2}));
    EXPECT_EQ(title, QString::fromLatin1("Caf\xe9 quoted-printable sample 3"));
    EXPECT_NE(text.find("Fin du message 3.\r\n.\r\n"), std::string::npos);
    EXPECT_EQ(rows_after_delete, QStringList({"5", "4", "2", "1"}));
    EXPECT_EQ((window->messages().Find(2)->flags & kFlagRead), kFlagRead);
    EXPECT_EQ((window->messages().Find(4)->flags & kFlagRead), 0u);
    ASSERT_EQ(window->list()->selectedItems().size(), 1);
    EXPECT_EQ(window->list()->selectedItems()[0]->text(5), "2");

    // Preview downloads the headers and the set number of lines.
    c.context.config.global.preview = 3;
    c.context.config.global.autoprev = 1;  // no question for the number of lines
    window->list()->clearSelection();
    window->list()->topLevelItem(0)->setSelected(true);
    driver.Then(RecordViewer(&seen, "", &title, &text));
    window->preview_button()->click();
    EXPECT_EQ(seen.back(), 5u);
    EXPECT_NE(text.find("000003 the quick brown fox"), std::string::npos);
    EXPECT_EQ(text.find("000004 the quick brown fox"), std::string::npos);
}

TEST_F(InboxViewingTest, MailListSaveAsAndPrintGiveTheListingInListOrder) {
    auto window = OpenInbox({});
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
    auto window = OpenInbox({});
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
    auto window = OpenInbox({4, 3, 2});
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
    auto window = OpenInbox({2});
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
    auto window = OpenInbox({2});
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
// of it; `after_retr` decides the rest. The inbox is shown loaded, its one
// row selected.
class ViewerDownloadFailureTest : public ::testing::Test {
protected:
    void Start(ScriptStep after_retr) {
        using namespace script;
        server = std::make_unique<ScriptedServer>(std::vector<ScriptStep>{
            Expect("LIST\r\n"), Send("+OK\r\n1 120\r\n.\r\n"), Expect("TOP 1 0\r\n"),
            Send("+OK\r\nSubject: One\r\n\r\n.\r\n"), Expect("RETR 1\r\n"),
            Send("+OK\r\nSubject: One\r\n\r\nfirst part\r\n"), after_retr});
        c.context.working.name = "Stall";
        c.context.working.host = "127.0.0.1";
        c.context.working.user = "u";
        c.context.session = std::make_unique<PopSession>(nullptr);
        NetAddress address;
        ASSERT_TRUE(ResolveHost("127.0.0.1", server->port(), address));
        ASSERT_EQ(c.context.session->connection.Connect(false, address), NetResult::Success);
        c.context.session->message_count = 1;
        c.context.session->mailbox_size = 120;
        window = std::make_unique<InboxWindow>(c.context);
        QObject::connect(window.get(), &QDialog::finished, [this](int result) { finished = result; });
        window->show();
        ASSERT_TRUE(DialogDriver::RunUntil([&] { return !window->worker_running(); }));
        ASSERT_EQ(window->list()->topLevelItemCount(), 1);
        window->list()->topLevelItem(0)->setSelected(true);
    }
    // The inbox closed after the lost connection; the script was used up.
    void ExpectClosedAfter(const SeenBox& lost, NetResult result) {
        EXPECT_EQ(lost.title, "Lost connection");
        EXPECT_EQ(lost.text, ToQString(NetResultText(result)));
        ASSERT_TRUE(DialogDriver::RunUntil([&] { return finished == 0; }));
        ASSERT_TRUE(DialogDriver::RunUntil([&] { return !window->worker_running(); }));
        EXPECT_SCRIPT_DONE(*server);
    }

    std::unique_ptr<ScriptedServer> server;
    OptionsWindowContext c;
    std::unique_ptr<InboxWindow> window;
    int finished = -1;
};

TEST_F(ViewerDownloadFailureTest, CloseAndSaveWhileDownloadingAreBusyAndAbortEndsEverything) {
    Start(script::ExpectClosed());
    SeenBox busy, busy_save, question, lost;
    DialogDriver driver;
    driver.Then([&](QWidget* dialog) {
        auto* viewer = qobject_cast<ViewerWindow*>(dialog);
        ASSERT_NE(viewer, nullptr);
        ASSERT_TRUE(DialogDriver::RunUntil([&] { return window->Busy(); }));
        EXPECT_TRUE(viewer->button("abort")->isEnabled());
        DialogDriver answers;
        answers.Then(RecordBoxAndClick(&busy, "OK"));
        viewer->action("close")->trigger();
        EXPECT_TRUE(viewer->isVisible());
        answers.Then(RecordBoxAndClick(&busy_save, "OK"));
        viewer->findChild<QPushButton*>("save")->click();
        answers.Then(RecordBoxAndClick(&question, "Yes"));
        answers.Then(RecordBoxAndClick(&lost, "OK"));
        viewer->button("abort")->click();
        ASSERT_TRUE(DialogDriver::RunUntil([&] { return !viewer->isVisible(); }));
    });
    window->view_button()->click();
    EXPECT_EQ(driver.pending(), 0u);
    EXPECT_EQ(busy.title, "Busy");
    EXPECT_TRUE(busy.text.startsWith("Please wait for the current network operation"));
    EXPECT_EQ(busy_save.title, "Busy");
    EXPECT_EQ(question.title, "Abort");
    ExpectClosedAfter(lost, NetResult::Aborted);
}

TEST_F(ViewerDownloadFailureTest, ConnectionDroppedDuringTheDownloadClosesBothWindows) {
    Start(script::CloseConnection());
    SeenBox lost;
    int viewers = 0;
    window->SetViewerSetup([&](ViewerWindow&) { ++viewers; });
    DialogDriver driver;
    driver.Then(RecordBoxAndClick(&lost, "OK"));
    window->view_button()->click();  // returns once the viewer has closed
    EXPECT_EQ(viewers, 1);
    EXPECT_EQ(driver.pending(), 0u);
    ExpectClosedAfter(lost, NetResult::GracefullyClosed);
}

}  // namespace
}  // namespace tarvox
