#include "ui/options_window.h"

#include <QAction>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMetaObject>
#include <QPointer>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "compose/mailto_link.h"
#include "compose/reply_text.h"
#include "config/global_settings.h"
#include "config/opening_profile.h"
#include "config/profile_ports.h"
#include "config/settings_text.h"
#include "config/shown_profile.h"
#include "protocols/connect_preparation.h"
#include "protocols/pop_session.h"
#include "ui/address_book_manager.h"
#include "ui/account_page.h"
#include "ui/app_context.h"
#include "ui/filters_page.h"
#include "ui/global_page.h"
#include "ui/mailman_window.h"
#include "ui/page_fields.h"
#include "ui/pattern_filters_page.h"
#include "ui/pop3_options_page.h"
#include "ui/profile_manager_dialog.h"
#include "ui/qt_services.h"
#include "ui/qt_text.h"
#include "ui/send_settings_page.h"

namespace tarvox {

namespace {

// The name the profile box shows, cut so that its stored form reads back from
// the settings file (the box counts characters, the file bytes).
std::string ProfileNameIn(const QComboBox* box) {
    return StoredPrefix(FromQString(box->currentText()), kMaxProfileNameLength);
}

constexpr const char* kWindowTitle = "Tarvox Plus 3.3 beta3a";
constexpr const char* kUntitled = "(Untitled)";

}  // namespace

OptionsWindow::OptionsWindow(AppContext& context, QWidget* parent)
    : QDialog(parent), m_context(context) {
    setWindowTitle(QString::fromLatin1(kWindowTitle));
    // Window placement is neither restored nor saved yet; the window opens
    // where the desktop puts it.

    m_profile_box = new QComboBox(this);
    m_profile_box->setObjectName("profiles");
    m_profile_box->setEditable(true);
    m_profile_box->setInsertPolicy(QComboBox::NoInsert);
    m_profile_box->setCompleter(nullptr);
    m_profile_box->lineEdit()->setMaxLength(static_cast<int>(kMaxProfileNameLength));
    m_profile_box->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(m_profile_box, &QComboBox::activated, this,
            [this](int index) { SelectProfile(FromQString(m_profile_box->itemText(index))); });
    // No button here presses itself on Enter: Enter belongs to Connect,
    // whichever button has the focus.
    m_save = MakeActionButton(tr("&Save"), "save", this);
    m_delete = MakeActionButton(tr("&Delete"), "delete", this);
    m_new = MakeActionButton(tr("&New"), "new", this);
    connect(m_save, &QPushButton::clicked, this, &OptionsWindow::SaveProfile);
    connect(m_delete, &QPushButton::clicked, this, &OptionsWindow::DeleteProfile);
    connect(m_new, &QPushButton::clicked, this, &OptionsWindow::NewProfile);
    auto* top_row = new QHBoxLayout;
    top_row->addWidget(m_profile_box, 1);
    top_row->addWidget(m_save);
    top_row->addWidget(m_delete);
    top_row->addWidget(m_new);

    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName("tabs");
    m_account = new AccountPage(m_tabs);
    m_pop3 = new Pop3OptionsPage(m_tabs);
    m_send = new SendSettingsPage(m_tabs);
    m_tabs->addTab(m_account, tr("Account"));
    m_tabs->addTab(m_pop3, tr("POP3 options"));
    m_tabs->addTab(m_send, tr("Send settings"));
    auto* filters = new FiltersPage(m_tabs);
    auto* pattern_filters = new PatternFiltersPage(*m_context.services, m_tabs);
    m_tabs->addTab(filters, tr("Filters"));
    m_tabs->addTab(pattern_filters, tr("Pattern filters"));
    m_global = new GlobalPage(m_context, m_tabs);
    m_tabs->addTab(m_global, tr("Global"));
    m_profile_pages = {m_account, m_pop3, m_send, filters, pattern_filters};
    connect(m_tabs, &QTabWidget::currentChanged, this, [this] { m_new->setFocus(); });

    connect(m_account->connect_button(), &QPushButton::clicked, this,
            [this] { StartConnect(OpenMode::Connect); });
    connect(m_account->poll_button(), &QPushButton::clicked, this,
            [this] { StartConnect(OpenMode::StatOnly); });
    connect(m_account->abort_button(), &QPushButton::clicked, this, &OptionsWindow::Abort);
    connect(m_account->compose_button(), &QPushButton::clicked, this, [this] { Compose({}); });
    connect(m_account->poll_all_button(), &QPushButton::clicked, this, [this] {
        if (m_context.mailman != nullptr) {
            m_context.mailman->PollNow(PollTrigger::ProfileWindow);
        }
    });
    m_account->poll_all_button()->setEnabled(m_context.mailman != nullptr);
    if (m_context.mailman != nullptr) {
        MailmanWindow* mailman = m_context.mailman;
        m_global->SetMailmanControl([mailman](bool run) { mailman->SetRunning(run); },
                                    [mailman] { return mailman->IsRunning(); });
    }

    m_exit = MakeActionButton(tr("E&xit"), "exit", this);
    connect(m_exit, &QPushButton::clicked, this, [this] { done(QDialog::Rejected); });
    auto* bottom_row = new QHBoxLayout;
    bottom_row->addStretch();
    bottom_row->addWidget(m_exit);

    auto* layout = new QVBoxLayout(this);
    BuildMenus(layout);
    layout->addLayout(top_row);
    layout->addWidget(m_tabs, 1);
    layout->addLayout(bottom_row);

    m_context.services->SetDialogParent(this);
    m_context.services->SetStatusLabel(StatusLine::Account, m_account->status_line());

    FillProfileBox();
    SelectDefaultProfile(m_context.start.command_text);
}

OptionsWindow::~OptionsWindow() {
    StopWorker();
    m_context.services->SetStatusSink(StatusLine::Account, {});
}

void OptionsWindow::BuildMenus(QVBoxLayout* layout) {
    auto* bar = new QMenuBar(this);
    bar->setObjectName("menuBar");

    QMenu* file = bar->addMenu(tr("&File"));
    QAction* compose = file->addAction(tr("Compose &Mail"));
    compose->setObjectName("composeMail");
    connect(compose, &QAction::triggered, this, [this] { Compose({}); });
    m_profile_manager = file->addAction(tr("&Profile Manager..."));
    connect(m_profile_manager, &QAction::triggered, this, &OptionsWindow::OpenProfileManager);
    QAction* books = file->addAction(tr("Addr&ess books..."));
    books->setObjectName("addressBooks");
    connect(books, &QAction::triggered, this, [this] { OpenAddressBooks(m_context, this); });
    file->addSeparator();
    connect(file->addAction(tr("E&xit")), &QAction::triggered, this,
            [this] { done(QDialog::Rejected); });

    QMenu* setup = bar->addMenu(tr("Se&tup"));
    const QString tab_items[] = {tr("&Account tab"),         tr("P&OP3 options tab"),
                                 tr("&Send settings tab"),   tr("&Filters tab"),
                                 tr("&Pattern filters tab"), tr("&Global tab")};
    for (int i = 0; i < 6; ++i) {
        connect(setup->addAction(tab_items[i]), &QAction::triggered, this,
                [this, i] { m_tabs->setCurrentIndex(i); });
    }

    QMenu* help = bar->addMenu(tr("&Help"));
    connect(help->addAction(tr("&Quick start guide")), &QAction::triggered, this,
            [this] { ShowHelp("#quick"); });
    connect(help->addAction(tr("&Setup")), &QAction::triggered, this,
            [this] { ShowHelp("#setup"); });
    connect(help->addAction(tr("&Contents")), &QAction::triggered, this,
            [this] { ShowHelp("#contents"); });
    connect(help->addAction(tr("&About")), &QAction::triggered, this, [this] {
        m_context.services->ShowMessage(kWindowTitle, "About Tarvox", BoxIcon::Information);
    });

    layout->setMenuBar(bar);
}

void OptionsWindow::ShowHelp(const char* anchor) const {
    if (m_context.show_help) {
        m_context.show_help(QString::fromLatin1(anchor));
    }
}

void OptionsWindow::ProfileFromDialog(Profile& profile) const {
    ResetProfile(profile);
    profile.name = ProfileNameIn(m_profile_box);
    for (const ProfilePage* page : m_profile_pages) {
        page->ReadProfile(profile);
    }
}

void OptionsWindow::ProfileToDialog(const Profile& profile) {
    for (ProfilePage* page : m_profile_pages) {
        page->ShowProfile(profile);
    }
}

void OptionsWindow::FillProfileBox() {
    const QSignalBlocker blocker(m_profile_box);
    m_profile_box->clear();
    for (const Profile& profile : m_context.config.profiles) {
        m_profile_box->addItem(ToQString(profile.name));
    }
}

bool OptionsWindow::SelectProfile(std::string_view name) {
    const std::optional<ProfilePlace> place = FindProfilePlace(m_context.config.profiles, name);
    if (!place) {
        return false;
    }
    {
        const QSignalBlocker blocker(m_profile_box);
        m_profile_box->setCurrentIndex(place->row);
    }
    ProfileToDialog(*place->profile);
    return true;
}

void OptionsWindow::SelectDefaultProfile(std::string_view command_name) {
    if (const Profile* shown =
            OpeningProfile(m_context.config.profiles, command_name, m_context.config.global.last)) {
        SelectProfile(shown->name);
        return;
    }
    {
        const QSignalBlocker blocker(m_profile_box);
        m_profile_box->setCurrentIndex(-1);
        m_profile_box->setEditText(QString());
    }
    Profile reset;
    ResetProfile(reset);
    ProfileToDialog(reset);
}

void OptionsWindow::NewProfile() {
    {
        const QSignalBlocker blocker(m_profile_box);
        m_profile_box->setCurrentIndex(-1);
        m_profile_box->setEditText(QString::fromLatin1(kUntitled));
    }
    Profile reset;
    ResetProfile(reset);
    ProfileToDialog(reset);
}

void OptionsWindow::ShowStoredProfile(std::optional<ProfileStored> stored) {
    if (stored == ProfileStored::Appended) {
        const std::string name = ProfileNameIn(m_profile_box);
        FillProfileBox();
        SelectProfile(name);
    }
}

bool OptionsWindow::PortsAccepted(const Profile& shown) {
    const PortField bad = FirstBadPort(shown);
    if (bad == PortField::None) {
        return true;
    }
    m_context.services->ShowMessage(kPortRangeText, "", BoxIcon::Error);
    QWidget* page = m_pop3;
    QLineEdit* box = m_pop3->port_box();
    if (bad == PortField::Smtp) {
        page = m_send;
        box = m_send->port_box();
    }
    m_tabs->setCurrentWidget(page);  // which focuses New: the box is focused after it
    box->setFocus();
    return false;
}

void OptionsWindow::SaveProfile() {
    Profile shown;
    ProfileFromDialog(shown);
    if (!PortsAccepted(shown)) {
        return;
    }
    const std::optional<ProfileStored> stored =
        SaveShownProfile(m_context.config, std::move(shown), *m_context.services);
    if (stored) {
        ShowStoredProfile(stored);
        m_context.SaveSettings();
    }
}

void OptionsWindow::DeleteProfile() {
    const int index = m_profile_box->currentIndex();
    if (index < 0) {
        return;
    }
    Profile* profile =
        FindProfile(m_context.config.profiles, FromQString(m_profile_box->itemText(index)));
    if (profile == nullptr) {
        return;
    }
    if (m_context.services->ShowMessage(
            "Are you sure you want to delete this profile?\nAll associated settings and message "
            "flags will be lost.",
            profile->name, BoxIcon::Warning, BoxButtons::YesNo) != BoxAnswer::Yes) {
        return;
    }
    RemoveProfile(m_context.config.profiles, profile);
    m_context.SaveSettings();
    FillProfileBox();
    SelectDefaultProfile();
}

void OptionsWindow::OpenProfileManager() {
    ProfileManagerDialog dialog(m_context.config.profiles, *m_context.services, this);
    dialog.SetHelpHandler(m_context.show_help);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    const std::string shown = ProfileNameIn(m_profile_box);
    FillProfileBox();
    if (!SelectProfile(shown)) {
        SelectDefaultProfile();
    }
}

void OptionsWindow::StartConnect(OpenMode mode) {
    if (worker_running()) {
        return;
    }
    Profile working;
    ProfileFromDialog(working);
    if (!PortsAccepted(working) || !PrepareConnect(working, mode, *m_context.services)) {
        return;
    }
    if (mode == OpenMode::Connect) {
        Profile shown;
        ProfileFromDialog(shown);
        ShowStoredProfile(RecordConnectProfile(m_context.config, std::move(shown)));
    }
    StartWorker(mode, std::move(working));
}

void OptionsWindow::StartWorker(OpenMode mode, Profile working) {
    SetRunning(true);
    m_session = std::make_unique<PopSession>(&m_context.tls);
    m_request = OpenMailboxRequest{};
    m_request.mode = mode;
    m_request.working = std::move(working);
    m_request.stored = &m_context.config.profiles;
    m_request.enable_abort = [this] {
        QMetaObject::invokeMethod(
            this, [this] { m_account->abort_button()->setEnabled(true); }, Qt::QueuedConnection);
    };
    // The profile list and the settings belong to this thread: the record
    // and the file write run here while the worker waits.
    m_request.record_fingerprint = [this](Profile& stored,
                                          const CertificateFingerprints& fingerprints) {
        QMetaObject::invokeMethod(
            this,
            [&] {
                RecordAcceptedFingerprint(stored, CertificateField::Pop3, fingerprints);
                m_context.SaveSettings();
            },
            Qt::BlockingQueuedConnection);
    };
    m_request.clear_new_mail_mark = [this](const std::string& profile_name) {
        QMetaObject::invokeMethod(
            this,
            [this, profile_name] {
                if (m_context.mailman != nullptr) {
                    m_context.mailman->ClearNewMark(profile_name);
                }
            },
            Qt::QueuedConnection);
    };
    m_worker.Run<OpenOutcome>(
        *m_context.services,
        [this] { return OpenMailbox(*m_session, m_request, *m_context.services); },
        [this] { m_session->connection.Close(); },
        [this](std::optional<OpenOutcome> outcome) {
            WorkerEnded(outcome.value_or(OpenOutcome::Failed));
        });
}

void OptionsWindow::WorkerEnded(OpenOutcome outcome) {
    SetRunning(false);
    if (outcome == OpenOutcome::EnterInbox && !m_session->connection.Connected()) {
        // Abort came after the login but before this: the session is gone.
        m_account->status_line()->setText(QStringLiteral("Error: ") +
                                          ToQString(NetResultText(NetResult::Aborted)));
        outcome = OpenOutcome::Failed;
    }
    if (outcome == OpenOutcome::EnterInbox) {
        m_context.working = std::move(m_request.working);
        m_context.session = std::move(m_session);
        done(QDialog::Accepted);
        return;
    }
    m_session.reset();
}

void OptionsWindow::SetRunning(bool running) {
    m_account->connect_button()->setEnabled(!running);
    m_account->poll_button()->setEnabled(!running);
    if (!running) {
        m_account->abort_button()->setEnabled(false);
    }
    // The worker reads the profile list (the recorded fingerprint and mailbox
    // statistics) while it runs, so the list is not edited meanwhile.
    m_save->setEnabled(!running);
    m_delete->setEnabled(!running);
    m_profile_manager->setEnabled(!running);
}

void OptionsWindow::Abort() {
    // A worker that has ended has nothing left to abort; its session may be
    // the one the inbox takes over.
    if (m_session != nullptr && worker_running() && !m_worker.finished()) {
        m_session->connection.Abort();
    }
}

void OptionsWindow::StopWorker() {
    if (!m_worker.running()) {
        return;
    }
    m_worker.Stop([this] { Abort(); });
    m_session.reset();
}

void OptionsWindow::done(int result) {
    if (result != QDialog::Accepted && worker_running()) {
        // Leaving while a connection is under way ends it first.
        StopWorker();
        SetRunning(false);
    }
    QDialog::done(result);
}

void OptionsWindow::Compose(const MailtoFields& mailto) {
    if (!m_context.compose) {
        return;
    }
    // The composer sends with the profile as the dialog shows it.
    ProfileFromDialog(m_context.working);
    m_context.compose(StartNewMessage(mailto, m_context.working.SMTPsigfile), this);
}

void OptionsWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (m_context.start.to) {
        // A /TO start opens the composer once the window is up.
        m_context.start.to = false;
        QTimer::singleShot(0, this, [this] { Compose(ParseMailtoLink(m_context.start.to_link)); });
    }
    if (m_context.start.minimized) {
        m_context.start.minimized = false;
        QTimer::singleShot(0, this, [this] { showMinimized(); });
    }
}

void OptionsWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        QPushButton* connect_button = m_account->connect_button();
        if (connect_button->isEnabled()) {
            connect_button->click();
        }
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace tarvox
