#include "ui/save_mail_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "config/profile.h"
#include "message/mail_file_name.h"
#include "protocols/mail_saving.h"
#include "protocols/message_list.h"
#include "protocols/pop_session.h"
#include "ui/app_context.h"
#include "ui/qt_services.h"
#include "ui/qt_text.h"
#include "ui/save_options_dialog.h"
#include "ui/session_host.h"

namespace tarvox {

namespace {

QPushButton* MakeButton(const QString& text, const char* name, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    return button;
}

QLabel* MakeLine(const char* name, QWidget* parent) {
    auto* line = new QLabel(parent);
    line->setObjectName(QString::fromLatin1(name));
    line->setFrameShape(QFrame::Panel);
    line->setFrameShadow(QFrame::Sunken);
    line->setMinimumWidth(360);
    return line;
}

}  // namespace

SaveMailDialog::SaveMailDialog(AppContext& context, SessionHost& host, const MessageList& list,
                               Profile& profile, QWidget* parent)
    : QDialog(parent), m_context(context), m_host(host), m_list(list), m_profile(profile) {
    setObjectName(QStringLiteral("saveMail"));
    setWindowTitle(tr("Save mail"));

    m_folder = new QLabel(this);
    m_folder->setObjectName(QStringLiteral("folder"));
    m_folder->setTextFormat(Qt::PlainText);
    m_folder->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* folder_row = new QHBoxLayout;
    folder_row->addWidget(new QLabel(tr("Folder:"), this));
    folder_row->addWidget(m_folder, 1);
    m_progress = MakeLine("progress", this);
    m_size = MakeLine("size", this);

    m_save = MakeButton(tr("&Save"), "save", this);
    m_save->setDefault(true);
    m_stop = MakeButton(tr("S&top"), "stop", this);
    m_abort = MakeButton(tr("&Abort"), "abort", this);
    m_options = MakeButton(tr("&Options..."), "options", this);
    m_close = MakeButton(tr("&Close"), "close", this);
    connect(m_save, &QPushButton::clicked, this, &SaveMailDialog::Save);
    connect(m_stop, &QPushButton::clicked, this, &SaveMailDialog::Stop);
    connect(m_abort, &QPushButton::clicked, this, &SaveMailDialog::Abort);
    connect(m_options, &QPushButton::clicked, this, &SaveMailDialog::ShowOptions);
    connect(m_close, &QPushButton::clicked, this, &SaveMailDialog::reject);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* button : {m_save, m_stop, m_abort, m_options, m_close}) {
        buttons->addWidget(button);
    }

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(folder_row);
    layout->addWidget(m_progress);
    layout->addWidget(m_size);
    layout->addLayout(buttons);

    // While the dialog is open the downloads' sizes and percentages go to its
    // size line and the boxes of a run stand over it; the inbox takes both
    // back when it closes.
    m_context.services->SetStatusLabel(StatusLine::InboxProgress, m_size);
    m_context.services->SetDialogParent(this);

    ShowFolder();
    SetRunning(false);
}

void SaveMailDialog::Save() {
    if (m_running) {
        return;
    }
    if (m_host.Busy()) {
        m_host.ShowBusyBox();
        return;
    }
    std::vector<std::uint32_t> numbers = m_list.SelectedNumbers();
    if (numbers.empty()) {
        m_context.services->ShowMessage(kSelectMessagesFirst, "Tarvox", BoxIcon::Warning);
        return;
    }
    m_run.emplace(numbers);
    SetRunning(true);
    StartRun(std::move(numbers));
}

void SaveMailDialog::StartRun(std::vector<std::uint32_t> numbers) {
    PopSession& session = m_host.Session();
    // The job holds copies of what it needs: a lost connection closes the
    // inbox, and this dialog with it, while the job still runs.
    QtServices* services = m_context.services;
    QPointer<SaveMailDialog> self(this);
    // Asked on the worker before each message: whether the run goes on.
    auto starting = [self, services](std::size_t index) {
        bool go_on = false;
        services->RunOnGuiThread([&] { go_on = self && self->MessageStarting(static_cast<int>(index)); });
        return go_on;
    };
    // Nothing when a download failed (or the job let out an exception).
    auto outcome = std::make_shared<std::optional<SaveMailOutcome>>();
    auto work = [&session, services, numbers = std::move(numbers), profile = m_profile,
                 root = m_context.paths.mail_folder_root, outcome, starting] {
        *outcome = SaveMessages(session, numbers, profile, root, *services, starting);
    };
    m_host.RunSessionJob(std::move(work), [self, outcome] {
        if (self) {
            self->RunEnded(*outcome);
        }
    });
}

bool SaveMailDialog::MessageStarting(int index) {
    if (!m_running) {
        return false;
    }
    // The message before was saved or skipped, else the run had ended.
    if (index > 1 && m_run->MessageEnded(SaveMailOutcome::Saved) != SaveMailStep::NextMessage) {
        return false;
    }
    m_progress->setText(ToQString(m_run->ProgressText()));
    emit messageStarted(m_run->index(), m_run->total());
    return true;
}

void SaveMailDialog::RunEnded(std::optional<SaveMailOutcome> outcome) {
    if (!m_running) {
        return;
    }
    if (m_run->MessageEnded(outcome) == SaveMailStep::Failed) {
        FailRun();
    } else {
        EndRun();
    }
}

void SaveMailDialog::EndRun() {
    SetRunning(false);
    const std::string done = m_run->DoneText();
    m_progress->setText(ToQString(done));
    m_context.services->ShowMessage(done, "Done", BoxIcon::Information);
    m_size->clear();
    m_save->setFocus();
}

void SaveMailDialog::FailRun() {
    SetRunning(false);
    m_progress->setText(QString::fromLatin1(kSaveMailFailure));
}

void SaveMailDialog::Stop() {
    if (m_running) {
        m_run->Stop();
    }
}

void SaveMailDialog::Abort() {
    if (!m_host.Busy()) {
        return;
    }
    m_host.AbortSession();
    if (!m_host.Session().connection.Connected()) {
        m_abort->setEnabled(false);
    }
}

void SaveMailDialog::ShowOptions() {
    SaveOptions options = SaveOptionsOf(m_profile, MailFolderUse::SavedMail);
    SaveOptionsDialog dialog(m_context, options, this);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    StoreMailSaveSettings(m_profile, options.use, options.settings);
    ShowFolder();
}

void SaveMailDialog::reject() {
    if (m_host.Busy()) {
        m_host.ShowBusyBox();
        return;
    }
    QDialog::reject();
}

void SaveMailDialog::SetRunning(bool running) {
    m_running = running;
    m_save->setEnabled(!running);
    m_stop->setEnabled(running);
    m_abort->setEnabled(running);
}

void SaveMailDialog::ShowFolder() {
    m_folder->setText(ToQString(EffectiveMailFolder(
        MailSaveSettingsOf(m_profile, MailFolderUse::SavedMail), m_context.paths.mail_folder_root,
        m_profile.name, MailFolderUse::SavedMail)));
}

}  // namespace tarvox
