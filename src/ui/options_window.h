// The options window "Tarvox Plus 3.3 beta3a", the program's main window
// while no inbox is open: the profile row (an editable combo box with Save,
// Delete and New) above six tab pages, Exit, and the menus. Connect and Poll
// check the profile shown, then open its mailbox on a worker thread that the
// window owns; the account tab's status line shows the worker's progress.
//
// The window ends with result 1 when Connect left a logged-in session with
// mail: the session and the profile it was opened with are then in
// AppContext::session and AppContext::working for the inbox window. Exit (or
// closing the window) ends it with result 0.
#pragma once

#include <QDialog>

#include <memory>
#include <optional>
#include <vector>

#include "compose/mailto_link.h"
#include "config/profile.h"
#include "protocols/open_mailbox.h"
#include "ui/session_worker.h"

class QAction;
class QComboBox;
class QKeyEvent;
class QPushButton;
class QTabWidget;
class QVBoxLayout;

namespace tarvox {

struct AppContext;
class AccountPage;
class GlobalPage;
class Pop3OptionsPage;
class ProfilePage;
class SendSettingsPage;
struct PopSession;

class OptionsWindow : public QDialog {
    Q_OBJECT

public:
    // `context.services` must be set.
    explicit OptionsWindow(AppContext& context, QWidget* parent = nullptr);
    ~OptionsWindow() override;

    // A reset record named by the combo box's text, with every setting the
    // tab pages show read from them.
    void ProfileFromDialog(Profile& profile) const;
    // Opens a composer with the profile as the dialog shows it, filled from
    // a mailto link's fields.
    void Compose(const MailtoFields& mailto);
    // Shows `profile` in the tab pages (the combo box is left alone).
    void ProfileToDialog(const Profile& profile);

    // The buttons of the profile row.
    void NewProfile();
    void SaveProfile();
    void DeleteProfile();
    void OpenProfileManager();

    // The account tab's Connect and Poll buttons.
    void StartConnect(OpenMode mode);
    // The account tab's Abort: closes the worker's connection, which makes
    // its blocked call fail.
    void Abort();
    bool worker_running() const { return m_worker.running(); }

    QComboBox* profile_box() const { return m_profile_box; }
    QTabWidget* tabs() const { return m_tabs; }
    AccountPage* account_page() const { return m_account; }
    Pop3OptionsPage* pop3_page() const { return m_pop3; }
    SendSettingsPage* send_page() const { return m_send; }
    GlobalPage* global_page() const { return m_global; }

    void done(int result) override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    // The first showing of a run started with /MIN minimises the window.
    void showEvent(QShowEvent* event) override;

public:
    // Selects and shows the profile of `name` (case ignored); false when the
    // list has none of that name.
    bool SelectProfile(std::string_view name);

private:
    void BuildMenus(QVBoxLayout* layout);
    void FillProfileBox();
    // Selects the OpeningProfile; shows a reset record when there is none.
    void SelectDefaultProfile(std::string_view command_name = {});
    // A profile that Save or Connect added to the list joins the profile box,
    // selected.
    void ShowStoredProfile(std::optional<ProfileStored> stored);
    // Save and Connect take a profile only when both its ports are ports;
    // otherwise a box says so and the first bad port's box gets the focus,
    // its tab shown.
    bool PortsAccepted(const Profile& shown);
    void ShowHelp(const char* anchor) const;

    void StartWorker(OpenMode mode, Profile working);
    void WorkerEnded(OpenOutcome outcome);
    // Closes the worker's connection, waits for the worker and drops its
    // session.
    void StopWorker();
    void SetRunning(bool running);

    AppContext& m_context;
    QComboBox* m_profile_box = nullptr;
    QPushButton* m_save = nullptr;
    QPushButton* m_delete = nullptr;
    QPushButton* m_new = nullptr;
    QPushButton* m_exit = nullptr;
    QTabWidget* m_tabs = nullptr;
    AccountPage* m_account = nullptr;
    Pop3OptionsPage* m_pop3 = nullptr;
    SendSettingsPage* m_send = nullptr;
    GlobalPage* m_global = nullptr;
    std::vector<ProfilePage*> m_profile_pages;
    QAction* m_profile_manager = nullptr;

    // The open-mailbox worker and what it uses; the request must outlive it.
    std::unique_ptr<PopSession> m_session;
    OpenMailboxRequest m_request;
    SessionWorker m_worker;
};

}  // namespace tarvox
