// The viewer's Attachments tab: the list of attached files with Save, View,
// Delete (of the file last saved) and the block list. What Save and View do
// with the chosen files is SaveOrViewAttachments's.
#include "ui/viewer_window.h"

#include <QAbstractItemView>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

#include "message/attachment_actions.h"
#include "ui/app_context.h"
#include "ui/block_list_dialog.h"
#include "ui/page_fields.h"
#include "ui/qt_services.h"
#include "ui/qt_text.h"
#include "ui/session_host.h"

namespace tarvox {

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
    AttachmentRequest request;
    request.action = view ? AttachmentAction::View : AttachmentAction::Save;
    for (int row = 0; row < m_attachments->topLevelItemCount(); ++row) {
        if (m_attachments->topLevelItem(row)->isSelected()) {
            request.indexes.push_back(static_cast<std::size_t>(row));
        }
    }
    request.preview = m_source.preview;
    request.blockext = m_context.config.global.blockext;
    AttachmentDesk desk;
    desk.pick_path = [this](const AttachmentSaveName& name) {
        FileSaveRequest dialog;
        dialog.title = tr("Save decoded file");
        // "All Files" of any name: "*" on this platform, where names need no dot.
        dialog.filter = tr("All Files (*)");
        dialog.proposed = ToQString(name.proposed);
        dialog.default_suffix = ToQString(name.suffix);
        // File names are UTF-8, as the program's text is.
        return FromQString(m_save_picker(this, dialog));
    };
    desk.open = [this](const std::string& path) {
        return m_url_opener(QUrl::fromLocalFile(ToQString(path)));
    };
    desk.draw = m_draw;
    std::string saved = SaveOrViewAttachments(*m_message, request, desk, *m_context.services);
    if (!saved.empty()) {
        m_last_saved = std::move(saved);
    }
}

void ViewerWindow::DeleteLastSaved() {
    if (!m_last_saved.empty() && DeleteSavedAttachment(m_last_saved, *m_context.services)) {
        m_last_saved.clear();
    }
}

void ViewerWindow::EditBlockList() {
    BlockListDialog dialog(m_context, this);
    dialog.exec();
}

}  // namespace tarvox
