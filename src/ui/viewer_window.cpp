#include "ui/viewer_window.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextCursor>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "compose/quoting.h"
#include "message/attachment_safety.h"
#include "message/html_filter.h"
#include "ui/app_context.h"
#include "ui/block_list_dialog.h"
#include "ui/qt_services.h"
#include "ui/qt_text.h"
#include "ui/window_placement.h"
#include "ui/viewer_font.h"

namespace tarvox {

namespace {

constexpr int kLongTextLines = 1000;
constexpr std::size_t kReformatColumns = 75;

constexpr const char* kReformatRefused =
    "Can only reformat and wrap the formatted view (turn off raw view)";
constexpr const char* kLongTextWarning =
    "There is a substantial amount of text shown (is raw view on?) The attempted operation "
    "may take a long time to complete.";
constexpr const char* kPreviewWarning =
    "Because only a part of the entire message is shown, attachments will most likely not be "
    "recognized correctly. Use View instead of Preview to download the entire message.";
constexpr const char* kBlockedQuestion =
    "This attachment's file type is on Tarvox's \"block list\" of potentially dangerous file "
    "extensions. This file may carry a VIRUS or TROJAN and could infect your system.\n\n"
    "It is recommended that you DO NOT save this file to disk.\n"
    "Do you really want to save this file?";
constexpr const char* kBlockedView =
    "This attachment's file extension is on Tarvox's \"block list\". The file was saved to "
    "disk but it can not be executed.\n\nView/Execute denied - potentially dangerous file.";
constexpr const char* kNotOpened =
    "The executable attachment was saved to disk but was NOT opened.";
constexpr const char* kNoViewer = "Could not invoke default viewer";
constexpr const char* kDeleteQuestion =
    "Delete this file? (If last save was for temporary viewing)";

// The text control shows LF lines; the message keeps CR LF.
QString ToShownText(std::string_view text) {
    QString shown = ToQString(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return shown;
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
      m_save_picker(PickSaveFile),
      m_url_opener([](const QUrl& url) { return QDesktopServices::openUrl(url); }),
      m_font_picker(PickFont) {
    const GlobalSettings& settings = m_context.config.global;
    ViewerOptions options;
    options.all_headers = settings.allheaders == 1;
    options.html_filter = settings.htmlfilt == 1 ? HtmlFilterMode::Filter : HtmlFilterMode::ShowRaw;
    // The text is formatted here, on the GUI thread: it is already in memory.
    m_message = std::make_unique<ViewedMessage>(std::move(message_text), options);
    m_display_text = m_message->display_text();

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
    connect(m_text, &QPlainTextEdit::customContextMenuRequested, this, [this](const QPoint& at) {
        std::unique_ptr<QMenu> menu = BuildContextMenu();
        menu->exec(m_text->mapToGlobal(at));
    });
    m_tabs->addTab(m_text, tr("Message Text"));
    m_tabs->addTab(BuildAttachmentsPage(), tr("Attachments"));
    layout->addWidget(m_tabs, 1);

    // Next, Previous, Delete, Reply and Abort act on the inbox and its
    // connection, and GnuPG runs the decrypt/verify step; all come later.
    auto* buttons = new QHBoxLayout;
    const std::pair<const char*, const char*> later[] = {
        {"&Previous", "previous"}, {"&Next", "next"},   {"&Delete", "delete"},
        {"&Reply", "reply"},       {"&Abort", "abort"}, {"&GnuPG", "gnupg"}};
    for (const auto& [text, name] : later) {
        auto* button = new QPushButton(tr(text), this);
        button->setObjectName(name);
        button->setAutoDefault(false);
        button->setEnabled(false);
        buttons->addWidget(button);
    }
    buttons->addStretch(1);
    layout->addLayout(buttons);

    m_fixed_font = FontFromRecord(settings.fixfont, FontRole::Fixed);
    m_regular_font = FontFromRecord(settings.regfont, FontRole::Regular);
    action("fixedFont")->setChecked(settings.mvfixedf == 1);
    ApplyFont();
    ShowText();
    RestorePlacement();
    m_tabs->setCurrentIndex(0);
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

    // Archive, Save As, Append to, Print, Address books, Reply and Forward
    // come with the file, printing, address book and composer pieces.
    QMenu* file = bar->addMenu(tr("&File"));
    m_actions.push_back(MakeAction(file, tr("A&rchive..."), "archive", false));
    QMenu* save = file->addMenu(tr("&Save"));
    m_actions.push_back(MakeAction(save, tr("Save &As..."), "saveAs", false));
    m_actions.push_back(MakeAction(save, tr("A&ppend to..."), "appendTo", false));
    m_actions.push_back(MakeAction(file, tr("&Print..."), "print", false));
    m_actions.push_back(MakeAction(file, tr("Addr&ess books..."), "addressBooks", false));
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
    m_actions.push_back(MakeAction(message, tr("&Forward"), "forward", false));
    m_actions.push_back(MakeAction(message, tr("Re&ply"), "reply", false));

    QAction* help = bar->addAction(tr("&Help"));
    help->setObjectName("help");
    connect(help, &QAction::triggered, this, [this] {
        if (m_context.show_help) {
            m_context.show_help(QStringLiteral("#viewer"));
        }
    });
    m_actions.push_back(help);
}

QWidget* ViewerWindow::BuildAttachmentsPage() {
    auto* page = new QWidget(m_tabs);
    auto* layout = new QVBoxLayout(page);
    m_attachments = new QTreeWidget(page);
    m_attachments->setObjectName("attachments");
    m_attachments->setColumnCount(2);
    m_attachments->setHeaderLabels({tr("File name"), tr("Encoding")});
    m_attachments->setColumnWidth(0, 300);
    m_attachments->setColumnWidth(1, 100);
    m_attachments->setRootIsDecorated(false);
    m_attachments->setSelectionMode(QAbstractItemView::ExtendedSelection);
    for (const ViewedAttachment& attachment : m_message->attachments()) {
        auto* row = new QTreeWidgetItem(m_attachments);
        row->setText(0, ToQString(attachment.display_name));
        row->setText(1, ToQString(attachment.label));
    }
    if (!m_message->attachments().empty()) {
        m_tabs->tabBar()->setTabTextColor(1, palette().color(QPalette::Highlight));
    }
    layout->addWidget(m_attachments, 1);

    auto* buttons = new QHBoxLayout;
    const std::pair<const char*, const char*> commands[] = {{"&Save", "save"},
                                                            {"&View", "view"},
                                                            {"&Delete", "deleteSaved"},
                                                            {"&Block list...", "blockList"}};
    for (const auto& [text, name] : commands) {
        auto* button = new QPushButton(tr(text), page);
        button->setObjectName(name);
        button->setAutoDefault(false);
        buttons->addWidget(button);
        const std::string which = name;
        connect(button, &QPushButton::clicked, this, [this, which] {
            if (which == "save") {
                SaveSelectedAttachments();
            } else if (which == "view") {
                ViewSelectedAttachments();
            } else if (which == "deleteSaved") {
                DeleteLastSaved();
            } else {
                EditBlockList();
            }
        });
    }
    buttons->addStretch(1);
    layout->addLayout(buttons);
    return page;
}

void ViewerWindow::ShowText() {
    m_text->setPlainText(ToShownText(m_raw_view ? m_message->message_text() : m_display_text));
}

void ViewerWindow::ApplyFont() {
    m_text->setFont(action("fixedFont")->isChecked() ? m_fixed_font : m_regular_font);
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
    if (m_text->document()->blockCount() > kLongTextLines) {
        m_context.services->ShowMessage(kLongTextWarning, "Warning", BoxIcon::Warning);
    }
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
    const std::vector<std::string> links = FindLinks(
        FromQString(m_text->toPlainText()), static_cast<std::size_t>(cursor.selectionStart()),
        static_cast<std::size_t>(cursor.selectionEnd()));
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

void ViewerWindow::SaveSelectedAttachments() {
    SaveOrView(false);
}

void ViewerWindow::ViewSelectedAttachments() {
    SaveOrView(true);
}

void ViewerWindow::SaveOrView(bool view) {
    // The busy flag shared with the inbox arrives with the inbox window.
    FrontendServices& services = *m_context.services;
    if (m_source.preview) {
        services.ShowMessage(kPreviewWarning, "Warning", BoxIcon::Warning);
    }
    for (int row = 0; row < m_attachments->topLevelItemCount(); ++row) {
        if (!m_attachments->topLevelItem(row)->isSelected()) {
            continue;
        }
        const auto index = static_cast<std::size_t>(row);
        const std::string& name = m_message->attachments()[index].display_name;
        const bool blocked = IsBlockedName(name, m_context.config.global.blockext);
        if (blocked && services.ShowMessage(kBlockedQuestion, name, BoxIcon::Warning,
                                            BoxButtons::YesNoDefaultNo) != BoxAnswer::Yes) {
            continue;
        }
        const std::string path = SaveAttachment(index);
        if (path.empty()) {
            continue;
        }
        m_last_saved = path;
        if (!view) {
            continue;
        }
        if (blocked) {
            services.ShowMessage(kBlockedView, path, BoxIcon::Error);
            continue;
        }
        if (LooksExecutable(path) && !RunSanityCheck(services, m_draw)) {
            services.ShowMessage(kNotOpened, "SanityCheck", BoxIcon::Error);
            continue;
        }
        OpenSavedFile(path);
    }
}

std::string ViewerWindow::SaveAttachment(std::size_t index) {
    FrontendServices& services = *m_context.services;
    const std::string proposed =
        ProposedAttachmentName(m_message->attachments()[index].display_name);
    FileSaveRequest request;
    request.title = tr("Save decoded file");
    // "All Files" of any name: "*" on this platform, where names need no dot.
    request.filter = tr("All Files (*)");
    request.proposed = ToQString(proposed);
    const std::size_t dot = proposed.find('.');
    if (dot != std::string::npos) {
        request.default_suffix = ToQString(std::string_view(proposed).substr(dot + 1));
    }
    const QString chosen = m_save_picker(this, request);
    if (chosen.isEmpty()) {
        return {};
    }
    // The path is the file system's; it is kept as the local 8-bit form.
    const std::string path = chosen.toLocal8Bit().toStdString();
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) {
        services.ShowMessage("Unable to create file", "", BoxIcon::Error);
        return {};
    }
    services.ShowStatus(StatusLine::Inbox, "Saving attachment to disk...");
    const bool written = m_message->WriteAttachmentData(index, [&out](std::string_view bytes) {
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return static_cast<bool>(out);
    });
    out.close();
    if (!written || !out) {
        services.ShowMessage("Unable to create file", "", BoxIcon::Error);
        return {};
    }
    services.ShowStatus(StatusLine::Inbox, "Attachment has been saved.");
    return path;
}

void ViewerWindow::OpenSavedFile(const std::string& path) {
    if (!m_url_opener(QUrl::fromLocalFile(QString::fromLocal8Bit(path)))) {
        m_context.services->ShowMessage(kNoViewer, path, BoxIcon::Error);
    }
}

void ViewerWindow::DeleteLastSaved() {
    if (m_last_saved.empty()) {
        return;
    }
    if (m_context.services->ShowMessage(kDeleteQuestion, m_last_saved, BoxIcon::Warning,
                                        BoxButtons::YesNo) != BoxAnswer::Yes) {
        return;
    }
    std::remove(m_last_saved.c_str());
    m_last_saved.clear();
}

void ViewerWindow::EditBlockList() {
    BlockListDialog dialog(m_context, this);
    dialog.exec();
}

bool ReadViewerFile(AppContext& context, const std::string& path, std::string& text) {
    // A folder opens as a stream on this platform but reads nothing.
    std::error_code error;
    const bool folder = std::filesystem::is_directory(path, error);
    std::ifstream in;
    if (!folder) {
        in.open(path, std::ios::binary);
    }
    if (in.is_open()) {
        text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    if (!in.is_open() || (!in && !in.eof())) {
        text.clear();
        context.services->ShowMessage("Unable to open file for reading.", path, BoxIcon::Error);
        return false;
    }
    return true;
}

void RunViewerOnFile(AppContext& context, const std::string& path) {
    std::string text;
    ReadViewerFile(context, path, text);
    ViewerSource source;
    source.kind = ViewerSource::Kind::File;
    source.file_path = path;
    ViewerWindow window(context, std::move(text), std::move(source));
    window.exec();
}

}  // namespace tarvox
