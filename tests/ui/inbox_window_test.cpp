// The inbox window on a real Dovecot (loading, sorting, Delete with
// Cancel/Undo and with Save & Exit, the stored flags and statistics) and on a
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
        const auto number = static_cast<std::uint32_t>(5 - row);
        EXPECT_EQ(item->text(3), ToQString(SizeText(c.context.session->sizes[number - 1])));
        EXPECT_TRUE(item->text(1).contains(QString("Sender %1").arg(number)))
            << item->text(1).toStdString();
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

struct SortCase {
    int column;
    const char* ascending_title;
    const char* descending_title;
};

TEST_F(InboxWindowTest, ClickingATitleTwiceReversesTheOrderAndTheMarker) {
    Open();
    InboxWindow window(c.context);
    window.show();
    ASSERT_TRUE(Loaded(window));
    QTreeWidget* list = window.list();
    const SortCase cases[] = {
        {5, "No. +", "No. -"},   {0, "Subject +", "Subject -"},
        {1, "From +", "From -"}, {2, "Date/Time +", "Date/Time -"},
        {3, "Size +", "Size -"}, {4, "To +", "To -"},
    };
    for (const SortCase& sort : cases) {
        SCOPED_TRACE(sort.ascending_title);
        // The direction flips with every click, whatever the column: the
        // first click on a column may thus sort either way.
        emit list->header()->sectionClicked(sort.column);
        bool ascending = Titles(list)[sort.column] == sort.ascending_title;
        if (!ascending) {
            EXPECT_EQ(Titles(list)[sort.column], sort.descending_title);
            emit list->header()->sectionClicked(sort.column);
            ascending = true;
        }
        EXPECT_EQ(Titles(list)[sort.column], sort.ascending_title);
        for (int other = 0; other < 5; ++other) {
            if (other != sort.column) {
                EXPECT_FALSE(Titles(list)[other].endsWith(" +") ||
                             Titles(list)[other].endsWith(" -"))
                    << other;
            }
        }
        const QStringList up = ColumnTexts(list, sort.column);
        const QStringList up_numbers = ColumnTexts(list, 5);
        emit list->header()->sectionClicked(sort.column);
        EXPECT_EQ(Titles(list)[sort.column], sort.descending_title);
        const QStringList down = ColumnTexts(list, sort.column);
        const QStringList down_numbers = ColumnTexts(list, 5);
        // Negative when row a comes before row b in ascending order.
        auto compare = [&](const QStringList& texts, const QStringList& numbers, int a, int b) {
            switch (sort.column) {
                case 5:
                    return numbers[a].toInt() - numbers[b].toInt();
                case 3: {
                    const auto size = [&](int row) {
                        return c.context.session->sizes[numbers[row].toUInt() - 1];
                    };
                    return size(a) < size(b) ? -1 : size(a) > size(b) ? 1 : 0;
                }
                default:
                    return texts[a].compare(texts[b], Qt::CaseInsensitive);
            }
        };
        ASSERT_EQ(up.size(), 5);
        ASSERT_EQ(down.size(), 5);
        for (int row = 1; row < 5; ++row) {
            EXPECT_LE(compare(up, up_numbers, row - 1, row), 0) << "ascending, row " << row;
            EXPECT_GE(compare(down, down_numbers, row - 1, row), 0) << "descending, row " << row;
        }
        if (sort.column != 4) {  // every row has the same recipient
            EXPECT_EQ(down, QStringList(up.rbegin(), up.rend()));
        }
    }
    EXPECT_EQ(ColumnTexts(list, 5).size(), 5);
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
    EXPECT_EQ(window.messages().Count(), 3u);
    EXPECT_EQ(window.status_line()->text(), "Finished deleting message(s)");
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

TEST_F(InboxWindowTest, DeleteKeyThenSaveAndExitRemovesTheMessages) {
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
    // The row now standing where the removed one stood is selected.
    EXPECT_TRUE(list->topLevelItem(1)->isSelected());

    int finished = -1;
    QObject::connect(&window, &QDialog::finished, [&](int result) { finished = result; });
    window.save_button()->click();
    ASSERT_TRUE(DialogDriver::RunUntil([&] { return finished != -1; }));
    EXPECT_EQ(finished, 0);
    EXPECT_FALSE(c.context.session->connection.Connected());
    EXPECT_EQ(ServerCount(), 4u);
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
    EXPECT_EQ(window.status_line()->text(),
              ToQString(TextFormat("Mailbox contains 5 message(s) occupying %.1f KB",
                                   static_cast<double>(c.context.session->mailbox_size) / 1024.0)));
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

struct PreviewCase {
    const char* typed;
    bool check_box;
    int preview_after;
    int autoprev_after;
    bool refused;
};

TEST_F(InboxWindowTest, PreviewLinesPrompt) {
    Open();
    InboxWindow window(c.context);
    ASSERT_TRUE(Loaded(window));
    auto* item = window.findChild<QAction*>("previewLines");
    ASSERT_NE(item, nullptr);
    const PreviewCase cases[] = {
        {"35", true, 35, 1, false},
        {"0", false, 35, 0, true},
        {"7", false, 7, 0, false},
    };
    for (const PreviewCase& preview : cases) {
        SCOPED_TRACE(preview.typed);
        DialogDriver driver;
        QString prefilled;
        QString title;
        driver.Then([&](QWidget* dialog) {
            title = dialog->windowTitle();
            prefilled = Control(dialog, "input")->text();
            Control<QAbstractButton>(dialog, "dontAskAgain")->setChecked(preview.check_box);
            TypeAndClick(preview.typed, "submit")(dialog);
        });
        SeenBox box;
        if (preview.refused) {
            driver.Then(RecordBoxAndClick(&box, "OK"));
        }
        const int before = c.context.config.global.preview;
        item->trigger();
        EXPECT_EQ(driver.pending(), 0u);
        EXPECT_EQ(title, "Preview lines");
        EXPECT_EQ(prefilled, QString::number(before));
        EXPECT_EQ(c.context.config.global.preview, preview.preview_after);
        EXPECT_EQ(c.context.config.global.autoprev, preview.autoprev_after);
        if (preview.refused) {
            EXPECT_EQ(box.text, "Invalid number entered (must be greater than 0)");
        }
    }
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

struct FlagsCase {
    const char* name;
    int mode;
    bool keeps_foreign_item;  // a merge keeps flags of messages not listed
};

class InboxWindowFlagsTest : public InboxWindowTest,
                             public ::testing::WithParamInterface<FlagsCase> {};

TEST_P(InboxWindowFlagsTest, SaveAndExitWritesFlagsStatisticsAndWidths) {
    const FlagsCase& flags_case = GetParam();
    // A first visit learns the messages' identities.
    MessageIdentity third;
    {
        Open();
        c.context.config.global.confirmclose = 0;
        InboxWindow window(c.context);
        window.show();
        ASSERT_TRUE(Loaded(window));
        const InboxEntry* entry = window.messages().Find(3);
        ASSERT_NE(entry, nullptr);
        third = entry->identity;
        ASSERT_FALSE(third.IsZero());
        window.cancel_button()->click();
        ASSERT_TRUE(DialogDriver::RunUntil([&] { return !window.isVisible(); }));
    }
    Profile& stored = c.context.config.profiles.front();
    stored.mode = flags_case.mode;
    const MessageIdentity foreign{0x01020304, 0x05060708};
    const FlaggedMessage before[] = {{third, kFlagRead | kFlagReplied}, {foreign, kFlagRead}};
    stored.msgid = BuildStoredFlags(before);
    stored.maildrop = {0, 0};

    Open();
    InboxWindow window(c.context);
    window.show();
    ASSERT_TRUE(Loaded(window));
    ASSERT_EQ(window.list()->topLevelItemCount(), 5);
    // Message 3 (the third row, newest first) shows Read and Replied to.
    EXPECT_EQ(window.messages().Find(3)->flags, kFlagRead | kFlagReplied);
    EXPECT_EQ(StateIconIndex(*window.messages().Find(3)), 5);
    EXPECT_EQ(window.list()->topLevelItem(2)->icon(0).pixmap(QSize(21, 13)).toImage(),
              InboxStateIcon(5).pixmap(QSize(21, 13)).toImage());
    window.list()->setColumnWidth(0, 211);

    int finished = -1;
    QObject::connect(&window, &QDialog::finished, [&](int result) { finished = result; });
    window.save_button()->click();
    ASSERT_TRUE(DialogDriver::RunUntil([&] { return finished != -1; }));
    EXPECT_EQ(finished, 0);

    const FlaggedMessage kept[] = {{third, kFlagRead | kFlagReplied}};
    const std::string expected =
        flags_case.keeps_foreign_item ? BuildStoredFlags(before) : BuildStoredFlags(kept);
    EXPECT_EQ(c.context.config.profiles.front().msgid, expected);
    const Configuration reloaded = c.Reload();
    ASSERT_EQ(reloaded.profiles.size(), 1u);
    // The file holds the same items (its reader drops the last comma).
    const std::string& written = reloaded.profiles.front().msgid;
    EXPECT_EQ(LookupStoredFlags(written, third), kFlagRead | kFlagReplied);
    EXPECT_EQ(LookupStoredFlags(written, foreign), flags_case.keeps_foreign_item ? kFlagRead : 0u);
    EXPECT_EQ(reloaded.profiles.front().maildrop[0], 5);
    EXPECT_EQ(reloaded.profiles.front().maildrop[1],
              static_cast<int>(c.context.session->mailbox_size));
    EXPECT_EQ(reloaded.global.colwidth[0], 211);

    // The next load shows the flags again.
    Open();
    auto next = std::make_unique<InboxWindow>(c.context);
    next->show();
    ASSERT_TRUE(Loaded(*next));
    ASSERT_NE(next->messages().Find(3), nullptr);
    EXPECT_EQ(next->messages().Find(3)->flags, kFlagRead | kFlagReplied);
    EXPECT_EQ(next->messages().Find(2)->flags, 0u);
    c.context.config.global.confirmclose = 0;
    next->cancel_button()->click();
    ASSERT_TRUE(DialogDriver::RunUntil([&] { return !next->isVisible(); }));
}

INSTANTIATE_TEST_SUITE_P(InboxModes, InboxWindowFlagsTest,
                         ::testing::Values(FlagsCase{"Full", 0, false},
                                           FlagsCase{"Partial", 1, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(InboxWindowTest, SaveAndExitOfAnUnstoredProfileRecordsNothing) {
    Open();
    c.context.working.name = "Never saved";
    InboxWindow window(c.context);
    window.show();
    ASSERT_TRUE(Loaded(window));
    int finished = -1;
    QObject::connect(&window, &QDialog::finished, [&](int result) { finished = result; });
    window.save_button()->click();
    ASSERT_TRUE(DialogDriver::RunUntil([&] { return finished != -1; }));
    EXPECT_FALSE(c.context.session->connection.Connected()) << "QUIT went out";
    EXPECT_EQ(c.context.config.profiles.front().maildrop[0], 0);
    EXPECT_FALSE(std::filesystem::exists(c.context.paths.settings_file));
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
