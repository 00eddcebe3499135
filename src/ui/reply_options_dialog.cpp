#include "ui/reply_options_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "ui/app_context.h"
#include "ui/help_button.h"
#include "ui/page_fields.h"
#include "ui/qt_text.h"

namespace tarvox {

namespace {

constexpr int kAddressColumnWidth = 260;
constexpr int kFieldColumnWidth = 70;

}  // namespace

ReplyOptionsDialog::ReplyOptionsDialog(AppContext& context, const ReplyValues& values,
                                       const AddressList& to, QWidget* parent)
    : QDialog(parent), m_context(context), m_rows(ReplyOptionRows(values, to)) {
    setWindowTitle(tr("Reply options"));
    auto* layout = new QVBoxLayout(this);

    const ReplySettings settings = ReplySettingsOf(m_context.config.global);
    m_include = MakeCheck(tr("&Include original message in reply"), "includeOriginal", this);
    m_selection = MakeCheck(tr("&Quote only selected text"), "quoteSelection", this);
    m_marker = MakeCheck(tr("&Mark original text with '> '"), "quoteMarker", this);
    m_cc = MakeCheck(tr("&Use original message's CC field"), "useOriginalCc", this);
    m_include->setChecked(settings.include_original);
    m_selection->setChecked(settings.quote_selection);
    m_marker->setChecked(settings.quote_marker);
    m_cc->setChecked(settings.use_original_cc);
    // How the original is quoted matters only while it is included.
    const auto enable_quoting = [this](bool included) {
        m_selection->setEnabled(included);
        m_marker->setEnabled(included);
    };
    enable_quoting(settings.include_original);
    connect(m_include, &QCheckBox::toggled, this, enable_quoting);
    for (QCheckBox* box : {m_include, m_selection, m_marker, m_cc}) {
        layout->addWidget(box);
    }

    m_addresses = new QTreeWidget(this);
    m_addresses->setObjectName("addresses");
    m_addresses->setRootIsDecorated(false);
    m_addresses->setHeaderLabels({tr("Address"), tr("Field")});
    m_addresses->header()->resizeSection(0, kAddressColumnWidth);
    m_addresses->header()->resizeSection(1, kFieldColumnWidth);
    // Wide enough for both columns.
    m_addresses->setMinimumWidth(kAddressColumnWidth + kFieldColumnWidth + 24);
    for (const ReplyOptionRow& row : m_rows) {
        auto* item = new QTreeWidgetItem(m_addresses);
        item->setText(0, ToQString(row.address));
        item->setText(1, ToQString(row.field));
        item->setCheckState(0, row.checked ? Qt::Checked : Qt::Unchecked);
    }
    layout->addWidget(m_addresses, 1);

    auto* select_all = MakeCheck(tr("Select all"), "selectAll", this);
    connect(select_all, &QCheckBox::toggled, this, [this](bool checked) {
        for (int i = 0; i < m_addresses->topLevelItemCount(); ++i) {
            m_addresses->topLevelItem(i)->setCheckState(0, checked ? Qt::Checked : Qt::Unchecked);
        }
    });
    layout->addWidget(select_all);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName("ok");
    buttons->button(QDialogButtonBox::Cancel)->setObjectName("cancel");
    AddHelpButton(buttons, tr("&Help"), context, QStringLiteral("#reply"));
    connect(buttons, &QDialogButtonBox::accepted, this, &ReplyOptionsDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &ReplyOptionsDialog::reject);
    layout->addWidget(buttons);
}

void ReplyOptionsDialog::accept() {
    const ReplySettings chosen{m_include->isChecked(), m_selection->isChecked(),
                               m_marker->isChecked(), m_cc->isChecked()};
    StoreReplySettings(chosen, m_context.config.global);
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        m_rows[i].checked =
            m_addresses->topLevelItem(static_cast<int>(i))->checkState(0) == Qt::Checked;
    }
    m_reply_addresses = ReplyAddressText(m_rows);
    QDialog::accept();
}

}  // namespace tarvox
