#include "ui/mailman_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>
#include <chrono>
#include <ctime>

#include "codec/text_format.h"
#include "config/master_passphrase.h"
#include "net/dial_up.h"
#include "protocols/pop_session.h"
#include "ui/app_context.h"
#include "ui/desktop_notifier.h"
#include "ui/inbox_window.h"
#include "ui/new_mail_sound.h"
#include "ui/options_window.h"
#include "ui/page_fields.h"
#include "ui/qt_services.h"
#include "ui/qt_text.h"
#include "ui/window_placement.h"

namespace tarvox {

namespace {

constexpr const char* kNoNewMailTip = "Tarvox: No new mail";
constexpr const char* kNewMailTip = "Tarvox: You have mail!";

// An envelope; with new mail yellow and with a red dot.
QIcon EnvelopeIcon(int size, bool new_mail) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const int top = size / 4;
    const QRectF body(1, top, size - 2, size - top - 2);
    painter.setPen(QPen(QColor(0x30, 0x30, 0x30), 1));
    painter.setBrush(new_mail ? QColor(0xff, 0xe0, 0x60) : QColor(0xf4, 0xf4, 0xf4));
    painter.drawRect(body);
    painter.drawLine(body.topLeft(), QPointF(size / 2.0, top + body.height() / 2));
    painter.drawLine(QPointF(size / 2.0, top + body.height() / 2), body.topRight());
    if (new_mail) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0xd0, 0x20, 0x20));
        painter.drawEllipse(QRectF(size * 0.55, 0, size * 0.45, size * 0.45));
    }
    painter.end();
    return QIcon(pixmap);
}

QIcon TrayIcon(bool new_mail) {
    QIcon icon = EnvelopeIcon(22, new_mail);
    icon.addPixmap(EnvelopeIcon(32, new_mail).pixmap(32, 32));
    icon.addPixmap(EnvelopeIcon(48, new_mail).pixmap(48, 48));
    return icon;
}

int PollPeriodMs(const GlobalSettings& settings) {
    return std::clamp(settings.freq, 1, 720) * 60000;
}

}  // namespace

// Hands the poll's progress to the window's thread.
class MailmanWindow::QueuedReport : public PollReport {
public:
    explicit QueuedReport(MailmanWindow* window) : m_window(window) {}
    void ProfileStarted(std::size_t row, const std::string& name) override {
        QMetaObject::invokeMethod(
            m_window, [window = m_window, row, name] { window->RowStarted(row, name); },
            Qt::QueuedConnection);
    }
    void ProfilePolled(std::size_t row, const ProfilePoll& result) override {
        QMetaObject::invokeMethod(
            m_window, [window = m_window, row, result] { window->RowPolled(row, result); },
            Qt::QueuedConnection);
    }

private:
    MailmanWindow* m_window;
};

MailmanWindow::MailmanWindow(AppContext& context) : m_context(context) {
    setObjectName("mailmanWindow");
    setWindowTitle("Mailman (Tarvox)");
    setWindowIcon(TrayIcon(false));
    const GlobalSettings& settings = context.config.global;

    m_list = new QTreeWidget(this);
    m_list->setObjectName("profiles");
    m_list->setHeaderLabels({"Profile", "#", "Size (KB)"});
    m_list->setRootIsDecorated(false);
    for (int column = 0; column < 3; ++column) {
        m_list->setColumnWidth(column, settings.mmcolwidth[column]);
    }
    connect(m_list, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
        OpenProfile(FromQString(item->text(0)));
    });
    m_status = new QLabel("Mailman is ready", this);
    m_status->setObjectName("status");
    m_help = MakeActionButton("Help", "help", this);
    connect(m_help, &QPushButton::clicked, this, [this] {
        if (m_context.show_help) {
            m_context.show_help("#mailman");
        }
    });
    m_poll_all = MakeActionButton("Poll all", "pollAll", this);
    connect(m_poll_all, &QPushButton::clicked, this, [this] { PollNow(PollTrigger::PollAllButton); });

    m_timer = new QTimer(this);
    m_timer->setObjectName("pollTimer");
    connect(m_timer, &QTimer::timeout, this, [this] { PollNow(PollTrigger::Timer); });
    m_tray = new QSystemTrayIcon(this);
    SetTray(false);
    connect(m_tray, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) { TrayActivated(reason); });

    play_sound = [this](const std::string& wave_file) {
        if (!m_sound) {
            m_sound = std::make_unique<NewMailSound>();
        }
        m_sound->Play(wave_file);
    };
    const auto notifier = [this]() -> DesktopNotifier& {
        if (m_notifier == nullptr) {
            m_notifier = new DesktopNotifier(this);
            m_notifier->clicked = [this](const std::string& profile) { OpenProfile(profile); };
        }
        return *m_notifier;
    };
    notify = [notifier](const NewMailNotice& notice) { notifier().Show(notice); };
    notices_available = [notifier] { return notifier().Available(); };
    dial_up_connected = RasConnected;

    resize(340, 220);
    RestoreWindowPlacement(*this, settings.mmsize);
    m_context.mailman = this;
    QTimer::singleShot(500, this, [this] { Start(); });
    if (m_context.start.poll) {
        QTimer::singleShot(1000, this, [this] { PollNow(PollTrigger::PollAllButton); });
    }
}

MailmanWindow::~MailmanWindow() {
    m_stop.Request();
    m_worker.Stop([this] { m_stop.Request(); });
    GlobalSettings& settings = m_context.config.global;
    if (m_shown) {  // a window never shown has no place of its own
        StoreWindowPlacement(*this, settings.mmsize);
    }
    for (int column = 0; column < 3; ++column) {
        settings.mmcolwidth[column] = m_list->columnWidth(column);
    }
    m_tray->hide();
    if (m_context.mailman == this) {
        m_context.mailman = nullptr;
    }
}

void MailmanWindow::Start() {
    const GlobalSettings& settings = m_context.config.global;
    if (settings.mailman != 1) {
        return;
    }
    m_running = true;
    m_tray->show();
    m_timer->start(PollPeriodMs(settings));
    if (m_desktop_checked) {
        return;
    }
    // Said once a run: without a tray or a notification service the program
    // still runs, and this window is where new mail shows.
    m_desktop_checked = true;
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        m_status->setText("No system tray was found: new mail shows in this window only");
    } else if (!notices_available()) {
        m_status->setText("No desktop notification service was found: new mail shows in the tray only");
    }
}

void MailmanWindow::SetRunning(bool run) {
    if (run) {
        Start();
        return;
    }
    m_running = false;
    m_timer->stop();
    m_tray->hide();
}

void MailmanWindow::PollNow(PollTrigger trigger) {
    const GlobalSettings& settings = m_context.config.global;
    if (trigger == PollTrigger::ProfileWindow) {
        Restore();
    }
    if ((trigger == PollTrigger::PollAllButton || trigger == PollTrigger::ProfileWindow) &&
        m_running) {
        m_timer->start(PollPeriodMs(settings));  // the next automatic poll a full period later
    }
    if (!MailmanState::MayPoll(settings, m_worker.running(), dial_up_connected)) {
        return;
    }
    m_state.PollStarted();
    m_list->clear();
    m_status->setText("Querying profiles...");
    // The inbox's open profile has its own session.
    const std::string* open = m_context.session ? &m_context.working.name : nullptr;
    m_poll_list = PollList(m_context.config.profiles, open);
    const std::chrono::seconds timeout(settings.timeout > 0 ? settings.timeout : 60);
    const bool timer_driven = trigger == PollTrigger::Timer;
    m_worker.Run<PollRun>(
        *m_context.services,
        [this, timeout] {
            QueuedReport report(this);
            return PollAll(&m_context.tls, m_poll_list, timeout, m_stop, report);
        },
        [] {}, [this, timer_driven](std::optional<PollRun> run) { PollEnded(timer_driven, run); });
}

void MailmanWindow::RowStarted(std::size_t row, const std::string& name) {
    m_state.RowAdded(name);
    auto* item = new QTreeWidgetItem({ToQString(name), {}, {}});
    m_list->insertTopLevelItem(static_cast<int>(row), item);
}

void MailmanWindow::RowPolled(std::size_t row, const ProfilePoll& result) {
    QTreeWidgetItem* item = m_list->topLevelItem(static_cast<int>(row));
    if (item == nullptr || result.outcome != PollOutcome::Counted) {
        return;  // a failure leaves the row with its name only
    }
    GlobalSettings& settings = m_context.config.global;
    item->setText(1, ToQString(TextFormat("%u", result.count)));
    item->setText(2, ToQString(TextFormat("%.1f", result.size / 1024.0)));
    if (result.count == 0) {
        // An empty mailbox forgets its recorded statistics.
        if (Profile* stored = FindProfile(m_context.config.profiles, FromQString(item->text(0)))) {
            MailboxModified(*stored, 0, 0);
        }
    }
    if (result.new_mail) {
        item->setIcon(0, EnvelopeIcon(16, true));
        if (m_state.RowHasNewMail(row, result.count, settings)) {
            SetTray(true);
        }
    }
}

void MailmanWindow::PollEnded(bool timer_driven, std::optional<PollRun> run) {
    if (run && run->stopped) {
        return;
    }
    const GlobalSettings& settings = m_context.config.global;
    const MailmanState::PollEnd end = m_state.PollEnded(run && run->new_found, timer_driven, settings);
    if (end.tray_to_no_mail) {
        SetTray(false);
    }
    if (end.notify) {
        notify(m_state.Notice());
    }
    if (end.play_sound) {
        play_sound(settings.newwav);
    }
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    m_status->setText(ToQString(LastMailrunText(local)));
}

void MailmanWindow::ClearNewMark(const std::string& profile_name) {
    const MailmanState::Cleared cleared = m_state.ClearNewMark(profile_name, m_context.config.global);
    if (QTreeWidgetItem* item = m_list->topLevelItem(static_cast<int>(cleared.row))) {
        item->setIcon(0, QIcon());
    }
    if (cleared.tray_to_no_mail) {
        SetTray(false);
    }
}

void MailmanWindow::SetTray(bool new_mail) {
    m_tray->setIcon(TrayIcon(new_mail));
    m_tray->setToolTip(new_mail ? kNewMailTip : kNoNewMailTip);
}

void MailmanWindow::TrayActivated(int reason) {
    switch (reason) {
        case QSystemTrayIcon::Trigger:
            RaiseMainWindow();
            break;
        case QSystemTrayIcon::Context:
            Restore();
            if (m_state.RepollOnRightClick(m_context.config.global)) {
                PollNow(PollTrigger::TrayRepoll);
            }
            break;
        default:
            break;
    }
}

void MailmanWindow::Restore() {
    showNormal();
    raise();
    activateWindow();
}

QWidget* MailmanWindow::RaiseMainWindow() {
    QWidget* main = nullptr;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (dynamic_cast<OptionsWindow*>(window) != nullptr) {
            main = window;
            break;
        }
        if (dynamic_cast<InboxWindow*>(window) != nullptr) {
            main = window;
        }
    }
    if (main == nullptr) {
        return nullptr;
    }
    const bool visible = main->isVisible() && !main->isMinimized();
    if (!RepromptPassphrase(*m_context.services, m_context.config.global,
                            m_context.config.master_passphrase, visible)) {
        return nullptr;
    }
    main->showNormal();
    main->raise();
    main->activateWindow();
    return main;
}

void MailmanWindow::OpenProfile(const std::string& name) {
    if (auto* options = dynamic_cast<OptionsWindow*>(RaiseMainWindow())) {
        options->SelectProfile(name);
    }
}

void MailmanWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isMinimized()) {
        // Only the tray icon remains.
        QTimer::singleShot(0, this, [this] { hide(); });
    }
}

void MailmanWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    m_shown = true;
}

void MailmanWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
    showMinimized();
}

void MailmanWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int w = width();
    const int h = height();
    m_list->setGeometry(10, 10, w - 20, h - 48);
    m_status->setGeometry(10, h - 28, (w - 20) * 3 / 5, 18);
    const int slot = (w - 20) / 5;
    m_help->setGeometry(10 + 3 * slot, h - 32, slot, 22);
    m_poll_all->setGeometry(10 + 4 * slot, h - 32, slot, 22);
}

}  // namespace tarvox
