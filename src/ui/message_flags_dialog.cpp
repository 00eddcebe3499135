#include "ui/message_flags_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "junk/junk_rules.h"
#include "protocols/inbox_entry.h"
#include "protocols/message_flag_boxes.h"
#include "ui/help_button.h"
#include "ui/page_fields.h"
#include "ui/qt_text.h"

namespace tarvox {

namespace {

QLabel* MakeLabel(const QString& text, const char* object_name, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(object_name);
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

}  // namespace

MessageFlagsDialog::MessageFlagsDialog(AppContext& context, InboxEntry& entry,
                                       const Profile& profile, QWidget* parent)
    : QDialog(parent), m_entry(entry) {
    setWindowTitle(tr("Message Flags"));
    auto* layout = new QVBoxLayout(this);

    auto* facts = new QFormLayout;
    facts->addRow(MakeLabel(ToQString(entry.subject), "subject", this));
    facts->addRow(MakeLabel(ToQString(entry.sender), "sender", this));
    facts->addRow(MakeLabel(ToQString(entry.date), "date", this));
    facts->addRow(tr("Message number on server:"),
                  MakeLabel(QString::number(entry.number), "number", this));
    layout->addLayout(facts);

    const MessageFlagBoxes shown = MessageFlagBoxesOf(entry, profile);
    m_read = MakeCheck(tr("&Read"), "read", this);
    m_read->setChecked(shown.read);
    m_replied = MakeCheck(tr("Re&plied to"), "replied", this);
    m_replied->setChecked(shown.replied);
    auto* copy_to_self = MakeCheck(tr("Copy to self"), "copyToSelf", this);
    copy_to_self->setChecked(shown.copy_to_self);
    copy_to_self->setEnabled(false);
    auto* attachments = MakeCheck(tr("Attachments"), "attachments", this);
    attachments->setChecked(shown.attachments);
    attachments->setEnabled(false);
    m_junk = MakeCheck(tr("&Junk/spam (temp)"), "junk", this);
    m_junk->setChecked(shown.junk);
    m_junk->setEnabled(shown.junk_usable);
    for (QCheckBox* box : {m_read, m_replied, copy_to_self, attachments, m_junk}) {
        layout->addWidget(box);
    }

    auto* rule = new QGroupBox(tr("Junk filtering rule used"), this);
    rule->setObjectName("junkRule");
    auto* rule_layout = new QVBoxLayout(rule);
    rule_layout->addWidget(MakeLabel(ToQString(VerdictName(entry.junk_verdict)), "verdict", rule));
    layout->addWidget(rule);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName("ok");
    buttons->button(QDialogButtonBox::Cancel)->setObjectName("cancel");
    AddHelpButton(buttons, tr("&Help"), context, QStringLiteral("#msgflags"));
    connect(buttons, &QDialogButtonBox::accepted, this, &MessageFlagsDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &MessageFlagsDialog::reject);
    layout->addWidget(buttons);
}

void MessageFlagsDialog::accept() {
    MessageFlagBoxes chosen;
    chosen.read = m_read->isChecked();
    chosen.replied = m_replied->isChecked();
    chosen.junk = m_junk->isChecked();
    ApplyMessageFlagBoxes(m_entry, chosen);
    QDialog::accept();
}

}  // namespace tarvox
