#include "ui/composer_attachments_page.h"

#include <QComboBox>
#include <QDesktopServices>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

#include "compose/attach_file.h"
#include "compose/attachment_sizes.h"
#include "frontend/services.h"
#include "ui/page_fields.h"
#include "ui/qt_text.h"

namespace tarvox {

namespace {

constexpr const char* kAttachmentTypes =
    "application/octet-stream,application/msword,application/pdf,application/rtf,"
    "application/zip,audio/mpeg,image/gif,image/jpeg,image/png,image/tiff";
constexpr std::string_view kUnreadableFile =
    "Unable to read from file. Please make sure the file is not currently in use.";
constexpr std::string_view kAttachmentsCaption = "Problem with attachments";

}  // namespace

ComposerAttachmentsPage::ComposerAttachmentsPage(FrontendServices& services, QWidget* parent)
    : QWidget(parent), m_services(services) {
    m_opener = [](const QString& path) { QDesktopServices::openUrl(QUrl::fromLocalFile(path)); };
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    m_add = MakeActionButton(tr("&Add"), "addAttachment", this);
    m_delete = MakeActionButton(tr("&Del"), "deleteAttachment", this);
    row->addWidget(m_add);
    row->addWidget(m_delete);
    row->addSpacing(12);
    row->addWidget(new QLabel(tr("Binary MIME type (optional)"), this));
    m_type = new QComboBox(this);
    m_type->setObjectName("attachmentType");
    m_type->setEditable(true);
    m_type->setInsertPolicy(QComboBox::InsertAlphabetically);
    QStringList types = QString::fromLatin1(kAttachmentTypes).split(QLatin1Char(','));
    types.sort();
    m_type->addItems(types);
    m_type->setCurrentText(QStringLiteral("application/octet-stream"));
    row->addWidget(m_type, 1);
    layout->addLayout(row);

    m_list = new QTreeWidget(this);
    m_list->setObjectName("attachmentList");
    m_list->setRootIsDecorated(false);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setHeaderLabels({tr("File name"), tr("MIME type"), tr("Size")});
    m_list->setColumnWidth(0, 350);
    m_list->setColumnWidth(1, 150);
    m_list->setColumnWidth(2, 75);
    layout->addWidget(m_list, 1);

    m_summary = new QLabel(this);
    m_summary->setObjectName("attachmentSummary");
    auto* summary_row = new QHBoxLayout;
    summary_row->addWidget(new QLabel(tr("Attachments:"), this));
    summary_row->addWidget(m_summary, 1);
    layout->addLayout(summary_row);

    connect(m_add, &QPushButton::clicked, this, &ComposerAttachmentsPage::Add);
    connect(m_delete, &QPushButton::clicked, this, &ComposerAttachmentsPage::DeleteSelected);
    connect(m_list, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* item) { m_opener(item->text(0)); });
    ShowList();
}

void ComposerAttachmentsPage::SetAttachments(std::vector<ComposedAttachment> attachments) {
    m_attachments = std::move(attachments);
    ShowList();
}

std::string ComposerAttachmentsPage::chosen_type() const {
    const std::string type = FromQString(m_type->currentText().trimmed());
    return type.empty() ? std::string(kDefaultAttachmentType) : type;
}

QString ComposerAttachmentsPage::summary() const {
    return ToQString(AttachmentSummaryText(m_attachments));
}

void ComposerAttachmentsPage::Add() {
    const QString path = m_picker(this, {tr("Select file to attach"), tr("All Files (*)"), {}, {}});
    if (path.isEmpty()) {
        return;
    }
    std::optional<ComposedAttachment> attachment = AttachFile(FromQString(path), chosen_type());
    if (!attachment) {
        m_services.ShowMessage(kUnreadableFile, kAttachmentsCaption, BoxIcon::Warning);
        return;
    }
    m_attachments.push_back(std::move(*attachment));
    ShowList();
}

void ComposerAttachmentsPage::DeleteSelected() {
    std::vector<int> rows;
    for (QTreeWidgetItem* item : m_list->selectedItems()) {
        rows.push_back(m_list->indexOfTopLevelItem(item));
    }
    std::sort(rows.rbegin(), rows.rend());
    for (const int row : rows) {
        m_attachments.erase(m_attachments.begin() + row);
    }
    ShowList();
}

void ComposerAttachmentsPage::ShowList() {
    m_list->clear();
    for (const ComposedAttachment& attachment : m_attachments) {
        auto* item = new QTreeWidgetItem(m_list);
        item->setText(0, ToQString(attachment.path));
        item->setText(1, ToQString(attachment.mime_type));
        item->setText(2, ToQString(AttachmentSizeText(attachment.size)));
        item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
    }
    m_summary->setText(summary());
    emit changed();
}

}  // namespace tarvox
