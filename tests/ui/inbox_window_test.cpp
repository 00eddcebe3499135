// The inbox window on a real Dovecot (loading, sorting, Delete with
// Cancel/Undo and with Save & Exit, the statistics and column widths) and on a
// server that stops answering halfway through the load (Busy, Abort).
#include "ui/inbox_window.h"

#include <QAction>
#include <QCoreApplication>
#include <QHeaderView>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <memory>
#include <string>

#include "codec/text_format.h"
#include "dovecot_inbox_fixture.h"
#include "junk/stored_flags.h"
#include "net/certificate_check.h"
#include "net/net_result.h"
#include "options_window_fixture.h"
#include "protocols/open_mailbox.h"
#include "protocols/pop_session.h"
#include "support/dovecot_server.h"
#include "support/one_client_server.h"
#include "ui/dialog_driver.h"
#include "ui/qt_text.h"

namespace tarvox {
namespace {

constexpr const char* kBusyText =
    "Please wait for the current network operation to complete, or use the Abort button to "
    "force the connection to your mailbox to close.";

QStringList ColumnTexts(const QTreeWidget* list, int column) {
    QStringList texts;
    for (int row = 0; row < list->topLevelItemCount(); ++row) {
        texts << list->topLevelItem(row)->text(column);
    }
    return texts;
}

QStringList Titles(const QTreeWidget* list) {
    QStringList titles;
    for (int column = 0; column < list->columnCount(); ++column) {
        titles << list->headerItem()->text(column);
    }
    return titles;
}

TEST(InboxStateIconTest, SevenDistinctIconsOf21By13AndNoneForZero) {
    EXPECT_TRUE(InboxStateIcon(0).isNull());
    EXPECT_TRUE(InboxStateIcon(8).isNull());
    std::vector<QImage> images;
    for (int index = 1; index <= 7; ++index) {
        const QIcon icon = InboxStateIcon(index);
        ASSERT_FALSE(icon.isNull()) << index;
        ASSERT_EQ(icon.availableSizes().value(0), QSize(21, 13)) << index;
        images.push_back(icon.pixmap(QSize(21, 13)).toImage());
    }
    for (std::size_t a = 0; a < images.size(); ++a) {
        for (std::size_t b = a + 1; b < images.size(); ++b) {
            EXPECT_NE(images[a], images[b]) << "icons " << a + 1 << " and " << b + 1;
        }
    }
}

class InboxWindowTest : public DovecotInboxTest {
protected:
    static bool Loaded(InboxWindow& window) {
        return DialogDriver::RunUntil([&] { return !window.worker_running(); });
    }
};

TEST_F(InboxWindowTest, LoadsTheRowsNewestFirst) {
    Open();
    InboxWindow window(c.context);
    EXPECT_EQ(window.windowTitle(), "Tarvox - Reading inbox...");
    window.show();
    ASSERT_TRUE(Loaded(window));
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.windowTitle(), "Tarvox - alice on 127.0.0.1");
    const QString loaded =
        ToQString(TextFormat("Loaded 5 message(s) occupying %.1f KB",
                             static_cast<double>(c.context.session->mailbox_size) / 1024.0));
    EXPECT_EQ(window.status_line()->text(), loaded);

    QTreeWidget* list = window.list();
    EXPECT_EQ(Titles(list), QStringList({"Subject", "From", "Date/Time", "Size", "To", "No."}));
    const auto& widths = c.context.config.global.colwidth;
    for (int column = 0; column < 5; ++column) {
        EXPECT_EQ(list->columnWidth(column), widths[column]) << column;
    }
    EXPECT_EQ(list->columnWidth(5), 30);
    ASSERT_EQ(list->topLevelItemCount(), 5);
    EXPECT_EQ(ColumnTexts(list, 5), QStringList({"5", "4", "3", "2", "1"}));
    for (int row = 0; row < 5; ++row) {
        const QTreeWidgetItem* item = list->topLevelItem(row);
        const InboxEntry& entry = window.messages().RowEntry(static_cast<std::size_t>(row));
        for (int column = 0; column < 6; ++column) {
            EXPECT_EQ(item->text(column),
                      ToQString(RowText(entry, static_cast<InboxColumn>(column))))
                << row << ", " << column;
        }
        EXPECT_EQ(item->textAlignment(3) & Qt::AlignRight, Qt::AlignRight);
        EXPECT_EQ(item->textAlignment(5) & Qt::AlignRight, Qt::AlignRight);
        EXPECT_EQ(item->textAlignment(0) & Qt::AlignRight, 0);
        EXPECT_EQ(item->icon(0).isNull(), StateIconIndex(entry) == 0);
        EXPECT_FALSE(item->isSelected()) << "no junk among the samples";
    }
    EXPECT_TRUE(window.delete_button()->isEnabled());
    EXPECT_TRUE(window.save_button()->isEnabled());
    EXPECT_TRUE(window.cancel_button()->isEnabled());
    EXPECT_FALSE(window.abort_button()->isEnabled());
    EXPECT_FALSE(window.ssl_button()->isEnabled()) << "not in TLS";
    EXPECT_TRUE(window.lock_picture()->isHidden());
}

TEST_F(InboxWindowTest, LoadWithoutAutosortKeepsServerOrder) {
    c.context.config.profiles.front().autosort = 0;
    Open();
    InboxWindow window(c.context);
    window.show();
    ASSERT_TRUE(Loaded(window));
    EXPECT_EQ(ColumnTexts(window.list(), 5), QStringList({"1", "2", "3", "4", "5"}));
}

TEST_F(InboxWindowTest, ClickingATitleSortsAndTheNewestFirstItemResets) {
    Open();
    InboxWindow window(c.context);
    window.show();
    ASSERT_TRUE(Loaded(window));
    QTreeWidget* list = window.list();
    // The direction flips with every click (the order itself is the list
    // model's): the title shows it.
    emit list->header()->sectionClicked(5);
    const bool ascending = Titles(list)[5] == "No. +";
    EXPECT_EQ(ColumnTexts(list, 5), ascending ? QStringList({"1", "2", "3", "4", "5"})
                                              : QStringList({"5", "4", "3", "2", "1"}));
    emit list->header()->sectionClicked(5);
    EXPECT_EQ(Titles(list)[5], ascending ? "No. -" : "No. +");
    // The newest-first sort resets every marker.
    window.findChild<QAction*>("sortNewest")->trigger();
    EXPECT_EQ(Titles(list), QStringList({"Subject", "From", "Date/Time", "Size", "To", "No."}));
    EXPECT_EQ(ColumnTexts(list, 5), QStringList({"5", "4", "3", "2", "1"}));
}

TEST_F(InboxWindowTest, CommandsWithoutASelectionAskForOne) {
    Open();
    InboxWindow window(c.context);
    window.show();
    ASSERT_TRUE(Loaded(window));
    window.list()->clearSelection();
    DialogDriver driver;
    SeenBox box;
    driver.Then(RecordBoxAndClick(&box, "OK"));
    window.delete_button()->click();
    EXPECT_EQ(driver.pending(), 0u);
    EXPECT_EQ(box.title, "Tarvox");
    EXPECT_EQ(box.text, "Please select message(s) first");
    EXPECT_EQ(box.icon, QMessageBox::Warning);
    EXPECT_FALSE(window.worker_running());
}

TEST_F(InboxWindowTest, DeleteThenCancelUndoRestoresTheMessages) {
    Open();
    InboxWindow window(c.context);
    window.show();
    ASSERT_TRUE(Loaded(window));
    QTreeWidget* list = window.list();
    list->topLevelItem(0)->setSelected(true);  // 5
    list->topLevelItem(2)->setSelected(true);  // 3
    DialogDriver driver;
    SeenBox question;
    driver.Then(RecordBoxAndClick(&question, "Yes"));
    window.delete_button()->click();
    ASSERT_TRUE(Loaded(window));
    EXPECT_EQ(question.title, "Tarvox");
    EXPECT_EQ(question.text, "Are you sure you want to delete the message(s)?");
    EXPECT_EQ(question.icon, QMessageBox::Warning);
    EXPECT_EQ(ColumnTexts(list, 5), QStringList({"4", "2", "1"}));
    EXPECT_TRUE(window.delete_button()->isEnabled());

    int finished = -1;
    QObject::connect(&window, &QDialog::finished, [&](int result) { finished = result; });
    SeenBox undelete;
    driver.Then(RecordBoxAndClick(&undelete, "Yes"));
    window.cancel_button()->click();
    ASSERT_TRUE(DialogDriver::RunUntil([&] { return finished != -1; }));
    EXPECT_EQ(finished, 0);
    EXPECT_EQ(undelete.title, "Undelete all?");
    EXPECT_TRUE(undelete.text.startsWith("Any messages that were deleted during this session"));
    EXPECT_EQ(driver.pending(), 0u);
    EXPECT_FALSE(c.context.session->connection.Connected());
    EXPECT_EQ(ServerCount(), 5u);
}

TEST_F(InboxWindowTest, DeleteKeyThenSaveAndExitRemovesTheMessagesAndSavesTheSettings) {
    c.context.config.global.confirmdel = 0;
    Open();
    InboxWindow window(c.context);
    window.show();
    ASSERT_TRUE(Loaded(window));
    QTreeWidget* list = window.list();
    list->topLevelItem(1)->setSelected(true);  // 4
    QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    QCoreApplication::sendEvent(list, &del);
    ASSERT_TRUE(Loaded(window));
    EXPECT_EQ(ColumnTexts(list, 5), QStringList({"5", "3", "2", "1"}));

    list->setColumnWidth(0, 211);
    int finished = -1;
    QObject::connect(&window, &QDialog::finished, [&](int result) { finished = result; });
    window.save_button()->click();
    ASSERT_TRUE(DialogDriver::RunUntil([&] { return finished != -1; }));
    EXPECT_EQ(finished, 0);
    EXPECT_FALSE(c.context.session->connection.Connected());
    EXPECT_EQ(ServerCount(), 4u);
    // The statistics and the column widths went into the settings file.
    const Configuration reloaded = c.Reload();
    EXPECT_EQ(reloaded.profiles.front().maildrop[0], 4);
    EXPECT_EQ(reloaded.global.colwidth[0], 211);
}

TEST_F(InboxWindowTest, KeepAliveTickWhenIdleProdsTheServer) {
    Open();
    InboxWindow window(c.context);
    window.show();
    ASSERT_TRUE(Loaded(window));
    QMetaObject::invokeMethod(window.keep_alive_timer(), "timeout");
    EXPECT_TRUE(window.worker_running());
    ASSERT_TRUE(Loaded(window));
    EXPECT_EQ(window.status_line()->text(), "Connection is alive");
    EXPECT_TRUE(window.delete_button()->isEnabled());
}

TEST_F(InboxWindowTest, RefreshMailboxStatShowsTheCountAndSize) {
    Open();
    InboxWindow window(c.context);
    window.show();
    ASSERT_TRUE(Loaded(window));
    auto* refresh = window.findChild<QAction*>("refreshStat");
    ASSERT_NE(refresh, nullptr);
    refresh->trigger();
    ASSERT_TRUE(Loaded(window));
    EXPECT_TRUE(window.status_line()->text().startsWith("Mailbox contains 5 message(s)"));
}

TEST_F(InboxWindowTest, InTlsTheLockShowsAndSslShowsTheCertificate) {
    Profile& alice = c.context.config.profiles.front();
    alice.protopop = 1;
    alice.port = server->tls_port();
    alice.pop_sslid = server->fingerprint();  // accepted without asking
    Open();
    ASSERT_TRUE(c.context.session->connection.TlsActive());
    InboxWindow window(c.context);
    window.show();
    ASSERT_TRUE(Loaded(window));
    EXPECT_TRUE(window.ssl_button()->isEnabled());
    EXPECT_FALSE(window.lock_picture()->isHidden());
    DialogDriver driver;
    QString title, fingerprint, trust;
    bool accept_enabled = true;
    driver.Then([&](QWidget* dialog) {
        title = dialog->windowTitle();
        fingerprint = Control(dialog, "fingerprint")->text();
        trust = Control(dialog, "trustEvaluation")->text();
        accept_enabled = Control<QAbstractButton>(dialog, "accept")->isEnabled();
        ClickButton("cancel")(dialog);
    });
    window.ssl_button()->click();
    EXPECT_EQ(driver.pending(), 0u);
    EXPECT_EQ(title, "SSL Information");
    EXPECT_EQ(fingerprint, ToQString(server->fingerprint()));
    EXPECT_EQ(trust, ToQString(kTrustGood));
    EXPECT_FALSE(accept_enabled) << "information only";
    EXPECT_TRUE(window.isVisible());
}

TEST_F(InboxWindowTest, JunkRowsStandSelected) {
    c.context.config.profiles.front().blacklist = "sender2@example.test,sender4@example.test";
    Open();
    InboxWindow window(c.context);
    window.show();
    ASSERT_TRUE(Loaded(window));
    QStringList selected;
    for (int row = 0; row < window.list()->topLevelItemCount(); ++row) {
        if (window.list()->topLevelItem(row)->isSelected()) {
            selected << window.list()->topLevelItem(row)->text(5);
        }
    }
    EXPECT_EQ(selected, QStringList({"4", "2"}));
    // Ready for deletion as they stand.
    c.context.config.global.confirmdel = 0;
    window.delete_button()->click();
    ASSERT_TRUE(Loaded(window));
    EXPECT_EQ(ColumnTexts(window.list(), 5), QStringList({"5", "3", "1"}));
}

TEST_F(InboxWindowTest, PlacementIsRestoredAndStored) {
    c.context.config.global.ibsize = {1, 0, 0, 0, 0, 40, 50, 640, 450};
    Open();
    InboxWindow window(c.context);
    EXPECT_EQ(window.geometry(), QRect(40, 50, 600, 400));
    window.show();
    ASSERT_TRUE(Loaded(window));
    window.setGeometry(60, 70, 700, 500);
    c.context.config.global.confirmclose = 0;
    window.cancel_button()->click();
    ASSERT_TRUE(DialogDriver::RunUntil([&] { return !window.isVisible(); }));
    const WindowPlacement expected{1, 0, 0, 0, 0, 60, 70, 760, 570};
    EXPECT_EQ(c.context.config.global.ibsize, expected);
}

struct OpenCase {
    const char* name;
    int enterprev;
    bool select;
    bool right_double_click;  // else the Enter key
    // What opens, in order: a dialog's title, or "viewer" / "preview" for
    // the viewer downloading the whole message or its first lines.
    QStringList opened;
};

TEST_F(InboxWindowTest, EnterAndRightDoubleClickChooseViewOrPreview) {
    Open();
    c.context.config.global.autoprev = 0;
    InboxWindow window(c.context);
    window.show();
    ASSERT_TRUE(Loaded(window));
    QTreeWidget* list = window.list();
    const OpenCase cases[] = {
        // Preview asks for the number of lines first (autoprev is 0).
        {"Enter previews", 1, true, false, {"Preview lines", "preview"}},
        // Without a selection both ask for one.
        {"Enter views, none selected", 0, false, false, {"Tarvox"}},
        {"Enter views", 0, true, false, {"viewer"}},
        {"Enter previews, none selected", 1, false, false, {"Tarvox"}},
        {"right double click previews", 0, true, true, {"Preview lines", "preview"}},
    };
    for (const OpenCase& open : cases) {
        SCOPED_TRACE(open.name);
        c.context.config.global.enterprev = open.enterprev;
        list->clearSelection();
        if (open.select) {
            list->topLevelItem(1)->setSelected(true);
        }
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
                ClickButton(qobject_cast<QMessageBox*>(dialog) != nullptr ? "OK"
                                                                          : "cancel")(dialog);
            });
        }
        if (open.right_double_click) {
            const QPoint at = list->visualItemRect(list->topLevelItem(1)).center();
            QMouseEvent click(QEvent::MouseButtonDblClick, at, list->viewport()->mapToGlobal(at),
                              Qt::RightButton, Qt::RightButton, Qt::NoModifier);
            QCoreApplication::sendEvent(list->viewport(), &click);
        } else {
            QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
            QCoreApplication::sendEvent(list, &enter);
        }
        EXPECT_EQ(opened, open.opened);
        EXPECT_EQ(driver.pending(), 2u - static_cast<std::size_t>(opened.size()));
    }
}

struct ToggleCase {
    const char* name;
    int GlobalSettings::*setting;
};

TEST_F(InboxWindowTest, OptionItemsToggleTheirSettings) {
    Open();
    const ToggleCase cases[] = {
        {"enterprev", &GlobalSettings::enterprev},
        {"confirmclose", &GlobalSettings::confirmclose},
        {"confirmdel", &GlobalSettings::confirmdel},
        {"allheaders", &GlobalSettings::allheaders},
        {"htmlfilt", &GlobalSettings::htmlfilt},
        {"viewer_ro", &GlobalSettings::viewer_ro},
    };
    GlobalSettings& global = c.context.config.global;
    global.enterprev = 1;
    global.confirmclose = 0;
    global.confirmdel = 1;
    global.allheaders = 0;
    global.htmlfilt = 1;
    global.viewer_ro = 0;
    InboxWindow window(c.context);
    for (const ToggleCase& toggle : cases) {
        SCOPED_TRACE(toggle.name);
        auto* action = window.findChild<QAction*>(toggle.name);
        ASSERT_NE(action, nullptr);
        const int before = global.*toggle.setting;
        EXPECT_EQ(action->isChecked(), before != 0);
        action->trigger();
        EXPECT_EQ(global.*toggle.setting, before != 0 ? 0 : 1);
        EXPECT_EQ(action->isChecked(), before == 0);
    }
    ASSERT_TRUE(Loaded(window));
}

TEST_F(InboxWindowTest, PreviewLinesItemAsksForTheNumber) {
    Open();
    InboxWindow window(c.context);
    ASSERT_TRUE(Loaded(window));
    DialogDriver driver;
    driver.Then(TypeAndClick("35", "submit"));
    window.findChild<QAction*>("previewLines")->trigger();
    EXPECT_EQ(driver.pending(), 0u);
    EXPECT_EQ(c.context.config.global.preview, 35);
}

TEST_F(InboxWindowTest, ShortcutsAndAboutBoxes) {
    Open();
    InboxWindow window(c.context);
    ASSERT_TRUE(Loaded(window));
    DialogDriver driver;
    SeenBox shortcuts, about;
    driver.Then(RecordBoxAndClick(&shortcuts, "OK"));
    driver.Then(RecordBoxAndClick(&about, "OK"));
    window.findChild<QAction*>("shortcuts")->trigger();
    window.findChild<QAction*>("about")->trigger();
    EXPECT_EQ(driver.pending(), 0u);
    EXPECT_EQ(shortcuts.title, "Shortcuts");
    EXPECT_EQ(shortcuts.text,
              "F11\tInbox filters\nF12\tMessage flags\nEnter\tView or Preview (see Options)\n"
              "Del key\tALT+D\tDelete\nL.dbl-clk\tALT+V\tView\nR.dbl-clk\tALT+P\tPreview\n\n"
              "CTRL+Click\tSelect multiple e-mails\nSHIFT+arrows\tSelect multiple e-mails\n\n"
              "ALT+X\tExit with save\nALT+C\tCancel (undo changes)\nALT+A\tAbort and close\n");
    EXPECT_TRUE(about.text.startsWith("Tarvox Plus 3.3 beta3a"));
    EXPECT_TRUE(about.text.endsWith(ToQString(c.context.tls.VersionText())));
}

// A POP3 server that answers LIST for one message and then never answers the
// TOP that follows, until the client goes. Told to answer TOP, it does, and
// drops the connection at the first DELE instead.
class StallingServer {
public:
    std::uint16_t port() const { return m_server.port(); }
    bool top_seen() const { return m_top_seen.load(); }
    bool noop_seen() const { return m_noop_seen.load(); }
    bool client_gone() const { return m_client_gone.load(); }
    void AnswerTopDropAtDele() { m_answer_top = true; }

private:
    void Serve(int client) {
        std::string received;
        char buffer[512];
        bool listed = false;
        for (;;) {
            const ssize_t got = ::recv(client, buffer, sizeof buffer, 0);
            if (got <= 0) {
                break;
            }
            received.append(buffer, static_cast<std::size_t>(got));
            if (!listed && received.find("LIST\r\n") != std::string::npos) {
                listed = true;
                const std::string reply = "+OK 1 messages\r\n1 120\r\n.\r\n";
                ::send(client, reply.data(), reply.size(), MSG_NOSIGNAL);
            }
            if (!m_top_seen && received.find("TOP 1 0\r\n") != std::string::npos) {
                m_top_seen = true;
                if (m_answer_top) {
                    const std::string reply = "+OK\r\nSubject: One\r\n\r\n.\r\n";
                    ::send(client, reply.data(), reply.size(), MSG_NOSIGNAL);
                }
            }
            if (m_answer_top && received.find("DELE") != std::string::npos) {
                break;
            }
            if (received.find("NOOP") != std::string::npos) {
                m_noop_seen = true;
            }
        }
        ::close(client);
        m_client_gone = true;
    }

    std::atomic<bool> m_top_seen{false};
    std::atomic<bool> m_noop_seen{false};
    std::atomic<bool> m_client_gone{false};
    std::atomic<bool> m_answer_top{false};
    // Last: its thread starts once the flags above exist.
    OneClientServer m_server{[this](int client) { Serve(client); }};
};

class InboxWindowStallTest : public ::testing::Test {
protected:
    void SetUp() override {
        c.context.working.name = "Stall";
        c.context.working.host = "127.0.0.1";
        c.context.working.user = "u";
        c.context.session = std::make_unique<PopSession>(nullptr);
        NetAddress address;
        ASSERT_EQ(ResolveHost("127.0.0.1", server.port(), address), 0);
        ASSERT_EQ(c.context.session->connection.Connect(false, address), net::kSuccess);
        c.context.session->message_count = 1;
        c.context.session->mailbox_size = 120;
    }

    StallingServer server;
    OptionsWindowContext c;
};

TEST_F(InboxWindowStallTest, CommandsWhileLoadingShowTheBusyBox) {
    InboxWindow window(c.context);
    window.show();
    ASSERT_TRUE(DialogDriver::RunUntil([&] { return server.top_seen(); }));
    EXPECT_TRUE(window.abort_button()->isEnabled());
    EXPECT_FALSE(window.delete_button()->isEnabled());
    EXPECT_FALSE(window.save_button()->isEnabled());
    EXPECT_FALSE(window.cancel_button()->isEnabled());

    DialogDriver driver;
    SeenBox on_delete, on_save, on_close;
    driver.Then(RecordBoxAndClick(&on_delete, "OK"));
    driver.Then(RecordBoxAndClick(&on_save, "OK"));
    driver.Then(RecordBoxAndClick(&on_close, "OK"));
    QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    QCoreApplication::sendEvent(window.list(), &del);
    // The button rests while loading; the menu item stays.
    window.findChild<QAction*>("saveAndExit")->trigger();
    window.close();
    EXPECT_EQ(driver.pending(), 0u);
    for (const SeenBox* box : {&on_delete, &on_save, &on_close}) {
        EXPECT_EQ(box->title, "Busy");
        EXPECT_EQ(box->text, kBusyText);
        EXPECT_EQ(box->icon, QMessageBox::Warning);
    }
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(window.worker_running());
}

TEST_F(InboxWindowStallTest, AbortWhileLoadingClosesWithLostConnection) {
    InboxWindow window(c.context);
    int finished = -1;
    QObject::connect(&window, &QDialog::finished, [&](int result) { finished = result; });
    window.show();
    ASSERT_TRUE(DialogDriver::RunUntil([&] { return server.top_seen(); }));

    DialogDriver driver;
    SeenBox question, lost;
    driver.Then(RecordBoxAndClick(&question, "Yes"));
    driver.Then(RecordBoxAndClick(&lost, "OK"));
    window.abort_button()->click();
    ASSERT_TRUE(DialogDriver::RunUntil([&] { return finished != -1; }));
    EXPECT_EQ(finished, 0);
    EXPECT_EQ(question.title, "Abort");
    EXPECT_EQ(question.text,
              "Are you sure you want to abort all network operations and close your mailbox?");
    EXPECT_EQ(lost.title, "Lost connection");
    EXPECT_EQ(lost.text, ToQString(NetResultText(net::kAborted)));
    EXPECT_FALSE(c.context.session->connection.Connected());
    ASSERT_TRUE(DialogDriver::RunUntil([&] { return !window.worker_running(); }));
}

TEST_F(InboxWindowStallTest, KeepAliveTickWhileLoadingDoesNothing) {
    InboxWindow window(c.context);
    window.show();
    ASSERT_TRUE(DialogDriver::RunUntil([&] { return server.top_seen(); }));
    QMetaObject::invokeMethod(window.keep_alive_timer(), "timeout");
    QMetaObject::invokeMethod(window.keep_alive_timer(), "timeout");
    EXPECT_TRUE(window.abort_button()->isEnabled());
    // End the load and read all the server was sent.
    DialogDriver driver;
    driver.Then(ClickButton("Yes"));
    driver.Then(ClickButton("OK"));
    window.abort_button()->click();
    ASSERT_TRUE(
        DialogDriver::RunUntil([&] { return server.client_gone() && !window.worker_running(); }));
    EXPECT_EQ(driver.pending(), 0u);
    EXPECT_FALSE(server.noop_seen());
}

TEST_F(InboxWindowStallTest, ConnectionDroppedDuringDeleteClosesWithLostConnection) {
    server.AnswerTopDropAtDele();
    c.context.config.global.confirmdel = 0;
    InboxWindow window(c.context);
    int finished = -1;
    QObject::connect(&window, &QDialog::finished, [&](int result) { finished = result; });
    window.show();
    ASSERT_TRUE(DialogDriver::RunUntil([&] { return !window.worker_running(); }));
    ASSERT_EQ(window.list()->topLevelItemCount(), 1);
    EXPECT_EQ(window.list()->topLevelItem(0)->text(0), "One");
    window.list()->topLevelItem(0)->setSelected(true);
    DialogDriver driver;
    SeenBox lost;
    driver.Then(RecordBoxAndClick(&lost, "OK"));
    window.delete_button()->click();
    ASSERT_TRUE(DialogDriver::RunUntil([&] { return finished != -1; }));
    EXPECT_EQ(finished, 0);
    EXPECT_EQ(lost.title, "Lost connection");
    EXPECT_EQ(lost.text, ToQString(NetResultText(net::kGracefullyClosed)));
    ASSERT_TRUE(DialogDriver::RunUntil([&] { return !window.worker_running(); }));
}

TEST_F(InboxWindowStallTest, AbortAnsweredNoLeavesTheLoadRunning) {
    InboxWindow window(c.context);
    window.show();
    ASSERT_TRUE(DialogDriver::RunUntil([&] { return server.top_seen(); }));
    DialogDriver driver;
    driver.Then(ClickButton("No"));
    window.abort_button()->click();
    EXPECT_EQ(driver.pending(), 0u);
    EXPECT_TRUE(c.context.session->connection.Connected());
    EXPECT_TRUE(window.isVisible());
}

}  // namespace
}  // namespace tarvox
