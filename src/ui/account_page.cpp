#include "ui/account_page.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/page_fields.h"

namespace tarvox {

AccountPage::AccountPage(QWidget* parent) : ProfilePage(parent) {
    m_host = m_fields.Text(MakeTextBox("host", this), &Profile::host);
    m_user = m_fields.Text(MakeTextBox("user", this), &Profile::user);
    m_pass = m_fields.Text(MakeTextBox("pass", this, /*password=*/true), &Profile::pass);
    auto* form = new QFormLayout;
    form->addRow(tr("POP3 host:"), m_host);
    form->addRow(tr("User name:"), m_user);
    form->addRow(tr("Password:"), m_pass);

    // No button here presses itself on Enter: Enter belongs to Connect,
    // whichever button has the focus.
    m_compose = MakeActionButton(tr("Co&mpose"), "compose", this);
    m_connect = MakeActionButton(tr("&Connect"), "connect", this);
    m_poll = MakeActionButton(tr("&Poll"), "poll", this);
    m_poll_all = MakeActionButton(tr("P&oll all"), "pollAll", this);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_compose);
    buttons->addStretch();
    buttons->addWidget(m_connect);
    buttons->addWidget(m_poll);
    buttons->addWidget(m_poll_all);

    m_autosave = m_fields.Check(MakeCheck(tr("A&utosave profile on Connect"), "autosave", this),
                                &Profile::autosave);
    m_entermod = m_fields.Check(
        MakeCheck(tr("&Enter only if mailbox was modified"), "entermod", this), &Profile::entermod);

    m_abort = MakeActionButton(tr("&Abort"), "abort", this);
    m_abort->setEnabled(false);  // until a connection is under way
    auto* abort_row = new QHBoxLayout;
    abort_row->addStretch();
    abort_row->addWidget(m_abort);

    auto* status_group = new QGroupBox(tr("Status"), this);
    m_status = new QLabel(tr("Ready to connect to mailbox."), status_group);
    m_status->setObjectName("status");
    m_status->setWordWrap(true);
    m_status->setTextFormat(Qt::PlainText);
    auto* status_layout = new QVBoxLayout(status_group);
    status_layout->addWidget(m_status);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
    layout->addWidget(m_autosave);
    layout->addWidget(m_entermod);
    layout->addLayout(abort_row);
    layout->addWidget(status_group);
    layout->addStretch();
}

}  // namespace tarvox
