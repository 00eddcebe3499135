#include "ui/composer_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTextCursor>
#include <QUrl>
#include <QVBoxLayout>

#include <ctime>

#include "addressbook/address_book.h"
#include "codec/stored_text.h"
#include "compose/copy_self.h"
#include "compose/draft_file.h"
#include "compose/editor_lines.h"
#include "compose/gpg_function.h"
#include "compose/message_builder.h"
#include "compose/save_text.h"
#include "compose/send_preparation.h"
#include "config/configuration_file.h"
#include "config/file_io.h"
#include "message/address_list.h"
#include "message/html_filter.h"
#include "message/mail_file_name.h"
#include "ui/address_book_manager.h"
#include "ui/address_completer.h"
#include "ui/app_context.h"
#include "ui/composer_attachments_page.h"
#include "ui/composer_message_page.h"
#include "ui/composer_smtp_page.h"
#include "ui/page_fields.h"
#include "ui/qt_services.h"
#include "ui/qt_text.h"
#include "ui/recent_addresses_dialog.h"
#include "ui/save_options_dialog.h"
#include "ui/text_printer.h"
#include "ui/viewer_font.h"

namespace tarvox {

namespace {

constexpr const char* kReadyText = "Ready. Compose e-mail, then click Send.";
constexpr const char* kNoSubjectCaption = "{No subject}";
constexpr std::string_view kAbortCaption = "Abort";
constexpr std::string_view kAbortSendQuestion =
    "Tarvox is currently busy sending mail. Do you want to abort the send?";
constexpr std::string_view kCancelQuestion = "Cancel e-mail message?";
constexpr std::string_view kSendAbortedText = "Send aborted.";
constexpr std::string_view kSentText = "E-mail sent successfully!";
constexpr std::string_view kNewCaption = "New message";
constexpr std::string_view kNewQuestion = "Clear current message?";
// The body's menu and its context menu act on the editor only while it has
// the keyboard focus.
constexpr int kGpgFunctionCount = 4;

QAction* AddItem(QMenu* menu, const QString& text, const char* name) {
    QAction* action = menu->addAction(text);
    action->setObjectName(name);
    return action;
}

// The text of a file as the editor takes it: stored text, line ends as typed.
QString FileTextForEditor(const std::string& bytes) {
    QString text = ToQString(FromStoredText(bytes));
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

}  // namespace

ComposerWindow::ComposerWindow(AppContext& context, const ComposedMessage& start, Profile profile,
                               QWidget* parent)
    : QDialog(parent), m_context(context), m_profile(std::move(profile)) {
    setObjectName("composer");
    m_printer = [](QWidget* owner, const QString& title, std::string_view text) {
        PrintText(owner, title, text);
    };
    m_url_opener = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    const GlobalSettings& global = m_context.config.global;

    auto* layout = new QVBoxLayout(this);
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName("tabs");
    m_message_page = new ComposerMessagePage(m_tabs);
    m_attachments_page = new ComposerAttachmentsPage(*m_context.services, m_tabs);
    m_smtp_page = new ComposerSmtpPage(m_tabs);
    m_tabs->addTab(m_message_page, tr("Message"));
    m_tabs->addTab(m_attachments_page, tr("Attachments"));
    m_tabs->addTab(m_smtp_page, tr("SMTP"));
    layout->addWidget(m_tabs, 1);

    auto* buttons = new QHBoxLayout;
    m_gpg = MakeActionButton(tr("&GPG"), "gpg", this);
    m_gpg_list = new QComboBox(this);
    m_gpg_list->setObjectName("gpgFunction");
    for (const std::string_view name : kGpgFunctionNames) {
        m_gpg_list->addItem(ToQString(name));
    }
    m_gpg_list->setCurrentIndex(
        global.gpgfunc >= 0 && global.gpgfunc < kGpgFunctionCount ? global.gpgfunc : 0);
    m_send = MakeActionButton(tr("&Send"), "send", this);
    m_cancel = MakeActionButton(tr("&Cancel"), "cancel", this);
    buttons->addWidget(m_gpg);
    buttons->addWidget(m_gpg_list);
    buttons->addStretch();
    buttons->addWidget(m_send);
    buttons->addWidget(m_cancel);
    layout->addLayout(buttons);
    m_status = new QLabel(tr(kReadyText), this);
    m_status->setObjectName("status");
    m_status->setFrameShape(QFrame::StyledPanel);
    layout->addWidget(m_status);
    BuildMenu();

    const bool have_gpg = !global.gpgpath.empty();
    m_gpg->setEnabled(have_gpg);
    m_gpg_list->setEnabled(have_gpg);

    QPlainTextEdit* body = m_message_page->body();
    body->setFont(global.mvfixedf != 0 ? FontFromRecord(global.fixfont, FontRole::Fixed)
                                       : FontFromRecord(global.regfont, FontRole::Regular));
    body->setContextMenuPolicy(Qt::DefaultContextMenu);
    body->installEventFilter(this);
    m_message_page->ShowMessage(start);
    m_message_page->copy_self()->setChecked(global.copyself != 0);
    m_message_page->encrypt_self()->setChecked(global.encryptself != 0);
    m_message_page->encrypt_self()->setEnabled(have_gpg);
    m_attachments_page->SetAttachments(start.attachments);

    ShowProfile(m_profile);
    m_smtp_page->in_reply_to()->setText(ToQString(start.in_reply_to));
    m_smtp_page->references()->setText(ToQString(start.references));
    m_smtp_page->ShowFqdn(global.fqdn);
    UpdateCaption();
    UpdateAttachmentSummary();

    m_previous_dialog_parent = m_context.services->DialogParent();
    m_context.services->SetDialogParent(this);
    m_context.services->SetStatusLabel(StatusLine::Composer, m_status);

    connect(m_send, &QPushButton::clicked, this, &ComposerWindow::Send);
    connect(m_cancel, &QPushButton::clicked, this, &ComposerWindow::reject);
    connect(m_gpg, &QPushButton::clicked, this, &ComposerWindow::RunGpg);
    connect(m_message_page->subject(), &QLineEdit::textChanged, this,
            &ComposerWindow::UpdateCaption);
    connect(m_attachments_page, &ComposerAttachmentsPage::changed, this,
            &ComposerWindow::UpdateAttachmentSummary);
    connect(m_smtp_page, &ComposerSmtpPage::profileChosen, this, &ComposerWindow::ChooseProfile);
    connect(m_smtp_page, &ComposerSmtpPage::fqdnApplied, this,
            [this] { m_context.config.global.fqdn = m_smtp_page->fqdn(); });
    connect(m_message_page->copy_self(), &QCheckBox::toggled, this,
            [this](bool on) { m_context.config.global.copyself = on ? 1 : 0; });
    connect(m_message_page->encrypt_self(), &QCheckBox::toggled, this,
            [this](bool on) { m_context.config.global.encryptself = on ? 1 : 0; });
    connect(m_message_page->auto_bcc(), &QCheckBox::toggled, this, [this](bool on) {
        m_context.config.global.useautobcc = on ? 1 : 0;
        QLineEdit* bcc = m_message_page->bcc();
        if (on && bcc->text().isEmpty()) {
            bcc->setText(ToQString(m_profile.SMTPautobcc));
        }
    });
    connect(m_message_page->copy_self_options(), &QPushButton::clicked, this,
            &ComposerWindow::EditCopySelfOptions);
    // "Add&ress" and "Addr&ess books..." open the address book manager for
    // the address field that last had the focus (To at first).
    m_address_field = m_message_page->to();
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        for (QLineEdit* field : {m_message_page->to(), m_message_page->cc(), m_message_page->bcc(),
                                 m_smtp_page->from(), m_smtp_page->reply_to()}) {
            if (now == field) {
                m_address_field = field;
            }
        }
    });
    for (QPushButton* button : {m_message_page->address_button(), m_smtp_page->address_button()}) {
        connect(button, &QPushButton::clicked, this,
                [this] { OpenAddressBooks(m_context, this, m_address_field); });
    }
    QLineEdit* fields[] = {m_message_page->to(), m_message_page->cc(), m_message_page->bcc()};
    for (int field = 0; field < 3; ++field) {
        // Made after the fields are filled: what the window starts with is
        // not looked up.
        auto* completer = new AddressCompleter(
            fields[field], [&books = m_context.address_books](const std::string& typed) {
                return ResolveAddress(books, typed);
            });
        completer->SetActive(m_context.config.global.autoaddress != 0);
        m_completers.push_back(completer);
        connect(m_message_page->recent_button(field), &QPushButton::clicked, this,
                [this, box = fields[field]] { InsertRecentAddress(box); });
    }
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        m_edit_menu->setEnabled(now == m_message_page->body());
    });
    m_edit_menu->setEnabled(false);
    // A new message starts at To; a reply or a forward with recipients at the
    // top of the body.
    if (start.to.empty()) {
        m_message_page->to()->setFocus();
    } else {
        body->setFocus();
        body->moveCursor(QTextCursor::Start);
    }
    resize(640, 520);
}

ComposerWindow::~ComposerWindow() {
    // A send still running is aborted and joined before its request goes.
    m_worker.Stop([this] {
        if (m_abort) {
            m_abort->Abort();
        }
    });
    m_context.services->SetStatusSink(StatusLine::Composer, {});
    m_context.services->SetDialogParent(m_previous_dialog_parent);
}

void ComposerWindow::SetOpenPicker(FileOpenPicker picker) {
    m_open_picker = picker;
    m_attachments_page->SetOpenPicker(std::move(picker));
}

void ComposerWindow::BuildMenu() {
    auto* bar = new QMenuBar(this);
    layout()->setMenuBar(bar);
    QMenu* file = bar->addMenu(tr("&File"));
    connect(AddItem(file, tr("Addr&ess books..."), "addressBooksMenu"), &QAction::triggered, this,
            [this] { OpenAddressBooks(m_context, this, m_address_field); });
    connect(AddItem(file, tr("&Open e-mail..."), "openDraft"), &QAction::triggered, this,
            &ComposerWindow::OpenDraft);
    QMenu* save = file->addMenu(tr("&Save e-mail"));
    connect(AddItem(save, tr("Save &As..."), "saveAs"), &QAction::triggered, this,
            [this] { SaveDraft(false); });
    connect(AddItem(save, tr("A&ppend to..."), "appendTo"), &QAction::triggered, this,
            [this] { SaveDraft(true); });
    connect(AddItem(file, tr("&Print..."), "print"), &QAction::triggered, this,
            &ComposerWindow::Print);
    connect(AddItem(file, tr("&Close"), "close"), &QAction::triggered, this,
            &ComposerWindow::reject);

    QMenu* message = bar->addMenu(tr("&Message"));
    connect(AddItem(message, tr("&New"), "newMessage"), &QAction::triggered, this,
            &ComposerWindow::NewMessage);
    connect(AddItem(message, tr("&Send"), "sendMenu"), &QAction::triggered, this, [this] {
        if (m_send->isEnabled()) {
            Send();
        }
    });
    const char* tab_names[] = {"messageTab", "attachmentsTab", "smtpTab"};
    const QString tab_texts[] = {tr("&Message tab"), tr("&Attachments tab"), tr("SM&TP tab")};
    for (int tab = 0; tab < 3; ++tab) {
        connect(AddItem(message, tab_texts[tab], tab_names[tab]), &QAction::triggered, this,
                [this, tab] { m_tabs->setCurrentIndex(tab); });
    }
    connect(AddItem(message, tr("St&rip email addresses"), "stripAddresses"), &QAction::triggered,
            this, &ComposerWindow::StripAddresses);
    QAction* autocomplete = AddItem(message, tr("A&utocomplete addresses"), "autocomplete");
    autocomplete->setCheckable(true);
    autocomplete->setChecked(m_context.config.global.autoaddress != 0);
    connect(autocomplete, &QAction::toggled, this, [this](bool on) {
        m_context.config.global.autoaddress = on ? 1 : 0;
        for (AddressCompleter* completer : m_completers) {
            completer->SetActive(on);
        }
    });

    m_edit_menu = bar->addMenu(tr("&Edit"));
    QPlainTextEdit* body = m_message_page->body();
    connect(AddItem(m_edit_menu, tr("&Undo"), "undo"), &QAction::triggered, body,
            &QPlainTextEdit::undo);
    connect(AddItem(m_edit_menu, tr("Cu&t"), "cut"), &QAction::triggered, body,
            &QPlainTextEdit::cut);
    connect(AddItem(m_edit_menu, tr("&Copy"), "copy"), &QAction::triggered, body,
            &QPlainTextEdit::copy);
    connect(AddItem(m_edit_menu, tr("&Paste"), "paste"), &QAction::triggered, body,
            &QPlainTextEdit::paste);
    connect(AddItem(m_edit_menu, tr("&Delete"), "delete"), &QAction::triggered, body,
            [body] { body->textCursor().removeSelectedText(); });
    connect(AddItem(m_edit_menu, tr("Select &All"), "selectAll"), &QAction::triggered, body,
            &QPlainTextEdit::selectAll);
    m_edit_menu->addSeparator();
    connect(AddItem(m_edit_menu, tr("&Insert text file..."), "insertFile"), &QAction::triggered,
            this, &ComposerWindow::InsertTextFile);

    QAction* help = AddItem(bar->addMenu(tr("&Help")), tr("&Contents"), "help");
    connect(help, &QAction::triggered, this, [this] {
        if (m_context.show_help) {
            m_context.show_help(QStringLiteral("#composer"));
        }
    });
}

void ComposerWindow::ShowProfile(const Profile& profile) {
    const SendRequest request = SendRequestForProfile(profile, m_context.config.global);
    ComposedMessage sender = request.message;
    sender.in_reply_to = FromQString(m_smtp_page->in_reply_to()->text());
    sender.references = FromQString(m_smtp_page->references()->text());
    m_smtp_page->ListProfiles(m_context.config.profiles, profile.name);
    m_smtp_page->ShowSettings(request.smtp, sender);
    QCheckBox* auto_bcc = m_message_page->auto_bcc();
    auto_bcc->setEnabled(!profile.SMTPautobcc.empty());
    {
        const QSignalBlocker quiet(auto_bcc);
        auto_bcc->setChecked(m_context.config.global.useautobcc != 0);
    }
    QLineEdit* bcc = m_message_page->bcc();
    if (m_context.config.global.useautobcc != 0 && !profile.SMTPautobcc.empty() &&
        !bcc->text().contains(ToQString(profile.SMTPautobcc), Qt::CaseInsensitive)) {
        bcc->setText(bcc->text().isEmpty()
                         ? ToQString(profile.SMTPautobcc)
                         : bcc->text() + QStringLiteral(", ") + ToQString(profile.SMTPautobcc));
    }
}

void ComposerWindow::ChooseProfile(int index) {
    auto it = m_context.config.profiles.begin();
    if (index < 0 || index >= static_cast<int>(m_context.config.profiles.size())) {
        return;
    }
    std::advance(it, index);
    m_profile = *it;
    ShowProfile(m_profile);
}

ComposedMessage ComposerWindow::CurrentMessage() const {
    ComposedMessage message;
    m_message_page->ReadMessage(message);
    SmtpSendSettings unused;
    m_smtp_page->ReadSettings(unused, message);
    message.attachments = m_attachments_page->attachments();
    return message;
}

void ComposerWindow::Send() {
    if (m_worker.running()) {
        return;
    }
    auto request =
        std::make_unique<SendRequest>(SendRequestForProfile(m_profile, m_context.config.global));
    request->message = CurrentMessage();
    m_smtp_page->ReadSettings(request->smtp, request->message);
    request->fqdn = m_context.config.global.fqdn;
    if (!CheckBeforeSend(request->message, request->smtp, m_gpg_used, *m_context.services)) {
        return;
    }
    m_attachments_page->SetAttachments(request->message.attachments);
    // The copy is made before the send and stays whatever the send gives;
    // only a message that cannot be named stops it.
    if (m_message_page->copy_self()->isChecked() &&
        WriteCopyToSelf(request->message, m_profile, m_context.paths.mail_folder_root,
                        std::time(nullptr), *m_context.services) == CopySelfOutcome::NoValidName) {
        return;
    }
    // The stored profile keeps the fingerprint of an accepted certificate.
    Profile* stored = FindProfile(m_context.config.profiles, m_profile.name);
    request->recorded_smtp_fingerprint =
        stored != nullptr ? &TrustedFingerprint(stored->SMTPsslid, stored->SMTPsslid256) : nullptr;
    if (stored != nullptr) {
        request->record_smtp_fingerprint = [this, stored](const CertificateFingerprints& fingerprints) {
            QMetaObject::invokeMethod(
                this,
                [&] {
                    RecordAcceptedFingerprint(*stored, CertificateField::Smtp, fingerprints);
                    m_context.SaveSettings();
                },
                Qt::BlockingQueuedConnection);
        };
    }
    request->inbox_open = m_context.session != nullptr;
    request->idle_limit = m_idle_limit;
    m_request = std::move(request);
    m_abort = std::make_unique<SendAbortHandle>();
    m_send->setEnabled(false);
    m_worker.Run<bool>(
        *m_context.services,
        [this] {
            return SendWorker(&m_context.tls, *m_request, *m_context.services, m_abort.get());
        },
        [] {}, [this](std::optional<bool> sent) { SendEnded(sent.value_or(false)); });
}

void ComposerWindow::SendEnded(bool sent) {
    m_request.reset();
    if (!sent) {
        m_send->setEnabled(true);
        return;
    }
    m_context.services->ShowMessage(kSentText, "Tarvox", BoxIcon::Information);
    Finish(true);
}

void ComposerWindow::Finish(bool sent) {
    if (m_finished) {
        return;
    }
    m_finished = true;
    m_sent = sent;
    m_context.config.global.gpgfunc = m_gpg_list->currentIndex();
    RememberRecipients(m_context.address_books, FromQString(m_message_page->to()->text()),
                       FromQString(m_message_page->cc()->text()),
                       FromQString(m_message_page->bcc()->text()));
    done(sent ? QDialog::Accepted : QDialog::Rejected);
}

void ComposerWindow::reject() {
    FrontendServices& services = *m_context.services;
    if (m_worker.running()) {
        if (services.ShowMessage(kAbortSendQuestion, kAbortCaption, BoxIcon::Warning,
                                 BoxButtons::YesNo) == BoxAnswer::Yes) {
            m_status->setText(ToQString(kSendAbortedText));
            m_abort->Abort();
        }
        return;
    }
    if (services.ShowMessage(kCancelQuestion, kAbortCaption, BoxIcon::Question,
                             BoxButtons::YesNo) == BoxAnswer::Yes) {
        Finish(false);
    }
}

void ComposerWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
    reject();
}

void ComposerWindow::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    // The window the composer stands in front of goes down and comes back
    // with it.
    if (event->type() != QEvent::WindowStateChange || parentWidget() == nullptr) {
        return;
    }
    QWidget* owner = parentWidget()->window();
    if (isMinimized()) {
        owner->showMinimized();
    } else if (owner->isMinimized()) {
        owner->showNormal();
    }
}

bool ComposerWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_message_page->body() && event->type() == QEvent::ContextMenu) {
        const std::unique_ptr<QMenu> menu = BuildBodyMenu();
        menu->exec(static_cast<QContextMenuEvent*>(event)->globalPos());
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

std::unique_ptr<QMenu> ComposerWindow::BuildBodyMenu() {
    auto menu = std::make_unique<QMenu>(this);
    QPlainTextEdit* body = m_message_page->body();
    const std::string text = FromQString(body->toPlainText());
    const std::vector<std::string> links = FindLinks(text, 0, text.size());
    if (!links.empty()) {
        QMenu* launch = menu->addMenu(tr("Launch URL"));
        for (const std::string& link : links) {
            QAction* item = launch->addAction(ToQString(link));
            item->setObjectName("link");
            connect(item, &QAction::triggered, this,
                    [this, link] { m_url_opener(QUrl::fromUserInput(ToQString(link))); });
        }
        menu->addSeparator();
    }
    for (QAction* action : m_edit_menu->actions()) {
        if (action->objectName() == "insertFile") {
            break;
        }
        menu->addAction(action);
        if (action->objectName() == "undo" || action->objectName() == "delete") {
            menu->addSeparator();
        }
    }
    return menu;
}

void ComposerWindow::NewMessage() {
    if (m_context.services->ShowMessage(kNewQuestion, kNewCaption, BoxIcon::Question,
                                        BoxButtons::YesNo) != BoxAnswer::Yes) {
        return;
    }
    m_message_page->ShowMessage(ComposedMessage{});
    m_message_page->copy_self()->setChecked(false);
    m_attachments_page->SetAttachments({});
}

void ComposerWindow::InsertRecentAddress(QLineEdit* field) {
    const std::optional<std::string> picked =
        PickRecentAddress(m_context.address_books.recently_used, m_context, this);
    if (!picked) {
        return;
    }
    const QString address = ToQString(*picked);
    field->setText(field->text().trimmed().isEmpty()
                       ? address
                       : field->text() + QStringLiteral(", ") + address);
}

void ComposerWindow::StripAddresses() {
    for (QLineEdit* field : {m_message_page->to(), m_message_page->cc(), m_message_page->bcc()}) {
        field->setText(ToQString(BareAddresses(FromQString(field->text()))));
    }
}

void ComposerWindow::InsertTextFile() {
    const QString path = m_open_picker(this, {{}, tr("All files (*.*)"), {}, {}});
    if (path.isEmpty()) {
        return;
    }
    const std::optional<std::string> bytes = ReadFileBytes(FromQString(path));
    if (!bytes) {
        m_context.services->ShowMessage("Unable to read from file", "Insert text file",
                                        BoxIcon::Error);
        return;
    }
    m_message_page->body()->textCursor().insertText(FileTextForEditor(*bytes));
}

void ComposerWindow::OpenDraft() {
    const QString path = m_open_picker(this, {{}, tr("All files (*)"), {}, {}});
    if (path.isEmpty()) {
        return;
    }
    ComposedMessage message = CurrentMessage();
    if (!ReadDraftFile(FromQString(path), m_attachments_page->chosen_type(), message)) {
        m_context.services->ShowMessage("Unable to read from file", "Open e-mail", BoxIcon::Error);
        return;
    }
    m_message_page->ShowMessage(message);
    ComposedMessage sender = message;
    SmtpSendSettings smtp;
    m_smtp_page->ReadSettings(smtp, sender);
    m_smtp_page->ShowSettings(smtp, message);
    m_attachments_page->SetAttachments(message.attachments);
}

void ComposerWindow::SaveDraft(bool append) {
    const std::string text = ComposeText(CurrentMessage(), true, std::time(nullptr));
    QString chosen;
    if (append) {
        chosen = m_open_picker(this, {tr("Append to file"), {}, {}, {}});
    } else {
        FileSaveRequest request;
        request.filter = tr("All files (*)");
        chosen = m_save_picker(this, request);
    }
    if (!chosen.isEmpty()) {
        SaveTextToFile(*m_context.services, FromQString(chosen), text,
                       append ? SaveTextMode::Append : SaveTextMode::Replace, InboxStatusShown::No);
    }
}

void ComposerWindow::Print() {
    m_printer(this, QStringLiteral("Tarvox: Composer"),
              ComposeText(CurrentMessage(), true, std::time(nullptr)));
}

void ComposerWindow::RunGpg() {
    // The message counts as processed by GnuPG whatever the run gives.
    m_gpg_used = true;
    const ComposedMessage message = CurrentMessage();
    GpgRequest request;
    request.gpg_path = m_context.config.global.gpgpath;
    request.function_index = m_gpg_list->currentIndex();
    request.to = message.to;
    request.cc = message.cc;
    request.bcc = message.bcc;
    request.encrypt_to_self = m_message_page->encrypt_self()->isChecked();
    request.own_address = m_profile.SMTPaddress;
    request.body = ComposeText(message, false, std::time(nullptr));
    if (const std::optional<std::string> output = ApplyGpgFunction(request, *m_context.services)) {
        ComposedMessage shown = message;
        shown.body_lines = EditorLinesFromText(*output);
        m_message_page->ShowMessage(shown);
    }
}

void ComposerWindow::EditCopySelfOptions() {
    SaveOptions options = SaveOptionsOf(m_profile, MailFolderUse::CopyToSelf);
    SaveOptionsDialog dialog(m_context, options, this);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    StoreMailSaveSettings(m_profile, MailFolderUse::CopyToSelf, options.settings);
    if (Profile* stored = FindProfile(m_context.config.profiles, m_profile.name)) {
        StoreMailSaveSettings(*stored, MailFolderUse::CopyToSelf, options.settings);
    }
}

void ComposerWindow::UpdateCaption() {
    const QString subject = m_message_page->subject()->text();
    setWindowTitle(subject.isEmpty() ? QString::fromLatin1(kNoSubjectCaption) : subject);
}

void ComposerWindow::UpdateAttachmentSummary() {
    m_message_page->attachment_summary()->setText(m_attachments_page->summary());
}

bool RunComposer(AppContext& context, ComposedMessage start, QWidget* owner) {
    Profile profile = context.working;
    if (profile.name.empty()) {
        if (const Profile* last =
                FindProfile(context.config.profiles, context.config.global.last)) {
            profile = *last;
        }
    }
    ComposerWindow window(context, start, std::move(profile), owner);
    window.exec();
    return window.sent();
}

}  // namespace tarvox
