#include "ui/inbox_window.h"

#include <QAction>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMetaObject>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <ctime>
#include <string>
#include <vector>

#include "codec/stored_text.h"
#include "compose/message_builder.h"
#include "compose/reply_text.h"
#include "compose/save_text.h"
#include "config/preview_lines.h"
#include "config/profile.h"
#include "net/certificate_check.h"
#include "net/net_result.h"
#include "net/tls_certificate.h"
#include "protocols/inbox_filter.h"
#include "protocols/inbox_loader.h"
#include "protocols/inbox_save.h"
#include "protocols/mailbox_listing.h"
#include "protocols/message_deletion.h"
#include "protocols/pop_session.h"
#include "protocols/save_mail_run.h"
#include "protocols/viewer_walk.h"
#include "ui/address_book_manager.h"
#include "ui/app_context.h"
#include "ui/foreign_ip_dialog.h"
#include "ui/inbox_filters_dialog.h"
#include "ui/inbox_icons.h"
#include "ui/mailman_window.h"
#include "ui/message_flags_dialog.h"
#include "ui/page_fields.h"
#include "ui/qt_services.h"
#include "ui/qt_text.h"
#include "ui/save_mail_dialog.h"
#include "ui/text_printer.h"
#include "ui/window_placement.h"

namespace tarvox {

namespace {

constexpr const char* kBusyText =
    "Please wait for the current network operation to complete, or use the Abort button to "
    "force the connection to your mailbox to close.";
constexpr const char* kProgramTitle = "Tarvox Plus 3.3 beta3a";
constexpr const char* kShortcuts =
    "F11\tInbox filters\n"
    "F12\tMessage flags\n"
    "Enter\tView or Preview (see Options)\n"
    "Del key\tALT+D\tDelete\n"
    "L.dbl-clk\tALT+V\tView\n"
    "R.dbl-clk\tALT+P\tPreview\n"
    "\n"
    "CTRL+Click\tSelect multiple e-mails\n"
    "SHIFT+arrows\tSelect multiple e-mails\n"
    "\n"
    "ALT+X\tExit with save\n"
    "ALT+C\tCancel (undo changes)\n"
    "ALT+A\tAbort and close\n";
constexpr int kNumberColumnWidth = 30;

bool RightAligned(int column) {
    return column == static_cast<int>(InboxColumn::Size) ||
           column == static_cast<int>(InboxColumn::Number);
}

}  // namespace

InboxWindow::InboxWindow(AppContext& context, QWidget* parent)
    : QDialog(parent), m_context(context) {
    setObjectName(QStringLiteral("inbox"));
    setWindowTitle(QStringLiteral("Tarvox - Reading inbox..."));
    setSizeGripEnabled(true);
    resize(760, 440);

    m_view_button = MakeActionButton(tr("&View"), "view", this);
    m_preview_button = MakeActionButton(tr("&Preview"), "preview", this);
    m_delete_button = MakeActionButton(tr("&Delete"), "delete", this);
    m_save_button = MakeActionButton(tr("Save && E&xit"), "save", this);
    m_cancel_button = MakeActionButton(tr("&Cancel/Undo"), "cancel", this);
    m_abort_button = MakeActionButton(tr("&Abort"), "abort", this);
    m_ssl_button = MakeActionButton(tr("SSL"), "ssl", this);
    connect(m_view_button, &QPushButton::clicked, this, &InboxWindow::View);
    connect(m_preview_button, &QPushButton::clicked, this, &InboxWindow::Preview);
    connect(m_delete_button, &QPushButton::clicked, this, &InboxWindow::Delete);
    connect(m_save_button, &QPushButton::clicked, this, &InboxWindow::SaveAndExit);
    connect(m_cancel_button, &QPushButton::clicked, this, &InboxWindow::CancelUndo);
    connect(m_abort_button, &QPushButton::clicked, this, &InboxWindow::Abort);

    // Six places in a row at the top; the fourth stays empty.
    auto* top_row = new QHBoxLayout;
    top_row->addWidget(m_view_button, 1);
    top_row->addWidget(m_preview_button, 1);
    top_row->addWidget(m_delete_button, 1);
    top_row->addStretch(1);
    top_row->addWidget(m_save_button, 1);
    top_row->addWidget(m_cancel_button, 1);

    m_view = new QTreeWidget(this);
    m_view->setObjectName(QStringLiteral("messages"));
    m_view->setColumnCount(static_cast<int>(kInboxColumnCount));
    m_view->setRootIsDecorated(false);
    m_view->setUniformRowHeights(true);
    m_view->setAllColumnsShowFocus(true);
    m_view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setSortingEnabled(false);
    m_view->setIconSize(QSize(21, 13));
    m_view->header()->setSectionsClickable(true);
    m_view->header()->setStretchLastSection(false);
    m_view->installEventFilter(this);
    m_view->viewport()->installEventFilter(this);
    ShowTitles();
    for (int column = 0; column < 5; ++column) {
        m_view->setColumnWidth(column, m_context.config.global.colwidth[column]);
    }
    m_view->setColumnWidth(static_cast<int>(InboxColumn::Number), kNumberColumnWidth);
    connect(m_view->header(), &QHeaderView::sectionClicked, this, &InboxWindow::SortByColumn);
    connect(m_view, &QTreeWidget::itemDoubleClicked, this, [this] { View(); });

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("status"));
    m_status->setFrameShape(QFrame::Panel);
    m_status->setFrameShadow(QFrame::Sunken);
    m_lock = new QLabel(this);
    m_lock->setObjectName(QStringLiteral("lock"));
    m_lock->setPixmap(InboxLockPixmap());
    m_lock->setFixedSize(15, 15);
    m_abort_button->setFixedWidth(75);
    m_ssl_button->setFixedWidth(75);
    auto* bottom_row = new QHBoxLayout;
    bottom_row->addWidget(m_abort_button);
    bottom_row->addWidget(m_status, 1);
    bottom_row->addWidget(m_lock);
    bottom_row->addWidget(m_ssl_button);

    auto* layout = new QVBoxLayout(this);
    BuildMenus(layout);
    layout->addLayout(top_row);
    layout->addWidget(m_view, 1);
    layout->addLayout(bottom_row);

    const bool tls = m_context.session->connection.TlsActive();
    m_ssl_button->setEnabled(tls);
    m_lock->setVisible(tls);
    connect(m_ssl_button, &QPushButton::clicked, this, &InboxWindow::ShowSslInformation);

    if (m_context.mailman != nullptr) {
        m_context.mailman->ClearNewMark(m_context.working.name);
    }
    RestorePlacement();

    m_keep_alive = new QTimer(this);
    connect(m_keep_alive, &QTimer::timeout, this, &InboxWindow::KeepAliveTick);

    m_save_picker = PickSaveFile;
    m_printer = PrintText;
    TakeServices();

    InboxLoadRequest request;
    request.working = &m_context.working;
    request.stored = &m_context.config.profiles;
    request.set_title = [this](std::string_view title) {
        QMetaObject::invokeMethod(
            this, [this, text = ToQString(title)] { setWindowTitle(text); }, Qt::QueuedConnection);
    };
    request.start_keep_alive = [this](std::chrono::milliseconds period) {
        QMetaObject::invokeMethod(
            this, [this, period] { m_keep_alive->start(period); }, Qt::QueuedConnection);
    };
    StartWorker([this, request] {
        return LoadInbox(*m_context.session, request, m_list, *m_context.services) ==
                       LoadOutcome::Loaded
                   ? JobEnd::ShowRows
                   : JobEnd::CloseInbox;
    });
}

void InboxWindow::TakeServices() {
    QtServices& services = *m_context.services;
    services.SetDialogParent(this);
    services.SetStatusLabel(StatusLine::Inbox, m_status);
    services.SetStatusLabel(StatusLine::InboxProgress, m_status);
    // Runs here while the worker that lost the connection waits.
    services.SetLostConnectionHandler([this](NetResult result) {
        m_keep_alive->stop();
        QWidget* owner = m_child != nullptr ? static_cast<QWidget*>(m_child) : this;
        QMessageBox box(QMessageBox::Critical, tr("Lost connection"),
                        ToQString(NetResultText(result)), QMessageBox::Ok, owner);
        box.exec();
        done(QDialog::Rejected);
    });
}

InboxWindow::~InboxWindow() {
    m_closed = true;
    // A worker still running ends on the closed connection; its notice finds
    // the window going and is not shown.
    m_context.services->SetLostConnectionHandler([](NetResult) {});
    m_worker.Stop([this] { m_context.session->connection.Abort(); });
    m_context.services->SetLostConnectionHandler({});
    m_context.services->SetStatusSink(StatusLine::Inbox, {});
    m_context.services->SetStatusSink(StatusLine::InboxProgress, {});
    m_context.services->SetDialogParent(nullptr);
}

void InboxWindow::BuildMenus(QVBoxLayout* layout) {
    auto* bar = new QMenuBar(this);
    layout->setMenuBar(bar);

    QMenu* file = bar->addMenu(tr("&File"));
    QAction* compose = file->addAction(tr("Compose &Mail"));
    compose->setObjectName(QStringLiteral("composeMail"));
    connect(compose, &QAction::triggered, this, [this] {
        if (m_context.compose) {
            m_context.compose(StartNewMessage({}, m_context.working.SMTPsigfile), this);
        }
    });
    file->addSeparator();
    QAction* sort = file->addAction(tr("S&ort newest to oldest"));
    sort->setObjectName(QStringLiteral("sortNewest"));
    connect(sort, &QAction::triggered, this, &InboxWindow::SortNewestFirst);
    QAction* refresh = file->addAction(tr("&Refresh mailbox stat"));
    refresh->setObjectName(QStringLiteral("refreshStat"));
    connect(refresh, &QAction::triggered, this, &InboxWindow::RefreshStat);
    file->addSeparator();
    QAction* books = file->addAction(tr("Addr&ess books..."));
    books->setObjectName(QStringLiteral("addressBooks"));
    connect(books, &QAction::triggered, this, [this] { OpenAddressBooks(m_context, this); });
    QMenu* save_mail = file->addMenu(tr("Save Mail"));
    QAction* save_selected = save_mail->addAction(tr("&Selected mail..."));
    save_selected->setObjectName(QStringLiteral("saveSelectedMail"));
    connect(save_selected, &QAction::triggered, this, &InboxWindow::SaveSelectedMail);
    QAction* save_all = save_mail->addAction(tr("&All mail..."));
    save_all->setObjectName(QStringLiteral("saveAllMail"));
    connect(save_all, &QAction::triggered, this, &InboxWindow::SaveAllMail);
    QMenu* mail_list = file->addMenu(tr("Mail List"));
    QAction* list_save = mail_list->addAction(tr("Save &As..."));
    list_save->setObjectName(QStringLiteral("mailListSaveAs"));
    connect(list_save, &QAction::triggered, this, &InboxWindow::SaveMailList);
    QAction* list_print = mail_list->addAction(tr("&Print..."));
    list_print->setObjectName(QStringLiteral("mailListPrint"));
    connect(list_print, &QAction::triggered, this, &InboxWindow::PrintMailList);
    file->addSeparator();
    QAction* cancel = file->addAction(tr("&Cancel/Undo changes"));
    cancel->setObjectName(QStringLiteral("cancelUndo"));
    connect(cancel, &QAction::triggered, this, &InboxWindow::CancelUndo);
    QAction* save_exit = file->addAction(tr("Save && E&xit"));
    save_exit->setObjectName(QStringLiteral("saveAndExit"));
    connect(save_exit, &QAction::triggered, this, &InboxWindow::SaveAndExit);

    QMenu* options = bar->addMenu(tr("&Options"));
    QAction* filters = options->addAction(tr("&Inbox filters [F11]"));
    filters->setObjectName(QStringLiteral("inboxFilters"));
    connect(filters, &QAction::triggered, this, &InboxWindow::ShowInboxFilters);
    QAction* flags = options->addAction(tr("Message &flags [F12]"));
    flags->setObjectName(QStringLiteral("messageFlags"));
    connect(flags, &QAction::triggered, this, &InboxWindow::ShowMessageFlags);
    QAction* foreign = options->addAction(tr("F&oreign IP..."));
    foreign->setObjectName(QStringLiteral("foreignIp"));
    connect(foreign, &QAction::triggered, this, &InboxWindow::ShowForeignAddresses);
    options->addSeparator();
    QAction* preview_lines = options->addAction(tr("&Preview N lines..."));
    preview_lines->setObjectName(QStringLiteral("previewLines"));
    connect(preview_lines, &QAction::triggered, this, &InboxWindow::SetPreviewLines);
    GlobalSettings& global = m_context.config.global;
    AddToggle(options, tr("&Enter key previews"), "enterprev", global.enterprev);
    AddToggle(options, tr("&Confirm Cancel/Undo"), "confirmclose", global.confirmclose);
    AddToggle(options, tr("Confirm &Delete"), "confirmdel", global.confirmdel);
    AddToggle(options, tr("&View all headers"), "allheaders", global.allheaders);
    AddToggle(options, tr("&HTML filter"), "htmlfilt", global.htmlfilt);
    AddToggle(options, tr("&Read-only viewer"), "viewer_ro", global.viewer_ro);

    QMenu* help = bar->addMenu(tr("&Help"));
    connect(help->addAction(tr("&Inbox")), &QAction::triggered, this, [this] {
        if (m_context.show_help) {
            m_context.show_help(QStringLiteral("#inbox"));
        }
    });
    connect(help->addAction(tr("&Contents")), &QAction::triggered, this, [this] {
        if (m_context.show_help) {
            m_context.show_help(QStringLiteral("#contents"));
        }
    });
    QAction* shortcuts = help->addAction(tr("&Shortcuts"));
    shortcuts->setObjectName(QStringLiteral("shortcuts"));
    connect(shortcuts, &QAction::triggered, this, &InboxWindow::ShowShortcuts);
    QAction* about = help->addAction(tr("&About"));
    about->setObjectName(QStringLiteral("about"));
    connect(about, &QAction::triggered, this, &InboxWindow::ShowAbout);
}

QAction* InboxWindow::AddToggle(QMenu* menu, const QString& text, const char* name, int& setting) {
    QAction* action = menu->addAction(text);
    action->setObjectName(QString::fromLatin1(name));
    action->setCheckable(true);
    action->setChecked(setting != 0);
    connect(action, &QAction::toggled, this, [&setting](bool on) { setting = on ? 1 : 0; });
    return action;
}

void InboxWindow::SetPreviewLines() {
    AskPreviewLines(m_context.config.global, *m_context.services);
}

void InboxWindow::ShowShortcuts() {
    m_context.services->ShowMessage(kShortcuts, "Shortcuts", BoxIcon::Information);
}

void InboxWindow::ShowAbout() {
    // The maker's web page button is left out until there is a page.
    m_context.services->ShowMessage(
        std::string(kProgramTitle) + "\n\n" + m_context.tls.VersionText(), "About",
        BoxIcon::Information);
}

void InboxWindow::ShowSslInformation() {
    // Only reads the certificate of the open stream, which a worker's calls
    // do not disturb.
    NetConnection& connection = m_context.session->connection;
    if (!connection.TlsActive()) {
        return;
    }
    const Profile* stored = FindProfile(m_context.config.profiles, m_context.working.name);
    const CertificateView view =
        BuildCertificateView(QueryCertificate(connection), m_context.working.host,
                             stored != nullptr ? &TrustedFingerprint(stored->pop_sslid, stored->pop_sslid256)
                                               : nullptr,
                             false);
    m_context.services->ShowCertificate(view);
}

bool InboxWindow::busy() const {
    return worker_running() || m_context.session->Busy();
}

void InboxWindow::BusyBox() {
    m_context.services->ShowMessage(kBusyText, "Busy", BoxIcon::Warning);
}

void InboxWindow::SelectFirstBox() {
    m_context.services->ShowMessage(kSelectMessagesFirst, "Tarvox", BoxIcon::Warning);
}

bool InboxWindow::ReadyWithSelection() {
    if (busy()) {
        BusyBox();
        return false;
    }
    TakeSelection();
    if (m_list.SelectedNumbers().empty()) {
        SelectFirstBox();
        return false;
    }
    return true;
}

void InboxWindow::ShowInboxFilters() {
    if (worker_running()) {
        BusyBox();
        return;
    }
    InboxFiltersDialog dialog(m_context, this);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    const InboxFilter filter = dialog.filter();
    ApplyInboxFilter(m_list, filter, m_context.working);
    ShowTitles();
    ShowRows();
    m_status->setText(ToQString(FilterStatusText(filter)));
}

void InboxWindow::ShowMessageFlags() {
    if (!ReadyWithSelection()) {
        return;
    }
    for (std::uint32_t number : m_list.SelectedNumbers()) {
        InboxEntry* entry = m_list.Find(number);
        if (entry == nullptr) {
            continue;
        }
        MessageFlagsDialog dialog(m_context, *entry, m_context.working, this);
        if (dialog.exec() != QDialog::Accepted) {
            break;
        }
        RefreshRowIcon(number);
    }
}

void InboxWindow::ShowForeignAddresses() {
    if (!ReadyWithSelection()) {
        return;
    }
    for (std::uint32_t number : m_list.SelectedNumbers()) {
        const InboxEntry* entry = m_list.Find(number);
        if (entry == nullptr) {
            continue;
        }
        ForeignIpDialog dialog(m_context, *entry,
                               StoredProfileOr(m_context.config.profiles, m_context.working), this);
        dialog.exec();
    }
}

void InboxWindow::View() {
    if (!ReadyWithSelection()) {
        return;
    }
    ShowMessages(false);
}

void InboxWindow::Preview() {
    if (!ReadyWithSelection()) {
        return;
    }
    AskPreviewLinesBeforePreview(m_context.config.global, *m_context.services);
    ShowMessages(true);
}

void InboxWindow::RefreshRowIcon(std::uint32_t number) {
    const std::optional<std::size_t> row = m_list.RowOf(number);
    if (!row || *row >= static_cast<std::size_t>(m_view->topLevelItemCount())) {
        return;
    }
    m_view->topLevelItem(static_cast<int>(*row))
        ->setIcon(0, InboxStateIcon(StateIconIndex(m_list.RowEntry(*row))));
}

void InboxWindow::ShowMessages(bool preview) {
    const std::vector<std::uint32_t> selected = m_list.SelectedNumbers();
    if (selected.empty()) {
        return;
    }
    ViewerWalk walk(selected);
    while (!m_closed && !busy()) {
        const std::uint32_t number = walk.current();
        const std::optional<std::size_t> shown = walk.Open(m_list);
        if (!shown) {
            break;
        }
        const int row = static_cast<int>(*shown);
        RefreshRowIcon(number);
        QTreeWidgetItem* item = m_view->topLevelItem(row);
        if (walk.whole_list()) {
            m_view->clearSelection();
            item->setSelected(true);
            m_view->setCurrentItem(item);
            m_view->scrollToItem(item);
        }

        ViewerSource source;
        source.kind = ViewerSource::Kind::Mail;
        source.pop3_number = static_cast<int>(number);
        source.inbox_row = row;
        source.row_title = ToQString(RowText(m_list.RowEntry(*shown), InboxColumn::Subject));
        source.preview = preview;
        source.preview_lines =
            static_cast<std::uint32_t>(std::max(1, m_context.config.global.preview));
        source.host = this;
        source.remove_row = [this, number] {
            m_list.Remove(number);
            ShowRows();
        };
        // A reply marks the message; its row shows the mark.
        source.list = &m_list;
        source.refresh_row = [this, number] { RefreshRowIcon(number); };
        ViewerStep step = ViewerStep::Close;
        bool deleted = false;
        {
            ViewerWindow viewer(m_context, std::string(), std::move(source), this);
            if (m_viewer_setup) {
                m_viewer_setup(viewer);
            }
            m_child = &viewer;
            step = static_cast<ViewerStep>(viewer.exec());
            m_child = nullptr;
            deleted = viewer.deleted();
        }
        if (m_closed) {
            return;
        }
        TakeServices();
        if (!walk.Advance(step, static_cast<std::size_t>(row), deleted, m_list)) {
            break;
        }
    }
}

void InboxWindow::SaveSelectedMail() {
    if (!ReadyWithSelection()) {
        return;
    }
    OpenSaveMail();
}

void InboxWindow::SaveAllMail() {
    if (worker_running()) {
        BusyBox();
        return;
    }
    m_list.SelectAll();
    ShowRows();
    OpenSaveMail();
}

void InboxWindow::OpenSaveMail() {
    {
        SaveMailDialog dialog(m_context, *this, m_list, m_context.working, this);
        m_child = &dialog;
        dialog.exec();
        m_child = nullptr;
    }
    if (m_closed) {
        return;
    }
    TakeServices();
    KeepSavedMailSettings(m_context.config.profiles, m_context.working);
}

std::string InboxWindow::MailListText() const {
    const PopSession& session = *m_context.session;
    const std::string date = MakeMailDate(std::time(nullptr));
    MailboxListingHeading heading;
    heading.user = m_context.working.user;
    heading.host = m_context.working.host;
    heading.message_count = session.message_count;
    heading.mailbox_size = session.mailbox_size;
    heading.date = date;
    return BuildMailboxListing(heading, m_list);
}

void InboxWindow::SaveMailList() {
    // The list belongs to a running worker.
    if (worker_running()) {
        BusyBox();
        return;
    }
    FileSaveRequest request;
    request.filter = tr("All files (*)");
    const QString chosen = m_save_picker(this, request);
    if (chosen.isEmpty()) {
        return;
    }
    SaveTextToFile(*m_context.services, FromQString(chosen), MailListText(), SaveTextMode::Replace,
                   InboxStatusShown::Yes);
}

void InboxWindow::PrintMailList() {
    if (worker_running()) {
        BusyBox();
        return;
    }
    m_printer(this, QStringLiteral("Tarvox: Inbox"), MailListText());
}

void InboxWindow::Delete() {
    if (!ReadyWithSelection()) {
        return;
    }
    if (!UserConfirmsDeletion(m_context.config.global, *m_context.services)) {
        return;
    }
    if (busy()) {
        return;
    }
    StartWorker([this] {
        return DeleteSelected(*m_context.session, m_list, *m_context.services) ? JobEnd::ShowRows
                                                                               : JobEnd::CloseInbox;
    });
}

void InboxWindow::CancelUndo() {
    if (m_closed) {
        return;
    }
    if (busy()) {
        BusyBox();
        return;
    }
    if (!UserConfirmsUndeleteAll(m_context.config.global, *m_context.services)) {
        return;
    }
    if (busy() || m_closed) {
        return;
    }
    StartWorker([this] {
        return PopResetAndExit(*m_context.session, *m_context.services) == InboxExit::StayOpen
                   ? JobEnd::StayOpen
                   : JobEnd::CloseInbox;
    });
}

void InboxWindow::SaveAndExit() {
    if (m_closed) {
        return;
    }
    if (busy()) {
        BusyBox();
        return;
    }
    GlobalSettings& global = m_context.config.global;
    for (int column = 0; column < 5; ++column) {
        global.colwidth[column] = m_view->columnWidth(column);
    }
    Profile* stored = FindProfile(m_context.config.profiles, m_context.working.name);
    // The settings file is written on this thread while the worker waits.
    StartWorker([this, stored] {
        const auto save_settings = [this] {
            QMetaObject::invokeMethod(
                this, [this] { m_context.SaveSettings(); }, Qt::BlockingQueuedConnection);
        };
        // Whatever the server answered, the inbox is done.
        SaveInboxAndExit(*m_context.session, m_list, stored, save_settings, *m_context.services);
        return JobEnd::CloseInbox;
    });
}

void InboxWindow::Abort() {
    if (!busy()) {
        return;
    }
    if (m_context.services->ShowMessage(
            "Are you sure you want to abort all network operations and close your mailbox?",
            "Abort", BoxIcon::Question, BoxButtons::YesNo) != BoxAnswer::Yes) {
        return;
    }
    // The worker may have ended while the question stood.
    if (!busy()) {
        return;
    }
    m_context.session->connection.Abort();
}

void InboxWindow::SortByColumn(int column) {
    // While a worker runs the list is its own; the click is not taken.
    if (worker_running() || column < 0 || column >= static_cast<int>(kInboxColumnCount)) {
        return;
    }
    TakeSelection();
    m_list.SortByColumn(static_cast<InboxColumn>(column), m_context.session->sizes,
                        m_context.working.parse != 0);
    ShowTitles();
    ShowRows();
}

void InboxWindow::SortNewestFirst() {
    if (worker_running()) {
        return;
    }
    TakeSelection();
    m_list.SortNewestFirst();
    ShowTitles();
    ShowRows();
}

void InboxWindow::RefreshStat() {
    if (busy()) {
        BusyBox();
        return;
    }
    StartWorker([this] {
        RefreshMailboxStat(*m_context.session, *m_context.services);
        return JobEnd::StayOpen;
    });
}

void InboxWindow::KeepAliveTick() {
    if (m_closed || busy() || !m_context.session->connection.Connected()) {
        return;
    }
    StartWorker([this] {
        PopKeepAlive(*m_context.session, *m_context.services);
        return JobEnd::StayOpen;
    });
}

PopSession& InboxWindow::Session() {
    return *m_context.session;
}

void InboxWindow::RunSessionJob(std::function<void()> work, std::function<void()> ended) {
    StartWorker(
        [work = std::move(work)] {
            work();
            return JobEnd::StayOpen;
        },
        std::move(ended));
}

void InboxWindow::StartWorker(std::function<JobEnd()> work, std::function<void()> ended) {
    SetBusy(true);
    // A job that let out an exception stopped where nobody knows, so the
    // session cannot go on: the connection is closed and the inbox closes as
    // after a lost connection.
    m_worker.Run<JobEnd>(
        *m_context.services, std::move(work), [this] { m_context.session->connection.Close(); },
        [this, ended = std::move(ended)](std::optional<JobEnd> end) { WorkerEnded(end, ended); });
}

void InboxWindow::WorkerEnded(std::optional<JobEnd> end, const std::function<void()>& ended) {
    if (m_closed) {
        return;
    }
    if (ended) {
        ended();
        // It may have closed the inbox or started the next job.
        if (m_closed || m_worker.running()) {
            return;
        }
    }
    const JobEnd how = end.value_or(JobEnd::CloseInbox);
    if (how == JobEnd::CloseInbox) {
        done(QDialog::Rejected);
        return;
    }
    if (how == JobEnd::ShowRows) {
        ShowRows();
    }
    if (!m_context.session->connection.Connected()) {
        // Aborted between two calls of the worker: nothing is left to show.
        done(QDialog::Rejected);
        return;
    }
    SetBusy(false);
}

void InboxWindow::SetBusy(bool busy) {
    m_abort_button->setEnabled(busy);
    m_view_button->setEnabled(!busy);
    m_preview_button->setEnabled(!busy);
    m_delete_button->setEnabled(!busy);
    m_save_button->setEnabled(!busy);
    m_cancel_button->setEnabled(!busy);
}

void InboxWindow::ShowTitles() {
    const auto& titles = m_list.ColumnTitles();
    QStringList labels;
    for (const std::string& title : titles) {
        labels << ToQString(title);
    }
    m_view->setHeaderLabels(labels);
    QTreeWidgetItem* header = m_view->headerItem();
    for (int column = 0; column < static_cast<int>(kInboxColumnCount); ++column) {
        if (RightAligned(column)) {
            header->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
        }
    }
}

void InboxWindow::ShowRows() {
    m_view->clear();
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(m_list.RowCount()));
    for (std::size_t row = 0; row < m_list.RowCount(); ++row) {
        const InboxEntry& entry = m_list.RowEntry(row);
        auto* item = new QTreeWidgetItem;
        for (int column = 0; column < static_cast<int>(kInboxColumnCount); ++column) {
            item->setText(column, ToQString(RowText(entry, static_cast<InboxColumn>(column))));
            if (RightAligned(column)) {
                item->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
            }
        }
        item->setIcon(0, InboxStateIcon(StateIconIndex(entry)));
        item->setData(0, Qt::UserRole, static_cast<uint>(entry.number));
        items.append(item);
    }
    m_view->addTopLevelItems(items);
    for (std::size_t row = 0; row < m_list.RowCount(); ++row) {
        items[static_cast<qsizetype>(row)]->setSelected(m_list.RowAt(row).selected);
    }
}

void InboxWindow::TakeSelection() {
    const int count = m_view->topLevelItemCount();
    for (int row = 0; row < count && static_cast<std::size_t>(row) < m_list.RowCount(); ++row) {
        m_list.Select(static_cast<std::size_t>(row), m_view->topLevelItem(row)->isSelected());
    }
}

bool InboxWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_view && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        switch (key->key()) {
            case Qt::Key_Delete:
                Delete();
                return true;
            case Qt::Key_Return:
            case Qt::Key_Enter:
                if (m_context.config.global.enterprev == 1) {
                    Preview();
                } else {
                    View();
                }
                return true;
            case Qt::Key_Tab:
                m_view_button->setFocus(Qt::TabFocusReason);
                return true;
            case Qt::Key_F11:
                ShowInboxFilters();
                return true;
            case Qt::Key_F12:
                ShowMessageFlags();
                return true;
            default:
                break;
        }
    }
    // A right double click previews; a left one views (itemDoubleClicked).
    if (watched == m_view->viewport() && event->type() == QEvent::MouseButtonDblClick &&
        static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
        Preview();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void InboxWindow::reject() {
    CancelUndo();
}

void InboxWindow::RestorePlacement() {
    RestoreWindowPlacement(*this, m_context.config.global.ibsize);
}

void InboxWindow::SavePlacement() {
    StoreWindowPlacement(*this, m_context.config.global.ibsize);
}

void InboxWindow::done(int result) {
    if (!m_closed) {
        SavePlacement();
    }
    m_closed = true;
    if (m_child != nullptr) {
        m_child->done(QDialog::Rejected);
    }
    m_keep_alive->stop();
    QDialog::done(result);
}

}  // namespace tarvox
