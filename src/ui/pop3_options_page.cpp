#include "ui/pop3_options_page.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include "ui/page_fields.h"

namespace tarvox {

namespace {

constexpr int kPop3Port = 110;
constexpr int kPop3sPort = 995;

}  // namespace

Pop3OptionsPage::Pop3OptionsPage(QWidget* parent) : ProfilePage(parent) {
    const ProtocolChoice protocol = MakeProtocolChoice(
        this, tr("SSL via STLS"), {"popCleartext", "popSslDirect", "popSslStls", "port"}, kPop3Port,
        kPop3sPort);
    m_fields.Choice(protocol.group, &Profile::protopop, TransportSecurity::Cleartext);
    m_port = m_fields.Number(protocol.port, &Profile::port);
    protocol.row->insertWidget(0, new QLabel(tr("Connection protocol:"), this));

    m_mode = new QButtonGroup(this);
    auto* full = AddRadio(m_mode, MailboxMode::Full, tr("F&ull"), "modeFull", this);
    auto* partial = AddRadio(m_mode, MailboxMode::Partial, tr("P&artial, maximum messages:"),
                             "modePartial", this);
    auto* purge = AddRadio(m_mode, MailboxMode::Purge, tr("&Purge"), "modePurge", this);
    m_fields.Choice(m_mode, &Profile::mode, MailboxMode::Full);
    m_maximum = m_fields.Number(MakeNumberBox("maximum", this), &Profile::maximum);
    connect(m_mode, &QButtonGroup::idToggled, this, [this] { UpdateMaximumBox(); });
    auto* mode_row = new QHBoxLayout;
    mode_row->addWidget(new QLabel(tr("Mailbox mode:"), this));
    mode_row->addWidget(full);
    mode_row->addWidget(partial);
    mode_row->addWidget(m_maximum);
    mode_row->addWidget(purge);

    m_use_status =
        m_fields.Check(MakeCheck(tr("Use status fla&gs provided by server"), "use_status", this),
                       &Profile::use_status);
    m_alive =
        m_fields.Check(MakeCheck(tr("&Keep connection alive. NOP signal interval:"), "alive", this),
                       &Profile::alive);
    m_nop_int = m_fields.Number(MakeNumberBox("nop_int", this), &Profile::nop_int);
    auto* alive_row = new QHBoxLayout;
    alive_row->addWidget(m_alive);
    alive_row->addWidget(m_nop_int);
    alive_row->addWidget(new QLabel(tr("seconds"), this));
    alive_row->addStretch();
    m_parse = m_fields.Check(
        MakeCheck(tr("Parse headers (uncheck for &raw access)"), "parse", this), &Profile::parse);
    m_autosort = m_fields.Check(MakeCheck(tr("Aut&osort newest to oldest"), "autosort", this),
                                &Profile::autosort);
    m_apop = m_fields.Check(MakeCheck(tr("APOP (secure &login)"), "apop", this), &Profile::apop);
    m_inpoll = m_fields.Check(MakeCheck(tr("&Include profile in poll all/Mailman"), "inpoll", this),
                              &Profile::inpoll);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(protocol.row);
    layout->addLayout(mode_row);
    layout->addWidget(m_use_status);
    layout->addLayout(alive_row);
    layout->addWidget(m_parse);
    layout->addWidget(m_autosort);
    layout->addWidget(m_apop);
    layout->addWidget(m_inpoll);
    layout->addStretch();

    ShowProfile(Profile{});
}

void Pop3OptionsPage::UpdateMaximumBox() {
    m_maximum->setEnabled(CheckedCode(m_mode, MailboxMode::Full) == MailboxMode::Partial);
}

void Pop3OptionsPage::ShowProfile(const Profile& profile) {
    ProfilePage::ShowProfile(profile);
    UpdateMaximumBox();
}

}  // namespace tarvox
