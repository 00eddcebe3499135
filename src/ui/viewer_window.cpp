#include "ui/viewer_window.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QFontDialog>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QTextCursor>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <ctime>
#include <memory>
#include <optional>
#include <random>

#include "codec/utf8.h"
#include "compose/gpg_block.h"
#include "compose/quoting.h"
#include "compose/reply_text.h"
#include "compose/save_text.h"
#include "config/file_io.h"
#include "message/html_filter.h"
#include "protocols/message_deletion.h"
#include "protocols/pop_session.h"
#include "protocols/reply_mark.h"
#include "protocols/viewer_download.h"
#include "protocols/viewer_walk.h"
#include "addressbook/book_edits.h"
#include "ui/address_book_manager.h"
#include "ui/app_context.h"
#include "ui/editor_display_lines.h"
#include "ui/page_fields.h"
#include "ui/qt_services.h"
#include "ui/qt_text.h"
#include "ui/reply_options_dialog.h"
#include "ui/session_host.h"
#include "ui/text_printer.h"
#include "ui/viewer_font.h"
#include "ui/window_placement.h"

namespace tarvox {

namespace {

constexpr std::size_t kReformatColumns = 75;

constexpr const char* kReformatRefused =
    "Can only reformat and wrap the formatted view (turn off raw view)";

// The text control shows LF lines; the message keeps CR LF.
QString ToShownText(std::string_view text) {
    QString shown = ToQString(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return shown;
}

// The character offset that a position of the text control stands for in
// the text its display lines make together: the control counts UTF-16 units
// and one unit for a paragraph break, the display lines characters and CR LF.
std::size_t CharacterOffset(const QString& shown, int position) {
    const QString before = shown.left(position);
    return CharacterCount(FromQString(before)) + static_cast<std::size_t>(before.count('\n'));
}

// The text control's display lines as it lays them out: the last line of
// each paragraph but the final one ends in CR LF. A paragraph not laid out
// yet counts as one line. The selection as character offsets into them.
ViewerEditorText EditorTextOf(const QPlainTextEdit& edit) {
    ViewerEditorText text;
    text.lines = EditorDisplayLines(edit);
    const QString shown = edit.toPlainText();
    const QTextCursor cursor = edit.textCursor();
    text.selection_start = CharacterOffset(shown, cursor.selectionStart());
    text.selection_end = CharacterOffset(shown, cursor.selectionEnd());
    return text;
}

bool PickFont(QWidget* parent, bool fixed_only, QFont& font) {
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(
        &ok, font, parent, QString(),
        fixed_only ? QFontDialog::MonospacedFonts : QFontDialog::FontDialogOptions());
    if (ok) {
        font = chosen;
    }
    return ok;
}

QAction* MakeAction(QMenu* menu, const QString& text, const char* name, bool enabled = true) {
    QAction* action = menu->addAction(text);
    action->setObjectName(name);
    action->setEnabled(enabled);
    return action;
}

}  // namespace

ViewerWindow::ViewerWindow(AppContext& context, std::string message_text, ViewerSource source,
                           QWidget* parent)
    : QDialog(parent),
      m_context(context),
      m_source(std::move(source)),
      m_message(std::make_unique<ViewedMessage>(std::string(), ViewerOptions{})),
      m_save_picker(PickSaveFile),
      m_open_picker(PickExistingFile),
      m_printer(PrintText),
      m_url_opener([](const QUrl& url) { return QDesktopServices::openUrl(url); }),
      m_font_picker(PickFont) {
    const GlobalSettings& settings = m_context.config.global;
    m_draw = [engine = std::minstd_rand(static_cast<unsigned>(std::time(nullptr)))]() mutable {
        return static_cast<std::uint32_t>(engine());
    };

    setWindowTitle(m_source.kind == ViewerSource::Kind::File ? ToQString(m_source.file_path)
                                                             : m_source.row_title);
    auto* layout = new QVBoxLayout(this);
    BuildMenus(layout);

    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName("tabs");
    m_text = new QPlainTextEdit(m_tabs);
    m_text->setObjectName("messageText");
    m_text->setReadOnly(settings.viewer_ro == 1);
    m_text->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_text->setContextMenuPolicy(Qt::CustomContextMenu);
    m_text->installEventFilter(this);
    connect(m_text, &QPlainTextEdit::customContextMenuRequested, this, [this](const QPoint& at) {
        std::unique_ptr<QMenu> menu = BuildContextMenu();
        menu->exec(m_text->mapToGlobal(at));
    });
    m_tabs->addTab(m_text, tr("Message Text"));
    m_tabs->addTab(BuildAttachmentsPage(), tr("Attachments"));
    layout->addWidget(m_tabs, 1);
    BuildButtons(layout);

    m_fixed_font = FontFromRecord(settings.fixfont, FontRole::Fixed);
    m_regular_font = FontFromRecord(settings.regfont, FontRole::Regular);
    action("fixedFont")->setChecked(settings.mvfixedf == 1);
    ApplyFont();
    RestorePlacement();
    m_tabs->setCurrentIndex(0);

    if (m_source.kind == ViewerSource::Kind::Mail && m_source.host != nullptr) {
        StartDownload();
    } else {
        LoadText(std::move(message_text));
        m_loaded = true;
    }
}

ViewerWindow::~ViewerWindow() = default;

QAction* ViewerWindow::action(const char* name) const {
    for (QAction* item : m_actions) {
        if (item->objectName() == QLatin1String(name)) {
            return item;
        }
    }
    return nullptr;
}

void ViewerWindow::BuildMenus(QVBoxLayout* layout) {
    auto* bar = new QMenuBar(this);
    layout->setMenuBar(bar);

    // Address books come with the address book window.
    QMenu* file = bar->addMenu(tr("&File"));
    QAction* archive = MakeAction(file, tr("A&rchive..."), "archive");
    connect(archive, &QAction::triggered, this, &ViewerWindow::Archive);
    m_actions.push_back(archive);
    QMenu* save = file->addMenu(tr("&Save"));
    QAction* save_as = MakeAction(save, tr("Save &As..."), "saveAs");
    connect(save_as, &QAction::triggered, this, &ViewerWindow::SaveAs);
    m_actions.push_back(save_as);
    QAction* append_to = MakeAction(save, tr("A&ppend to..."), "appendTo");
    connect(append_to, &QAction::triggered, this, &ViewerWindow::AppendTo);
    m_actions.push_back(append_to);
    QAction* print = MakeAction(file, tr("&Print..."), "print");
    connect(print, &QAction::triggered, this, &ViewerWindow::Print);
    m_actions.push_back(print);
    QAction* books = MakeAction(file, tr("Addr&ess books..."), "addressBooks");
    // The sender's first address is offered for adding to a book.
    connect(books, &QAction::triggered, this, [this] {
        OpenAddressBooks(m_context, this, nullptr, SenderEntry(m_message->summary().from));
    });
    m_actions.push_back(books);
    file->addSeparator();
    QAction* close = MakeAction(file, tr("&Close"), "close");
    connect(close, &QAction::triggered, this, &QDialog::reject);
    m_actions.push_back(close);

    QMenu* edit = bar->addMenu(tr("&Edit"));
    QAction* copy = MakeAction(edit, tr("&Copy\tCTRL+C"), "copy");
    connect(copy, &QAction::triggered, this, [this] { m_text->copy(); });
    m_actions.push_back(copy);
    QAction* select_all = MakeAction(edit, tr("Select &All\tCTRL+A"), "selectAll");
    connect(select_all, &QAction::triggered, this, [this] { m_text->selectAll(); });
    m_actions.push_back(select_all);

    QMenu* message = bar->addMenu(tr("&Message"));
    QAction* raw = MakeAction(message, tr("&Raw view"), "rawView");
    raw->setCheckable(true);
    connect(raw, &QAction::triggered, this, &ViewerWindow::ToggleRawView);
    m_actions.push_back(raw);
    QAction* set_font = MakeAction(message, tr("&Set font"), "setFont");
    connect(set_font, &QAction::triggered, this, &ViewerWindow::SetFont);
    m_actions.push_back(set_font);
    QAction* fixed = MakeAction(message, tr("Fi&xed width font"), "fixedFont");
    fixed->setCheckable(true);
    connect(fixed, &QAction::triggered, this, &ViewerWindow::ToggleFixedFont);
    m_actions.push_back(fixed);
    QAction* reformat = MakeAction(message, tr("Reformat to &width 75"), "reformat");
    connect(reformat, &QAction::triggered, this, &ViewerWindow::ReformatToWidth75);
    m_actions.push_back(reformat);
    message->addSeparator();
    QAction* message_tab = MakeAction(message, tr("&Message tab"), "messageTab");
    connect(message_tab, &QAction::triggered, this, [this] { m_tabs->setCurrentIndex(0); });
    m_actions.push_back(message_tab);
    QAction* attachments_tab = MakeAction(message, tr("&Attachments tab"), "attachmentsTab");
    connect(attachments_tab, &QAction::triggered, this, [this] { m_tabs->setCurrentIndex(1); });
    m_actions.push_back(attachments_tab);
    message->addSeparator();
    QAction* forward = MakeAction(message, tr("&Forward"), "forward");
    connect(forward, &QAction::triggered, this, &ViewerWindow::Forward);
    m_actions.push_back(forward);
    QAction* reply = MakeAction(message, tr("Re&ply"), "reply");
    connect(reply, &QAction::triggered, this, &ViewerWindow::Reply);
    m_actions.push_back(reply);

    QAction* help = bar->addAction(tr("&Help"));
    help->setObjectName("help");
    connect(help, &QAction::triggered, this, [this] {
        if (m_context.show_help) {
            m_context.show_help(QStringLiteral("#viewer"));
        }
    });
    m_actions.push_back(help);
}

void ViewerWindow::BuildButtons(QVBoxLayout* layout) {
    auto* buttons = new QHBoxLayout;
    const std::pair<const char*, const char*> commands[] = {
        {"&Previous", "previous"}, {"&Next", "next"},   {"&Delete", "delete"},
        {"&Reply", "reply"},       {"&Abort", "abort"}, {"&GnuPG", "gnupg"}};
    for (const auto& [text, name] : commands) {
        QPushButton* button = MakeActionButton(tr(text), name, this);
        buttons->addWidget(button);
        m_buttons.push_back(button);
    }
    buttons->addStretch(1);
    layout->addLayout(buttons);
    m_status = new QLabel(this);
    m_status->setTextFormat(Qt::PlainText);
    m_status->setObjectName("status");
    m_status->setFrameShape(QFrame::Panel);
    m_status->setFrameShadow(QFrame::Sunken);
    layout->addWidget(m_status);

    const bool mail = m_source.kind == ViewerSource::Kind::Mail;
    button("previous")->setEnabled(mail);
    button("next")->setEnabled(mail);
    // Delete and Reply wait for the download.
    button("delete")->setEnabled(false);
    button("reply")->setEnabled(false);
    button("abort")->setEnabled(false);
    button("gnupg")->setEnabled(!m_context.config.global.gpgpath.empty());
    connect(button("previous"), &QPushButton::clicked, this, &ViewerWindow::Previous);
    connect(button("next"), &QPushButton::clicked, this, &ViewerWindow::Next);
    connect(button("delete"), &QPushButton::clicked, this, &ViewerWindow::DeleteMessage);
    connect(button("reply"), &QPushButton::clicked, this, &ViewerWindow::Reply);
    connect(button("abort"), &QPushButton::clicked, this, &ViewerWindow::Abort);
    connect(button("gnupg"), &QPushButton::clicked, this, &ViewerWindow::RunGnuPg);
}

QPushButton* ViewerWindow::button(const char* name) const {
    for (QPushButton* item : m_buttons) {
        if (item->objectName() == QLatin1String(name)) {
            return item;
        }
    }
    return nullptr;
}

void ViewerWindow::LoadText(std::string text) {
    const GlobalSettings& settings = m_context.config.global;
    ViewerOptions options;
    options.all_headers = settings.allheaders == 1;
    options.html_filter = settings.htmlfilt == 1 ? HtmlFilterMode::Filter : HtmlFilterMode::ShowRaw;
    const MessageOrigin origin =
        m_source.kind == ViewerSource::Kind::File ? MessageOrigin::File : MessageOrigin::Server;
    m_message = std::make_unique<ViewedMessage>(std::move(text), options, origin);
    m_display_text = m_message->display_text();
    if (!m_message->unknown_charset().empty()) {
        m_status->setText(ToQString(UnknownCharsetText(m_message->unknown_charset())));
    }
    ShowText();
    m_attachments->clear();
    for (const ViewedAttachment& attachment : m_message->attachments()) {
        auto* row = new QTreeWidgetItem(m_attachments);
        row->setText(0, ToQString(attachment.display_name));
        row->setText(1, ToQString(attachment.label));
    }
    if (!m_message->attachments().empty()) {
        m_tabs->tabBar()->setTabTextColor(1, palette().color(QPalette::Highlight));
    }
    button("reply")->setEnabled(true);
}

void ViewerWindow::StartDownload() {
    SessionHost& host = *m_source.host;
    QtServices& services = *m_context.services;
    // While the viewer is open its status line takes the session's texts and
    // its boxes stand over it; the inbox takes both back when it closes.
    services.SetStatusLabel(StatusLine::Inbox, m_status);
    services.SetStatusLabel(StatusLine::InboxProgress, m_status);
    services.SetDialogParent(this);
    if (host.Busy()) {
        // The inbox opens a viewer only when idle; should a keep-alive have
        // slipped in, the viewer stays empty rather than share the session.
        host.ShowBusyBox();
        return;
    }
    button("abort")->setEnabled(true);

    const ViewerDownloadRequest request{static_cast<std::uint32_t>(m_source.pop3_number),
                                        m_source.preview, m_source.preview_lines};
    auto download = std::make_shared<ViewerDownload>();
    PopSession& session = host.Session();
    host.RunSessionJob([&session, &services, request,
                        download] { *download = DownloadForViewer(session, request, services); },
                       [window = QPointer<ViewerWindow>(this), download] {
                           if (window) {
                               window->DownloadEnded(*download);
                           }
                       });
}

void ViewerWindow::DownloadEnded(const ViewerDownload& download) {
    m_loaded = true;
    button("abort")->setEnabled(false);
    if (download.Shown()) {
        m_status->setText(tr(kViewerLoadedText));
        LoadText(download.text);
        button("delete")->setEnabled(true);
    }
    emit idle();
}

bool ViewerWindow::Busy() const {
    return m_source.host != nullptr && m_source.host->Busy();
}

void ViewerWindow::Next() {
    if (Busy()) {
        m_source.host->ShowBusyBox();
        return;
    }
    done(static_cast<int>(ViewerStep::Next));
}

void ViewerWindow::Previous() {
    if (Busy()) {
        m_source.host->ShowBusyBox();
        return;
    }
    done(static_cast<int>(ViewerStep::Previous));
}

void ViewerWindow::reject() {
    if (Busy()) {
        m_source.host->ShowBusyBox();
        return;
    }
    QDialog::reject();
}

void ViewerWindow::DeleteMessage() {
    if (m_source.host == nullptr || !button("delete")->isEnabled()) {
        return;
    }
    FrontendServices& services = *m_context.services;
    if (!UserConfirmsDeletion(m_context.config.global, services)) {
        return;
    }
    if (Busy()) {
        m_source.host->ShowBusyBox();
        return;
    }
    m_status->setText(tr("Deleting message..."));
    button("delete")->setEnabled(false);
    m_deleted = true;
    if (m_source.remove_row) {
        m_source.remove_row();
    }
    button("abort")->setEnabled(true);
    PopSession& session = m_source.host->Session();
    const auto number = static_cast<std::uint32_t>(m_source.pop3_number);
    m_source.host->RunSessionJob(
        [&session, &services, number] {
            // The row is gone already; the list is not touched from here. A
            // lost connection closes the inbox, which ends this window too.
            PopDelete(session, number, true, services, [](std::uint32_t) {});
        },
        [window = QPointer<ViewerWindow>(this)] {
            if (window) {
                window->button("abort")->setEnabled(false);
                emit window->idle();
            }
        });
}

void ViewerWindow::Abort() {
    if (m_source.host != nullptr) {
        m_source.host->AbortSession();
    }
}

bool ViewerWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_text && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        if (button("delete")->isEnabled()) {
            DeleteMessage();
        }
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

ViewerWindow::Chosen ViewerWindow::ChosenText(ChosenUse use) {
    QTextCursor cursor = m_text->textCursor();
    if (cursor.hasSelection() &&
        m_context.services->ShowMessage("Restrict action to current selection?", "Selection",
                                        BoxIcon::Question, BoxButtons::YesNo) == BoxAnswer::Yes) {
        // Lines of a selection are split by U+2029; the program's texts use
        // CR LF.
        QString selected = cursor.selectedText();
        selected.replace(QChar::ParagraphSeparator, QStringLiteral("\r\n"));
        return {FromQString(selected)};
    }
    if (m_raw_view) {
        return use == ChosenUse::File ? Chosen{m_message->message_text(), TextForm::Bytes}
                                      : Chosen{m_message->raw_display_text()};
    }
    return {m_display_text};
}

void ViewerWindow::SaveAs() {
    const Chosen text = ChosenText(ChosenUse::File);
    FileSaveRequest request;
    request.filter = tr("All files (*)");
    const QString chosen = m_save_picker(this, request);
    if (chosen.isEmpty()) {
        return;
    }
    SaveTextToFile(*m_context.services, FromQString(chosen), text.text, SaveTextMode::Replace,
                   InboxStatusShown::Yes, text.form);
}

void ViewerWindow::AppendTo() {
    const Chosen text = ChosenText(ChosenUse::File);
    FileOpenRequest request;
    request.title = tr("Append to file");
    const QString chosen = m_open_picker(this, request);
    if (chosen.isEmpty()) {
        return;
    }
    SaveTextToFile(*m_context.services, FromQString(chosen), text.text, SaveTextMode::Append,
                   InboxStatusShown::Yes, text.form);
}

void ViewerWindow::Print() {
    WarnIfLongText();
    m_printer(this, QStringLiteral("Tarvox: Viewer"), ChosenText(ChosenUse::Print).text);
    QTextCursor cursor = m_text->textCursor();
    cursor.clearSelection();
    m_text->setTextCursor(cursor);
}

void ViewerWindow::Archive() {
    FileSaveRequest request;
    request.title = tr("Select archive file");
    request.filter = tr("All files (*)");
    request.confirm_overwrite = false;
    const QString chosen = m_save_picker(this, request);
    if (chosen.isEmpty()) {
        return;
    }
    m_status->setText(tr("Archiving message..."));
    if (SaveTextToFile(*m_context.services, FromQString(chosen), m_message->message_text(),
                       SaveTextMode::Archive, InboxStatusShown::No)) {
        m_status->setText(tr("Message archived."));
    }
}

void ViewerWindow::RunGnuPg() {
    const std::optional<std::string> shown = ApplyGpgToPgpBlock(
        FromQString(m_text->toPlainText()), m_context.config.global.gpgpath, *m_context.services);
    if (shown) {
        m_text->setPlainText(ToShownText(*shown));
    }
}

void ViewerWindow::ShowText() {
    m_text->setPlainText(ToShownText(m_raw_view ? m_message->raw_display_text() : m_display_text));
}

void ViewerWindow::ApplyFont() {
    const QFont& font = action("fixedFont")->isChecked() ? m_fixed_font : m_regular_font;
    m_text->setFont(font);
    // Tab stops every eight characters, so that the header block's labels
    // ("Date:" and two tabs, "Subject:" and one) line up as in a terminal.
    m_text->setTabStopDistance(8 * QFontMetricsF(font).averageCharWidth());
}

void ViewerWindow::ToggleRawView() {
    m_raw_view = !m_raw_view;
    action("rawView")->setChecked(m_raw_view);
    ShowText();
}

void ViewerWindow::ToggleFixedFont() {
    int& fixed = m_context.config.global.mvfixedf;
    fixed = fixed == 1 ? 0 : 1;
    action("fixedFont")->setChecked(fixed == 1);
    ApplyFont();
}

void ViewerWindow::WarnIfLongText() {
    WarnIfLongViewerText(*m_context.services,
                         static_cast<std::size_t>(m_text->document()->blockCount()));
}

void ViewerWindow::Reply() {
    WarnIfLongText();
    ReplyOptionsDialog options(m_context, m_message->reply_values(), m_message->summary().to, this);
    if (options.exec() != QDialog::Accepted) {
        return;
    }
    std::optional<ReplyMark> mark;
    if (m_source.list != nullptr) {
        mark = MarkReplied(*m_source.list, static_cast<std::uint32_t>(m_source.pop3_number));
    }
    if (mark && m_source.refresh_row) {
        m_source.refresh_row();
    }
    const bool sent = Compose(
        StartReply(*m_message, EditorTextOf(*m_text), options.reply_addresses(),
                   ReplySettingsOf(m_context.config.global), m_context.working.SMTPsigfile));
    if (mark && !sent) {
        UndoReplyMark(*m_source.list, *mark);
        if (m_source.refresh_row) {
            m_source.refresh_row();
        }
    }
}

void ViewerWindow::Forward() {
    Compose(StartForward(*m_message, EditorTextOf(*m_text), m_context.working.SMTPsigfile));
}

bool ViewerWindow::Compose(ComposedMessage message) {
    return m_context.compose && m_context.compose(std::move(message), this);
}

void ViewerWindow::ReformatToWidth75() {
    if (m_raw_view) {
        m_context.services->ShowMessage(kReformatRefused, "", BoxIcon::Warning);
        return;
    }
    WarnIfLongText();
    m_display_text =
        WrapText(FromQString(m_text->toPlainText()), kReformatColumns, QuoteMarker::None);
    ShowText();
}

void ViewerWindow::SetFont() {
    const bool fixed = action("fixedFont")->isChecked();
    QFont& font = fixed ? m_fixed_font : m_regular_font;
    QFont chosen = font;
    if (!m_font_picker(this, fixed, chosen)) {
        return;
    }
    font = chosen;
    (fixed ? m_context.config.global.fixfont : m_context.config.global.regfont) =
        RecordFromFont(font);
    ApplyFont();
}

void ViewerWindow::RestorePlacement() {
    RestoreWindowPlacement(*this, m_context.config.global.mvsize);
}

void ViewerWindow::SavePlacement() {
    StoreWindowPlacement(*this, m_context.config.global.mvsize);
}

void ViewerWindow::done(int result) {
    SavePlacement();
    QDialog::done(result);
}

std::unique_ptr<QMenu> ViewerWindow::BuildContextMenu() {
    std::unique_ptr<QMenu> menu(m_text->createStandardContextMenu());
    const QTextCursor cursor = m_text->textCursor();
    const QString shown = m_text->toPlainText();
    // The cursor counts UTF-16 units; the text is searched as UTF-8 bytes.
    const auto byte_offset = [&shown](int position) {
        return FromQString(shown.left(position)).size();
    };
    const std::vector<std::string> links =
        FindLinks(FromQString(shown), byte_offset(cursor.selectionStart()),
                  byte_offset(cursor.selectionEnd()));
    if (!links.empty()) {
        menu->addSeparator();
    }
    for (const std::string& link : links) {
        QAction* item = menu->addAction(ToQString(link));
        item->setObjectName("link");
        connect(item, &QAction::triggered, this, [this, link] {
            // "www.example.com" has no scheme; the desktop needs one.
            QUrl url = QUrl::fromUserInput(ToQString(link));
            m_url_opener(url);
        });
    }
    return menu;
}

void RunViewerOnFile(AppContext& context, const std::string& path) {
    std::string text = ReadMessageFile(path, *context.services).value_or(std::string());
    ViewerSource source;
    source.kind = ViewerSource::Kind::File;
    source.file_path = path;
    ViewerWindow window(context, std::move(text), std::move(source));
    window.exec();
}

}  // namespace tarvox
