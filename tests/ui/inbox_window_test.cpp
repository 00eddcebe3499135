// The inbox window on a real Dovecot and on a scripted server that stalls.
#include "ui/inbox_window.h"

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QHeaderView>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <chrono>

#include "codec/stored_text.h"
#include "config/file_io.h"
#include "dovecot_inbox_fixture.h"
#include "junk/stored_flags.h"
#include "net/net_result.h"
#include "support/scripted_server.h"
#include "ui/inbox_icons.h"
#include "ui/qt_text.h"
#include "ui/save_mail_dialog.h"
#include "ui/viewer_window.h"

namespace tarvox {
namespace {

QStringList Numbers(const QTreeWidget* list) {
    QStringList texts;
    for (int row = 0; row < list->topLevelItemCount(); ++row) {
        texts << list->topLevelItem(row)->text(static_cast<int>(InboxColumn::Number));
    }
    return texts;
}

void PressKey(QWidget* target, Qt::Key key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &press);
}

bool Closed(InboxWindow& window) {
    return DialogDriver::RunUntil([&] { return !window.isVisible(); });
}

// The viewer `dialog` is, once its download has ended; null for another window.
ViewerWindow* LoadedViewer(QWidget* dialog) {
    auto* viewer = qobject_cast<ViewerWindow*>(dialog);
    if (viewer != nullptr) {
        EXPECT_TRUE(DialogDriver::WaitForSignal(viewer, &ViewerWindow::idle,
                                                [&] { return viewer->loaded(); }));
    }
    return viewer;
}

// Records the viewer's message number, then presses `button` ("" closes it).
DialogDriver::Action ViewerThen(std::vector<std::uint32_t>* numbers, const char* button) {
    return [=](QWidget* dialog) {
        ViewerWindow* viewer = LoadedViewer(dialog);
        ASSERT_NE(viewer, nullptr) << dialog->windowTitle().toStdString();
        numbers->push_back(static_cast<std::uint32_t>(viewer->source().pop3_number));
        *button == '\0' ? viewer->action("close")->trigger() : viewer->button(button)->click();
    };
}

TEST(InboxStateIconTest, SevenDistinctIconsAndNoneOutside) {
    EXPECT_TRUE(InboxStateIcon(0).isNull());
    EXPECT_TRUE(InboxStateIcon(8).isNull());
    std::vector<QImage> images;
    for (int index = 1; index <= 7; ++index) {
        images.push_back(InboxStateIcon(index).pixmap(QSize(21, 13)).toImage());
        ASSERT_FALSE(images.back().isNull()) << index;
        for (int before = 0; before + 1 < index; ++before) {
            EXPECT_NE(images[before], images.back()) << before + 1 << " and " << index;
        }
    }
}

class InboxWindowTest : public DovecotInboxTest {
protected:
    // A loaded inbox window with the rows of `selected` chosen.
    std::unique_ptr<InboxWindow> Loaded(std::initializer_list<std::uint32_t> selected = {}) {
        auto window = LoadedInbox();
        for (std::uint32_t number : selected) {
            window->list()->topLevelItem(5 - static_cast<int>(number))->setSelected(true);
        }
        return window;
    }
};

TEST_F(InboxWindowTest, ShowsTheRowsAndItsItemsReachTheServerAndTheSettings) {
    const auto window = Loaded();
    QTreeWidget* list = window->list();
    ASSERT_EQ(list->topLevelItemCount(), 5);
    EXPECT_EQ(list->topLevelItem(3)->text(static_cast<int>(InboxColumn::Subject)),
              "Dot-stuffing sample 2");
    EXPECT_FALSE(window->abort_button()->isEnabled());
    EXPECT_FALSE(window->ssl_button()->isEnabled()) << "not in TLS";
    EXPECT_TRUE(window->lock_picture()->isHidden());

    // A title sorts, a second click turns the order round, newest first resets.
    emit list->header()->sectionClicked(5);
    const QStringList once = Numbers(list);
    emit list->header()->sectionClicked(5);
    EXPECT_NE(Numbers(list), once);
    window->findChild<QAction*>("sortNewest")->trigger();
    EXPECT_EQ(Numbers(list), QStringList({"5", "4", "3", "2", "1"}));

    QMetaObject::invokeMethod(window->keep_alive_timer(), "timeout");
    ASSERT_TRUE(DialogDriver::WorkerEnded(*window));
    EXPECT_EQ(window->status_line()->text(), "Connection is alive");
    window->findChild<QAction*>("refreshStat")->trigger();
    ASSERT_TRUE(DialogDriver::WorkerEnded(*window));
    EXPECT_TRUE(window->status_line()->text().startsWith("Mailbox contains 5 message(s)"));

    GlobalSettings& global = c.context.config.global;
    for (const auto& [name, setting] : {std::pair{"enterprev", &GlobalSettings::enterprev},
                                        {"confirmclose", &GlobalSettings::confirmclose},
                                        {"confirmdel", &GlobalSettings::confirmdel},
                                        {"allheaders", &GlobalSettings::allheaders},
                                        {"htmlfilt", &GlobalSettings::htmlfilt},
                                        {"viewer_ro", &GlobalSettings::viewer_ro}}) {
        auto* action = window->findChild<QAction*>(name);
        const int before = global.*setting;
        EXPECT_EQ(action->isChecked(), before != 0) << name;
        action->trigger();
        EXPECT_EQ(global.*setting, before != 0 ? 0 : 1) << name;
    }
    DialogDriver driver;
    driver.Then(TypeAndClick("35", "submit"));
    window->findChild<QAction*>("previewLines")->trigger();
    EXPECT_EQ(global.preview, 35);
}

TEST_F(InboxWindowTest, DeleteThenCancelUndoRestoresTheMessages) {
    const auto window = Loaded();
    DialogDriver driver;
    driver.Then(ClickButton("OK"));  // select first
    window->delete_button()->click();
    EXPECT_FALSE(window->worker_running());
    window->list()->topLevelItem(0)->setSelected(true);  // 5
    window->list()->topLevelItem(2)->setSelected(true);  // 3
    driver.Then(ClickButton("Yes"));
    window->delete_button()->click();
    ASSERT_TRUE(DialogDriver::WorkerEnded(*window));
    EXPECT_EQ(Numbers(window->list()), QStringList({"4", "2", "1"}));

    driver.Then(ClickButton("Yes"));  // undelete all
    window->cancel_button()->click();
    ASSERT_TRUE(Closed(*window));
    EXPECT_FALSE(c.context.session->connection.Connected());
    EXPECT_EQ(ServerCount(), 5u);
}

TEST_F(InboxWindowTest, DeleteKeyThenSaveAndExitRemovesTheMessagesAndSavesTheSettings) {
    c.context.config.global.confirmdel = 0;
    c.context.config.global.ibsize = {1, 0, 0, 0, 0, 40, 50, 640, 450};
    const auto window = Loaded({4});
    EXPECT_EQ(window->geometry(), QRect(40, 50, 600, 400));
    PressKey(window->list(), Qt::Key_Delete);
    ASSERT_TRUE(DialogDriver::WorkerEnded(*window));
    EXPECT_EQ(Numbers(window->list()), QStringList({"5", "3", "2", "1"}));

    window->list()->setColumnWidth(0, 211);
    window->setGeometry(60, 70, 700, 500);
    window->save_button()->click();
    ASSERT_TRUE(Closed(*window));
    EXPECT_EQ(ServerCount(), 4u);
    const Configuration reloaded = c.Reload();
    EXPECT_EQ(reloaded.profiles.front().maildrop[0], 4);
    EXPECT_EQ(reloaded.global.colwidth[0], 211);
    EXPECT_EQ(c.context.config.global.ibsize, (WindowPlacement{1, 0, 0, 0, 0, 60, 70, 760, 570}));
}

TEST_F(InboxWindowTest, InTlsTheLockShowsAndSslShowsTheCertificate) {
    Profile& alice = c.context.config.profiles.front();
    alice.protopop = TransportSecurity::SslDirect;
    alice.port = server->tls_port();
    alice.pop_sslid = server->fingerprint();  // accepted without asking
    const auto window = Loaded();
    EXPECT_FALSE(window->lock_picture()->isHidden());
    DialogDriver driver;
    QString fingerprint;
    driver.Then([&](QWidget* dialog) {
        fingerprint = Control(dialog, "fingerprint")->text();
        ClickButton("cancel")(dialog);
    });
    window->ssl_button()->click();
    EXPECT_EQ(fingerprint, ToQString(server->fingerprint()));
}

TEST_F(InboxWindowTest, EachWayOfOpeningChoosesViewOrPreview) {
    c.context.config.global.autoprev = 0;
    const auto window = Loaded({4});
    QTreeWidget* list = window->list();
    enum class Way { Enter, RightDoubleClick, PreviewButton };
    const struct {
        int enterprev;
        Way way;
        QStringList opened;  // dialog titles, or "viewer" / "preview"
    } cases[] = {
        {1, Way::Enter, {"Preview lines", "preview"}},  // asks for the lines first
        {0, Way::Enter, {"viewer"}},
        {0, Way::RightDoubleClick, {"Preview lines", "preview"}},
        {0, Way::PreviewButton, {"Preview lines", "preview"}},
    };
    for (const auto& open : cases) {
        c.context.config.global.enterprev = open.enterprev;
        DialogDriver driver;
        QStringList opened;
        for (int i = 0; i < 2; ++i) {
            driver.Then([&](QWidget* dialog) {
                if (ViewerWindow* viewer = LoadedViewer(dialog)) {
                    opened << (viewer->source().preview ? "preview" : "viewer");
                    viewer->done(0);
                    return;
                }
                opened << dialog->windowTitle();
                ClickButton("cancel")(dialog);
            });
        }
        const QPoint at = list->visualItemRect(list->topLevelItem(1)).center();
        QMouseEvent click(QEvent::MouseButtonDblClick, at, list->viewport()->mapToGlobal(at),
                          Qt::RightButton, Qt::RightButton, Qt::NoModifier);
        switch (open.way) {
            case Way::Enter: PressKey(list, Qt::Key_Return); break;
            case Way::RightDoubleClick: QCoreApplication::sendEvent(list->viewport(), &click); break;
            case Way::PreviewButton: window->preview_button()->click(); break;
        }
        EXPECT_EQ(opened, open.opened) << open.enterprev;
    }
}

TEST_F(InboxWindowTest, TheViewersButtonsWalkTheListAndDeleteRemovesTheRow) {
    c.context.config.global.confirmdel = 0;
    const auto window = Loaded({3});
    std::vector<std::uint32_t> seen;
    DialogDriver driver;
    driver.Then(ViewerThen(&seen, "previous"));  // 3, the row above is 4
    driver.Then(ViewerThen(&seen, "next"));      // 4, back to 3
    driver.Then([&](QWidget* dialog) {
        ViewerWindow* viewer = LoadedViewer(dialog);
        ASSERT_NE(viewer, nullptr);
        viewer->button("delete")->click();
        ASSERT_TRUE(DialogDriver::RunUntil([&] { return !window->Busy(); }));
        EXPECT_EQ(Numbers(window->list()), QStringList({"5", "4", "2", "1"}));
        viewer->button("next")->click();
    });
    driver.Then(ViewerThen(&seen, ""));  // 2, the row that followed
    window->view_button()->click();
    EXPECT_EQ(seen, std::vector<std::uint32_t>({3, 4, 2}));
    ASSERT_EQ(window->list()->selectedItems().size(), 1);
    EXPECT_EQ(window->list()->selectedItems()[0]->text(5), "2");
}

TEST_F(InboxWindowTest, MailListSaveAsAndPrintGiveTheListing) {
    const auto window = Loaded();
    const std::string path = (c.dir / "list.txt").string();
    window->SetSavePicker([&](QWidget*, const FileSaveRequest&) { return ToQString(path); });
    std::string printed;
    window->SetTextPrinter(
        [&](QWidget*, const QString&, std::string_view text) { printed = std::string(text); });
    window->findChild<QAction*>("mailListSaveAs")->trigger();
    window->findChild<QAction*>("mailListPrint")->trigger();
    EXPECT_TRUE(ReadWholeFile(path).starts_with("alice on host 127.0.0.1\r\n"));
    EXPECT_EQ(printed.size(), FromStoredText(ReadWholeFile(path)).size()) << "equal but for the date line";
}

TEST_F(InboxWindowTest, F11AndInboxFiltersFilterTheList) {
    const auto window = Loaded();
    DialogDriver driver;
    driver.Then(TypeAndClick("DOT-STUFFING", "ok"));
    PressKey(window->list(), Qt::Key_F11);
    EXPECT_EQ(Numbers(window->list()), QStringList({"2"}));
    driver.Then([](QWidget* dialog) {
        ClickButton("presetAllMail")(dialog);
        ClickButton("ok")(dialog);
    });
    window->findChild<QAction*>("inboxFilters")->trigger();
    EXPECT_EQ(Numbers(window->list()), QStringList({"5", "4", "3", "2", "1"}));
}

TEST_F(InboxWindowTest, F12EditsTheFlagsOfEachSelectedRowUntilOneIsCancelled) {
    const auto window = Loaded({4, 3, 2});
    const QImage unread = window->list()->topLevelItem(1)->icon(0).pixmap(21, 13).toImage();
    DialogDriver driver;
    for (const char* button : {"ok", "cancel"}) {
        driver.Then([button](QWidget* dialog) {
            dialog->findChild<QCheckBox*>("read")->setChecked(true);
            ClickButton(button)(dialog);
        });
    }
    PressKey(window->list(), Qt::Key_F12);
    EXPECT_EQ(window->messages().Find(4)->flags, kFlagRead);
    EXPECT_EQ(window->messages().Find(3)->flags, 0u);
    EXPECT_EQ(window->messages().Find(2)->flags, 0u) << "not asked after a Cancel";
    EXPECT_NE(window->list()->topLevelItem(1)->icon(0).pixmap(21, 13).toImage(), unread);
}

TEST_F(InboxWindowTest, ForeignIpEditsTheStoredProfilesNetworks) {
    c.context.config.profiles.front().ispnetworks = std::string("10.,192.168.");
    const auto window = Loaded({2});
    QString title;
    DialogDriver driver;
    driver.Then([&](QWidget* dialog) {
        title = dialog->windowTitle();
        dialog->findChild<QListWidget*>("networks")->setCurrentRow(0);
        ClickButton("del")(dialog);
        ClickButton("ok")(dialog);
    });
    window->findChild<QAction*>("foreignIp")->trigger();
    EXPECT_EQ(title, "Dot-stuffing sample 2");
    EXPECT_EQ(c.context.config.profiles.front().ispnetworks, std::string("192.168."));
}

TEST_F(InboxWindowTest, SaveAllMailOpensTheSaveMailDialogOnEveryRow) {
    const auto window = Loaded({2});
    DialogDriver driver;
    driver.Then([&](QWidget* dialog) {
        auto* save = qobject_cast<SaveMailDialog*>(dialog);
        ASSERT_NE(save, nullptr);
        EXPECT_TRUE(save->folder_line()->text().endsWith("Alice"));
        EXPECT_EQ(window->messages().SelectedNumbers().size(), 5u);
        static_cast<QDialog*>(save)->reject();
    });
    window->findChild<QAction*>("saveAllMail")->trigger();
    EXPECT_EQ(window->list()->selectedItems().size(), 5);
    // The inbox has its status line back.
    c.services.ShowStatus(StatusLine::Inbox, "back");
    ASSERT_TRUE(DialogDriver::RunUntil([&] { return window->status_line()->text() == "back"; }));
}

// A server that lists one message and goes on with `after_top` after its TOP.
class InboxScriptedTest : public ::testing::Test {
protected:
    void Start(std::vector<ScriptStep> after_top) {
        using namespace script;
        std::vector<ScriptStep> steps = {Expect("LIST\r\n"), Send("+OK\r\n1 120\r\n.\r\n"),
                                         Expect("TOP 1 0\r\n")};
        steps.insert(steps.end(), after_top.begin(), after_top.end());
        ServerOptions options;
        options.idle_timeout = std::chrono::milliseconds(DialogDriver::kDeadlineMs);
        server = std::make_unique<ScriptedServer>(std::move(steps), options);
        c.context.working.host = "127.0.0.1";
        c.context.session = std::make_unique<PopSession>(nullptr);
        NetAddress address;
        ASSERT_TRUE(ResolveHost("127.0.0.1", server->port(), address));
        ASSERT_EQ(c.context.session->connection.Connect(false, address), NetResult::Success);
        c.context.session->message_count = 1;
        c.context.session->mailbox_size = 120;
        window = std::make_unique<InboxWindow>(c.context);
        window->show();
    }
    // The inbox closed after the lost connection; the script was used up.
    void ExpectAbortedAndClosed(const SeenBox& lost) {
        ASSERT_TRUE(Closed(*window));
        EXPECT_EQ(lost.title, "Lost connection");
        EXPECT_EQ(lost.text, ToQString(NetResultText(NetResult::Aborted)));
        ASSERT_TRUE(DialogDriver::WorkerEnded(*window));
        EXPECT_SCRIPT_DONE(*server);
    }

    std::unique_ptr<ScriptedServer> server;
    OptionsWindowContext c;
    std::unique_ptr<InboxWindow> window;
};

TEST_F(InboxScriptedTest, CommandsWhileLoadingShowTheBusyBoxAndAbortCloses) {
    Start({script::ExpectClosed()});  // never answered; no NOOP either
    ASSERT_TRUE(DialogDriver::RunUntil([&] { return window->abort_button()->isEnabled(); }));
    for (QPushButton* button : {window->delete_button(), window->save_button(),
                                window->cancel_button()}) {
        EXPECT_FALSE(button->isEnabled()) << button->objectName().toStdString();
    }
    QMetaObject::invokeMethod(window->keep_alive_timer(), "timeout");  // sends nothing
    DialogDriver driver;
    SeenBox boxes[3], lost;
    for (SeenBox& box : boxes) {
        driver.Then(RecordBoxAndClick(&box, "OK"));
    }
    PressKey(window->list(), Qt::Key_Delete);
    window->findChild<QAction*>("saveAndExit")->trigger();
    window->close();
    for (const SeenBox& box : boxes) {
        EXPECT_EQ(box.title, "Busy");
    }
    EXPECT_TRUE(window->isVisible());
    driver.Then(ClickButton("No"));  // the load goes on
    driver.Then(ClickButton("Yes"));
    driver.Then(RecordBoxAndClick(&lost, "OK"));
    window->abort_button()->click();
    EXPECT_TRUE(c.context.session->connection.Connected());
    window->abort_button()->click();
    ExpectAbortedAndClosed(lost);
}

TEST_F(InboxScriptedTest, CloseAndSaveWhileTheViewerDownloadsAreBusyAndAbortEndsEverything) {
    using namespace script;
    Start({Send("+OK\r\nSubject: One\r\n\r\n.\r\n"), Expect("RETR 1\r\n"),
           Send("+OK\r\nSubject: One\r\n\r\nfirst\r\n"), ExpectClosed()});
    ASSERT_TRUE(DialogDriver::WorkerEnded(*window));
    ASSERT_EQ(window->list()->topLevelItemCount(), 1);
    window->list()->topLevelItem(0)->setSelected(true);
    SeenBox busy, busy_save, lost;
    DialogDriver driver;
    driver.Then([&](QWidget* dialog) {
        auto* viewer = qobject_cast<ViewerWindow*>(dialog);
        ASSERT_NE(viewer, nullptr);
        ASSERT_TRUE(DialogDriver::RunUntil([&] { return window->Busy(); }));
        DialogDriver answers;
        answers.Then(RecordBoxAndClick(&busy, "OK"));
        viewer->action("close")->trigger();
        EXPECT_TRUE(viewer->isVisible());
        answers.Then(RecordBoxAndClick(&busy_save, "OK"));
        viewer->findChild<QPushButton*>("save")->click();
        answers.Then(ClickButton("Yes"));
        answers.Then(RecordBoxAndClick(&lost, "OK"));
        viewer->button("abort")->click();
        ASSERT_TRUE(DialogDriver::RunUntil([&] { return !viewer->isVisible(); }));
    });
    window->view_button()->click();
    EXPECT_EQ(busy.title, "Busy");
    EXPECT_EQ(busy_save.title, "Busy");
    ExpectAbortedAndClosed(lost);
}

}  // namespace
}  // namespace tarvox
