#include "ui/block_list_dialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <vector>

#include "config/global_settings.h"
#include "message/attachment_safety.h"
#include "ui/app_context.h"
#include "ui/help_button.h"
#include "ui/qt_services.h"
#include "ui/qt_text.h"

namespace tarvox {

namespace {

constexpr const char* kRestoreQuestion =
    "Are you sure you want to restore the default attachment block list? This list of "
    "potentially dangerous file extensions was selected by the developer.";

void Toggle(QTreeWidgetItem* item) {
    if (item != nullptr) {
        item->setCheckState(0, item->checkState(0) == Qt::Checked ? Qt::Unchecked : Qt::Checked);
    }
}

}  // namespace

BlockListDialog::BlockListDialog(AppContext& context, QWidget* parent)
    : QDialog(parent), m_context(context) {
    setWindowTitle(tr("Attachment block list"));
    auto* layout = new QVBoxLayout(this);
    m_list = new QTreeWidget(this);
    m_list->setObjectName("blockList");
    m_list->setColumnCount(1);
    m_list->setHeaderLabels({tr("File extension to block")});
    m_list->setColumnWidth(0, 120);
    m_list->setRootIsDecorated(false);
    // A click anywhere on a row, or the space bar, toggles its check box. The
    // rows are not user-checkable, so that the list's own handling of a click
    // on the box does not toggle it a second time.
    connect(m_list, &QTreeWidget::itemClicked, this,
            [](QTreeWidgetItem* item, int) { Toggle(item); });
    m_list->installEventFilter(this);
    for (const BlockListRow& row : BlockListRows(m_context.config.global.blockext)) {
        AppendRow(ToQString(row.fragment), row.checked);
    }
    layout->addWidget(m_list, 1);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* add = buttons->addButton(tr("Add to block list"), QDialogButtonBox::ActionRole);
    add->setObjectName("add");
    connect(add, &QPushButton::clicked, this, &BlockListDialog::AddFragment);
    QPushButton* restore = buttons->addButton(tr("Restore defaults"), QDialogButtonBox::ResetRole);
    restore->setObjectName("restore");
    connect(restore, &QPushButton::clicked, this, &BlockListDialog::RestoreDefaults);
    AddHelpButton(buttons, tr("&Help"), m_context, QStringLiteral("#vwsafety"));
    QPushButton* ok = buttons->addButton(QDialogButtonBox::Ok);
    ok->setObjectName("ok");
    QPushButton* cancel = buttons->addButton(QDialogButtonBox::Cancel);
    cancel->setObjectName("cancel");
    connect(buttons, &QDialogButtonBox::accepted, this, &BlockListDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &BlockListDialog::reject);
    for (QAbstractButton* button : buttons->buttons()) {
        if (auto* push = qobject_cast<QPushButton*>(button)) {
            push->setAutoDefault(false);
        }
    }
    layout->addWidget(buttons);
}

void BlockListDialog::AppendRow(const QString& fragment, bool checked) {
    auto* item = new QTreeWidgetItem(m_list);
    item->setText(0, fragment);
    item->setFlags(item->flags() & ~(Qt::ItemIsUserCheckable | Qt::ItemIsAutoTristate));
    item->setCheckState(0, checked ? Qt::Checked : Qt::Unchecked);
}

bool BlockListDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_list && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space) {
        Toggle(m_list->currentItem());
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void BlockListDialog::AddFragment() {
    TextPromptRequest request;
    request.title = "Add to block list";
    request.prompt = "Enter file extension to block, including period. For example: .EML";
    request.capacity = kFieldCapacity;
    const TextPromptResult result = m_context.services->TextPrompt(request);
    if (result.submitted) {
        AppendRow(ToQString(result.text), true);
    }
}

void BlockListDialog::RestoreDefaults() {
    if (m_context.services->ShowMessage(kRestoreQuestion, "Attachment block list", BoxIcon::Warning,
                                        BoxButtons::YesNo) != BoxAnswer::Yes) {
        return;
    }
    m_context.config.global.blockext = std::string(kDefaultBlockList);
    QDialog::accept();
}

void BlockListDialog::accept() {
    std::vector<BlockListRow> rows;
    for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = m_list->topLevelItem(i);
        rows.push_back({FromQString(item->text(0)), item->checkState(0) == Qt::Checked});
    }
    m_context.config.global.blockext = BlockListValue(rows);
    QDialog::accept();
}

}  // namespace tarvox
