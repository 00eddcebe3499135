// The inbox window on a real Dovecot (loading, sorting, Delete with
// Cancel/Undo and with Save & Exit, its menu items) and on a server that stops
// answering halfway through the load (Busy, Abort).
#include "ui/inbox_window.h"

#include <QAction>
#include <QCoreApplication>
#include <QHeaderView>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

#include "dovecot_inbox_fixture.h"
#include "net/net_result.h"
#include "options_window_fixture.h"
#include "protocols/pop_session.h"
#include "support/scripted_server.h"
#include "ui/dialog_driver.h"
#include "ui/inbox_icons.h"
#include "ui/qt_text.h"
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

// Presses a key on the message list.
void PressKey(InboxWindow& window, Qt::Key key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(window.list(), &press);
}

// Waits for the window to close itself.
bool Closed(InboxWindow& window) {
    return DialogDriver::RunUntil([&] { return !window.isVisible(); });
}

TEST(InboxStateIconTest, SevenDistinctIconsAndNoneOutside) {
    EXPECT_TRUE(InboxStateIcon(0).isNull());
    EXPECT_TRUE(InboxStateIcon(8).isNull());
    std::vector<QImage> images;
    for (int index = 1; index <= 7; ++index) {
        ASSERT_FALSE(InboxStateIcon(index).isNull()) << index;
        images.push_back(InboxStateIcon(index).pixmap(QSize(21, 13)).toImage());
        for (int before = 0; before + 1 < index; ++before) {
            EXPECT_NE(images[before], images.back()) << before + 1 << " and " << index;
        }
    }
}

class InboxWindowTest : public DovecotInboxTest {
protected:
    // Logs in and shows a window over the session, loaded.
    std::unique_ptr<InboxWindow> Loaded() {
        Open();
        auto window = std::make_unique<InboxWindow>(c.context);
        window->show();
        EXPECT_TRUE(Idle(*window));
        return window;
    }
    static bool Idle(InboxWindow& window) {
        return DialogDriver::RunUntil([&] { return !window.worker_running(); });
    }
};

TEST_F(InboxWindowTest, ShowsTheRowsAndItsItemsReachTheServerAndTheSettings) {
    c.context.config.profiles.front().blacklist = "sender2@example.test,sender4@example.test";
    const auto window = Loaded();
    QTreeWidget* list = window->list();
    ASSERT_EQ(list->topLevelItemCount(), 5);
    EXPECT_EQ(list->columnWidth(0), c.context.config.global.colwidth[0]);
    QStringList junk;
    for (int row = 0; row < 5; ++row) {
        const QTreeWidgetItem* item = list->topLevelItem(row);
        const InboxEntry& entry = window->messages().RowEntry(static_cast<std::size_t>(row));
        for (int column = 0; column < 6; ++column) {
            EXPECT_EQ(item->text(column),
                      ToQString(RowText(entry, static_cast<InboxColumn>(column))));
        }
        EXPECT_EQ(item->icon(0).isNull(), StateIconIndex(entry) == 0);
        if (item->isSelected()) {
            junk << item->text(5);
        }
    }
    EXPECT_EQ(junk, QStringList({"4", "2"})) << "junk stands selected";
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
    ASSERT_TRUE(Idle(*window));
    EXPECT_EQ(window->status_line()->text(), "Connection is alive");
    window->findChild<QAction*>("refreshStat")->trigger();
    ASSERT_TRUE(Idle(*window));
    EXPECT_TRUE(window->status_line()->text().startsWith("Mailbox contains 5 message(s)"));

    const std::pair<const char*, int GlobalSettings::*> toggles[] = {
        {"enterprev", &GlobalSettings::enterprev},
        {"confirmclose", &GlobalSettings::confirmclose},
        {"confirmdel", &GlobalSettings::confirmdel},
        {"allheaders", &GlobalSettings::allheaders},
        {"htmlfilt", &GlobalSettings::htmlfilt},
        {"viewer_ro", &GlobalSettings::viewer_ro},
    };
    GlobalSettings& global = c.context.config.global;
    for (const auto& [name, setting] : toggles) {
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
    ASSERT_TRUE(Idle(*window));
    EXPECT_EQ(Numbers(window->list()), QStringList({"4", "2", "1"}));

    driver.Then(ClickButton("Yes"));  // undelete all
    window->cancel_button()->click();
    ASSERT_TRUE(Closed(*window));
    EXPECT_EQ(driver.pending(), 0u);
    EXPECT_FALSE(c.context.session->connection.Connected());
    EXPECT_EQ(ServerCount(), 5u);
}

TEST_F(InboxWindowTest, DeleteKeyThenSaveAndExitRemovesTheMessagesAndSavesTheSettings) {
    c.context.config.global.confirmdel = 0;
    const auto window = Loaded();
    window->list()->topLevelItem(1)->setSelected(true);  // 4
    PressKey(*window, Qt::Key_Delete);
    ASSERT_TRUE(Idle(*window));
    EXPECT_EQ(Numbers(window->list()), QStringList({"5", "3", "2", "1"}));

    window->list()->setColumnWidth(0, 211);
    window->save_button()->click();
    ASSERT_TRUE(Closed(*window));
    EXPECT_EQ(ServerCount(), 4u);
    const Configuration reloaded = c.Reload();
    EXPECT_EQ(reloaded.profiles.front().maildrop[0], 4);
    EXPECT_EQ(reloaded.global.colwidth[0], 211);
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

TEST_F(InboxWindowTest, PlacementIsRestoredAndStored) {
    c.context.config.global.ibsize = {1, 0, 0, 0, 0, 40, 50, 640, 450};
    c.context.config.global.confirmclose = 0;
    Open();
    InboxWindow window(c.context);
    EXPECT_EQ(window.geometry(), QRect(40, 50, 600, 400));
    window.show();
    ASSERT_TRUE(Idle(window));
    window.setGeometry(60, 70, 700, 500);
    window.cancel_button()->click();
    ASSERT_TRUE(Closed(window));
    EXPECT_EQ(c.context.config.global.ibsize, (WindowPlacement{1, 0, 0, 0, 0, 60, 70, 760, 570}));
}

TEST_F(InboxWindowTest, EnterAndRightDoubleClickChooseViewOrPreview) {
    c.context.config.global.autoprev = 0;
    const auto window = Loaded();
    QTreeWidget* list = window->list();
    const struct {
        int enterprev;
        bool right_double_click;  // else the Enter key
        QStringList opened;       // dialog titles, or "viewer" / "preview"
    } cases[] = {
        {1, false, {"Preview lines", "preview"}},  // asks for the lines first
        {0, false, {"viewer"}},
        {0, true, {"Preview lines", "preview"}},
    };
    for (const auto& open : cases) {
        c.context.config.global.enterprev = open.enterprev;
        list->topLevelItem(1)->setSelected(true);
        DialogDriver driver;
        QStringList opened;
        for (int i = 0; i < 2; ++i) {
            driver.Then([&](QWidget* dialog) {
                if (auto* viewer = qobject_cast<ViewerWindow*>(dialog)) {
                    opened << (viewer->source().preview ? "preview" : "viewer");
                    ASSERT_TRUE(DialogDriver::WaitForSignal(viewer, &ViewerWindow::idle,
                                                            [&] { return viewer->loaded(); }));
                    viewer->done(0);
                    return;
                }
                opened << dialog->windowTitle();
                ClickButton("cancel")(dialog);
            });
        }
        if (open.right_double_click) {
            const QPoint at = list->visualItemRect(list->topLevelItem(1)).center();
            QMouseEvent click(QEvent::MouseButtonDblClick, at, list->viewport()->mapToGlobal(at),
                              Qt::RightButton, Qt::RightButton, Qt::NoModifier);
            QCoreApplication::sendEvent(list->viewport(), &click);
        } else {
            PressKey(*window, Qt::Key_Return);
        }
        EXPECT_EQ(opened, open.opened);
    }
}

// A session on a server that lists one message and, after the TOP for it,
// goes on with `after_top`.
class InboxWindowStallTest : public ::testing::Test {
protected:
    void Start(std::vector<ScriptStep> after_top) {
        using namespace script;
        std::vector<ScriptStep> steps = {Expect("LIST\r\n"), Send("+OK\r\n1 120\r\n.\r\n"),
                                         Expect("TOP 1 0\r\n")};
        steps.insert(steps.end(), after_top.begin(), after_top.end());
        ServerOptions options;
        options.idle_timeout = std::chrono::milliseconds(DialogDriver::kDeadlineMs);
        server = std::make_unique<ScriptedServer>(std::move(steps), options);
        c.context.working.name = "Stall";
        c.context.working.host = "127.0.0.1";
        c.context.working.user = "u";
        c.context.session = std::make_unique<PopSession>(nullptr);
        NetAddress address;
        ASSERT_TRUE(ResolveHost("127.0.0.1", server->port(), address));
        ASSERT_EQ(c.context.session->connection.Connect(false, address), NetResult::Success);
        c.context.session->message_count = 1;
        c.context.session->mailbox_size = 120;
    }

    std::unique_ptr<ScriptedServer> server;
    OptionsWindowContext c;
};

TEST_F(InboxWindowStallTest, CommandsWhileLoadingShowTheBusyBoxAndAbortCloses) {
    Start({script::ExpectClosed()});  // never answered; no NOOP either
    InboxWindow window(c.context);
    window.show();
    ASSERT_TRUE(DialogDriver::RunUntil([&] { return window.abort_button()->isEnabled(); }));
    EXPECT_FALSE(window.delete_button()->isEnabled());
    EXPECT_FALSE(window.save_button()->isEnabled());
    EXPECT_FALSE(window.cancel_button()->isEnabled());
    // A tick of the keep-alive timer sends nothing while the load runs.
    QMetaObject::invokeMethod(window.keep_alive_timer(), "timeout");

    DialogDriver driver;
    SeenBox boxes[3];
    for (SeenBox& box : boxes) {
        driver.Then(RecordBoxAndClick(&box, "OK"));
    }
    PressKey(window, Qt::Key_Delete);
    window.findChild<QAction*>("saveAndExit")->trigger();  // the button rests; the item stays
    window.close();
    EXPECT_EQ(driver.pending(), 0u);
    for (const SeenBox& box : boxes) {
        EXPECT_EQ(box.title, "Busy");
    }
    EXPECT_TRUE(window.isVisible());

    // Abort answered No leaves the load running; Yes closes the mailbox.
    SeenBox lost;
    driver.Then(ClickButton("No"));
    driver.Then(ClickButton("Yes"));
    driver.Then(RecordBoxAndClick(&lost, "OK"));
    window.abort_button()->click();
    EXPECT_TRUE(c.context.session->connection.Connected());
    window.abort_button()->click();
    ASSERT_TRUE(Closed(window));
    EXPECT_EQ(lost.title, "Lost connection");
    EXPECT_EQ(lost.text, ToQString(NetResultText(NetResult::Aborted)));
    ASSERT_TRUE(DialogDriver::RunUntil([&] { return !window.worker_running(); }));
    EXPECT_SCRIPT_DONE(*server);
}

TEST_F(InboxWindowStallTest, ConnectionDroppedDuringDeleteClosesWithLostConnection) {
    using namespace script;
    Start({Send("+OK\r\nSubject: One\r\n\r\n.\r\n"), Expect("DELE 1\r\n"),
           CloseConnection()});
    c.context.config.global.confirmdel = 0;
    InboxWindow window(c.context);
    window.show();
    ASSERT_TRUE(DialogDriver::RunUntil([&] { return !window.worker_running(); }));
    ASSERT_EQ(window.list()->topLevelItemCount(), 1);
    window.list()->topLevelItem(0)->setSelected(true);
    DialogDriver driver;
    SeenBox lost;
    driver.Then(RecordBoxAndClick(&lost, "OK"));
    window.delete_button()->click();
    ASSERT_TRUE(Closed(window));
    EXPECT_EQ(lost.title, "Lost connection");
    ASSERT_TRUE(DialogDriver::RunUntil([&] { return !window.worker_running(); }));
    EXPECT_SCRIPT_DONE(*server);
}

}  // namespace
}  // namespace tarvox
