#include "ui/composer_message_page.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/editor_display_lines.h"
#include "ui/page_fields.h"
#include "ui/qt_text.h"

namespace tarvox {

namespace {

// The body holds at most this many characters.
constexpr int kBodyLimit = 5'242'880;

QLineEdit* AddField(QGridLayout* grid, int row, const QString& label, const char* name,
                    QWidget* parent) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(name);
    auto* text = new QLabel(label, parent);
    text->setBuddy(box);
    grid->addWidget(text, row, 0);
    grid->addWidget(box, row, 1);
    return box;
}

}  // namespace

ComposerMessagePage::ComposerMessagePage(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    m_to = AddField(grid, 0, tr("&To:"), "to", this);
    m_cc = AddField(grid, 1, tr("&CC:"), "cc", this);
    m_subject = AddField(grid, 2, tr("S&ubject:"), "subject", this);
    m_bcc = AddField(grid, 3, tr("&BCC:"), "bcc", this);
    const char* recent_names[] = {"recentTo", "recentCc", "recentBcc"};
    const int recent_rows[] = {0, 1, 3};
    for (int field = 0; field < 3; ++field) {
        m_recent[field] = MakeActionButton(QStringLiteral("?"), recent_names[field], this);
        m_recent[field]->setToolTip(tr("Recently used addresses"));
        m_recent[field]->setFixedWidth(m_recent[field]->fontMetrics().horizontalAdvance("??") + 16);
        grid->addWidget(m_recent[field], recent_rows[field], 2);
    }
    m_address = MakeActionButton(tr("Add&ress"), "addressBooks", this);
    grid->addWidget(m_address, 2, 2);
    layout->addLayout(grid);

    auto* checks = new QHBoxLayout;
    m_auto_bcc = MakeCheck(tr("&Auto BCC"), "autoBcc", this);
    m_encrypt_self = MakeCheck(tr("Encr&ypt to self"), "encryptSelf", this);
    m_copy_self = MakeCheck(tr("C&opy self, local"), "copySelf", this);
    m_options = MakeActionButton(tr("O&ptions..."), "copySelfOptions", this);
    for (QWidget* widget :
         {static_cast<QWidget*>(m_auto_bcc), static_cast<QWidget*>(m_encrypt_self),
          static_cast<QWidget*>(m_copy_self), static_cast<QWidget*>(m_options)}) {
        checks->addWidget(widget);
    }
    checks->addStretch();
    layout->addLayout(checks);

    m_summary = new QLabel(this);
    m_summary->setObjectName("messageAttachmentSummary");
    auto* summary_row = new QHBoxLayout;
    summary_row->addWidget(new QLabel(tr("Attachments:"), this));
    summary_row->addWidget(m_summary, 1);
    layout->addLayout(summary_row);

    m_body = new QPlainTextEdit(this);
    m_body->setObjectName("body");
    m_body->setTabChangesFocus(false);
    layout->addWidget(m_body, 1);
    // Tab goes through the fields, then the body; the buttons come after.
    QWidget::setTabOrder(m_to, m_cc);
    QWidget::setTabOrder(m_cc, m_subject);
    QWidget::setTabOrder(m_subject, m_bcc);
    QWidget::setTabOrder(m_bcc, m_body);
    connect(m_body, &QPlainTextEdit::textChanged, this, [this] {
        // The editor has no limit of its own: text past the limit is cut.
        if (m_body->document()->characterCount() - 1 > kBodyLimit) {
            QTextCursor cursor(m_body->document());
            cursor.setPosition(kBodyLimit);
            cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
            cursor.removeSelectedText();
        }
    });
}

void ComposerMessagePage::ShowMessage(const ComposedMessage& message) {
    m_to->setText(ToQString(message.to));
    m_cc->setText(ToQString(message.cc));
    m_subject->setText(ToQString(message.subject));
    m_bcc->setText(ToQString(message.bcc));
    std::string body;
    for (const std::string& line : message.body_lines) {
        body += line;
    }
    QString shown = ToQString(body);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    m_body->setPlainText(shown);
}

void ComposerMessagePage::ReadMessage(ComposedMessage& message) const {
    message.to = FromQString(m_to->text());
    message.cc = FromQString(m_cc->text());
    message.subject = FromQString(m_subject->text());
    message.bcc = FromQString(m_bcc->text());
    message.body_lines = EditorDisplayLines(*m_body);
}

}  // namespace tarvox
