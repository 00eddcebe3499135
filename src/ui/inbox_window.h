// The inbox window: the view of one open POP3 mailbox. It takes over the
// logged-in session and the profile a Connect left in the application
// context, loads the list on a worker thread it owns, and closes with result
// 0 by Save & Exit (QUIT), Cancel/Undo (RSET, QUIT), Abort or a lost
// connection. Every network operation runs on that one worker; while it runs
// the window refuses the commands that need the network and leaves the
// message list to the worker, showing its rows again once it has ended.
#pragma once

#include <QDialog>
#include <QPointer>

#include <functional>
#include <optional>

#include "protocols/message_list.h"
#include "ui/file_save_picker.h"
#include "ui/inbox_icons.h"
#include "ui/session_host.h"
#include "ui/session_worker.h"
#include "ui/viewer_window.h"

class QAction;
class QKeyEvent;
class QLabel;
class QMenu;
class QPushButton;
class QTimer;
class QTreeWidget;
class QVBoxLayout;

namespace tarvox {

struct AppContext;

class InboxWindow : public QDialog, public SessionHost {
    Q_OBJECT

public:
    // `context.services` and `context.session` (logged in) must be set.
    explicit InboxWindow(AppContext& context, QWidget* parent = nullptr);
    ~InboxWindow() override;

    // Replaceable desktop pieces (tests answer them).
    void SetSavePicker(FileSavePicker picker) { m_save_picker = std::move(picker); }
    void SetTextPrinter(TextPrinter printer) { m_printer = std::move(printer); }
    // Runs on every viewer the inbox opens, before it is shown (tests answer
    // its pickers).
    void SetViewerSetup(std::function<void(ViewerWindow&)> setup) {
        m_viewer_setup = std::move(setup);
    }
    // The window opened from here that is showing now (a viewer), if any.
    QDialog* open_child() const { return m_child; }

    // Whether a worker runs (or has ended and not yet been joined).
    bool worker_running() const { return m_worker.running(); }
    bool busy() const;

    // The session's worker, for the windows opened from here.
    PopSession& Session() override;
    bool Busy() const override { return busy(); }
    void ShowBusyBox() override { BusyBox(); }
    void RunSessionJob(std::function<void()> work, std::function<void()> ended) override;
    void AbortSession() override { Abort(); }
    const MessageList& messages() const { return m_list; }

    QTreeWidget* list() const { return m_view; }
    QPushButton* view_button() const { return m_view_button; }
    QPushButton* preview_button() const { return m_preview_button; }
    QPushButton* delete_button() const { return m_delete_button; }
    QPushButton* save_button() const { return m_save_button; }
    QPushButton* cancel_button() const { return m_cancel_button; }
    QPushButton* abort_button() const { return m_abort_button; }
    QPushButton* ssl_button() const { return m_ssl_button; }
    QLabel* status_line() const { return m_status; }
    QLabel* lock_picture() const { return m_lock; }
    QTimer* keep_alive_timer() const { return m_keep_alive; }

    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Escape and closing the window run Cancel/Undo.
    void reject() override;

private:
    // What the inbox does once a job has ended.
    enum class JobEnd { StayOpen, ShowRows, CloseInbox };

    // The commands.
    void View();
    void Preview();
    void Delete();
    void CancelUndo();
    void SaveAndExit();
    void Abort();
    // A click on a column title.
    void SortByColumn(int column);
    void SortNewestFirst();
    void RefreshStat();
    void KeepAliveTick();
    // The SSL Information dialog, for information only, on the session's
    // certificate.
    void ShowSslInformation();
    // Options: the filtered view (F11), the flags of the selected messages
    // (F12) and their foreign addresses.
    void ShowInboxFilters();
    void ShowMessageFlags();
    void ShowForeignAddresses();
    // File > Save Mail: the selected rows, or every row, to files.
    void SaveSelectedMail();
    void SaveAllMail();
    // File > Mail List: the list as text, saved to a chosen file or printed.
    void SaveMailList();
    void PrintMailList();

    void BuildMenus(QVBoxLayout* layout);
    // A checkable item named `name` that sets `setting` to 1 or 0.
    QAction* AddToggle(QMenu* menu, const QString& text, const char* name, int& setting);
    void SetPreviewLines();
    void ShowShortcuts();
    void ShowAbout();
    // The status lines, the owner of the boxes and the lost-connection
    // handling belong to this window; a viewer borrows them while it is open.
    void TakeServices();
    // Opens the viewer on the selected rows in turn, following its Next and
    // Previous.
    void ShowMessages(bool preview);
    void OpenSaveMail();
    // Redraws the state icon of the row showing message `number`.
    void RefreshRowIcon(std::uint32_t number);
    std::string MailListText() const;

    // Refuses with the Busy box while busy, then with the select-first box
    // when no row is selected; true when the command may go on.
    bool ReadyWithSelection();
    void BusyBox();
    void SelectFirstBox();

    // Runs `work` on the worker thread; WorkerEnded gets its outcome here once
    // the thread is joined.
    void StartWorker(std::function<JobEnd()> work, std::function<void()> ended = {});
    void WorkerEnded(std::optional<JobEnd> end, const std::function<void()>& ended);
    void SetBusy(bool busy);
    // The window's place and size in `ibsize` (show command 1 or 3, the
    // normal rectangle), read when it opens and written when it closes.
    void RestorePlacement();
    void SavePlacement();

    // The list view from the model and back (selection only).
    void ShowRows();
    void TakeSelection();
    void ShowTitles();

    AppContext& m_context;
    MessageList m_list;

    QTreeWidget* m_view = nullptr;
    QPushButton* m_view_button = nullptr;
    QPushButton* m_preview_button = nullptr;
    QPushButton* m_delete_button = nullptr;
    QPushButton* m_save_button = nullptr;
    QPushButton* m_cancel_button = nullptr;
    QPushButton* m_abort_button = nullptr;
    QPushButton* m_ssl_button = nullptr;
    QLabel* m_status = nullptr;
    QLabel* m_lock = nullptr;
    QTimer* m_keep_alive = nullptr;

    SessionWorker m_worker;
    QPointer<QDialog> m_child;
    FileSavePicker m_save_picker;
    TextPrinter m_printer;
    std::function<void(ViewerWindow&)> m_viewer_setup;
    bool m_closed = false;
};

}  // namespace tarvox
