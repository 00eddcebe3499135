// The viewer's Attachments tab: the list of attached files with Save, View,
// Delete (of the file last saved) and the block list, and the checks before
// a file is written or opened.
#include "ui/viewer_window.h"

#include <QAbstractItemView>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

#include <cstdio>

#include "message/attachment_safety.h"
#include "ui/app_context.h"
#include "ui/block_list_dialog.h"
#include "ui/page_fields.h"
#include "ui/qt_services.h"
#include "ui/qt_text.h"
#include "ui/session_host.h"

namespace tarvox {

namespace {

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

}  // namespace

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
    layout->addWidget(m_attachments, 1);

    auto* buttons = new QHBoxLayout;
    const std::pair<const char*, const char*> commands[] = {{"&Save", "save"},
                                                            {"&View", "view"},
                                                            {"&Delete", "deleteSaved"},
                                                            {"&Block list...", "blockList"}};
    for (const auto& [text, name] : commands) {
        QPushButton* button = MakeActionButton(tr(text), name, page);
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

void ViewerWindow::SaveSelectedAttachments() {
    SaveOrView(false);
}

void ViewerWindow::ViewSelectedAttachments() {
    SaveOrView(true);
}

void ViewerWindow::SaveOrView(bool view) {
    // Like every other command, refused while the session's worker runs.
    if (Busy()) {
        m_source.host->ShowBusyBox();
        return;
    }
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
    services.ShowStatus(StatusLine::Inbox, "Saving attachment to disk...");
    if (!m_message->SaveAttachmentFile(index, path)) {
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

}  // namespace tarvox
