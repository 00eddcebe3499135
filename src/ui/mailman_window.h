// "Mailman (Tarvox)": the background poller's window and its tray icon. It
// lives from start-up to exit, hidden while minimised; on a timer (or when
// asked) it polls every included profile on a joined worker of its own, lists
// each profile's count and size, marks the mailboxes that changed since they
// were last saved and left, and switches the tray icon, the desktop notice
// and the sound. The rules are MailmanState's and PollAll's; this window only
// shows them.
#pragma once

#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "config/profile.h"
#include "protocols/mailbox_poll.h"
#include "protocols/mailman_state.h"
#include "ui/session_worker.h"

class QLabel;
class QPushButton;
class QSystemTrayIcon;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;

namespace tarvox {

struct AppContext;
class DesktopNotifier;
class NewMailSound;

enum class PollTrigger {
    Timer,          // the poll timer: the only one that may play the sound
    PollAllButton,  // the window's "Poll all": re-arms the timer
    ProfileWindow,  // the options window's "P&oll all": also shows this window
    TrayRepoll,     // a right click on the tray while it shows new mail
};

class MailmanWindow : public QWidget {
public:
    // Registers itself as `context.mailman`; starts the tray and timer half a
    // second later, and polls a second later when the run was started with
    // /POLL.
    explicit MailmanWindow(AppContext& context);
    // Asks a running poll to stop and joins it, keeps the window's place and
    // column widths, and removes the tray icon.
    ~MailmanWindow() override;

    // Adds the tray icon and arms the poll timer, when Mailman is enabled.
    void Start();
    // The Global tab's "Enable &Mailman": starts or stops the tray and timer.
    void SetRunning(bool run);
    bool IsRunning() const { return m_running; }

    void PollNow(PollTrigger trigger);
    // The mailbox of `profile_name` was opened or found empty.
    void ClearNewMark(const std::string& profile_name);

    QSystemTrayIcon* tray() const { return m_tray; }

    // Desktop pieces that tests replace: the sound, the notice, whether a
    // notification service exists, the dial-up check.
    std::function<void(const std::string& wave_file)> play_sound;
    std::function<void(const NewMailNotice& notice)> notify;
    std::function<bool()> notices_available;
    std::function<bool()> dial_up_connected;

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    class QueuedReport;

    void Restore();
    void RowStarted(std::size_t row, const std::string& name);
    void RowPolled(std::size_t row, const ProfilePoll& result);
    void PollEnded(bool timer_driven, std::optional<PollRun> run);
    void SetTray(bool new_mail);
    void TrayActivated(int reason);
    // The options window (or the inbox), restored in front after the
    // passphrase re-prompt; null when neither is open or the prompt failed.
    QWidget* RaiseMainWindow();
    void OpenProfile(const std::string& name);

    AppContext& m_context;
    QTreeWidget* m_list = nullptr;
    QLabel* m_status = nullptr;
    QPushButton* m_poll_all = nullptr;
    QPushButton* m_help = nullptr;
    QSystemTrayIcon* m_tray = nullptr;
    QTimer* m_timer = nullptr;
    DesktopNotifier* m_notifier = nullptr;
    std::unique_ptr<NewMailSound> m_sound;

    MailmanState m_state;
    bool m_running = false;
    bool m_desktop_checked = false;
    bool m_shown = false;
    // The poll's own copies of the profiles, read by the worker only.
    std::vector<Profile> m_poll_list;
    PollStop m_stop;
    SessionWorker m_worker;
};

}  // namespace tarvox
