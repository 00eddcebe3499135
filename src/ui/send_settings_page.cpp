#include "ui/send_settings_page.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "ui/page_fields.h"

namespace tarvox {

namespace {

constexpr int kCleartext = 0;
constexpr int kSslDirect = 1;
constexpr int kSslViaStarttls = 2;

constexpr int kSmtpPort = 25;
constexpr int kSmtpsPort = 465;

}  // namespace

SendSettingsPage::SendSettingsPage(QWidget* parent) : ProfilePage(parent) {
    m_name = MakeTextBox("SMTPname", this);
    m_address = MakeTextBox("SMTPaddress", this);

    m_protocol = new QButtonGroup(this);
    auto* cleartext = AddRadio(m_protocol, kCleartext, tr("Cleartext"), "smtpCleartext", this);
    auto* ssl_direct = AddRadio(m_protocol, kSslDirect, tr("SSL direct"), "smtpSslDirect", this);
    auto* starttls =
        AddRadio(m_protocol, kSslViaStarttls, tr("SSL via STARTTLS"), "smtpStarttls", this);
    m_port = MakeNumberBox("SMTPport", this);
    // Choosing a protocol fills in its usual port, over whatever was typed.
    connect(m_protocol, &QButtonGroup::idClicked, this,
            [this](int id) { SetNumber(m_port, id == kSslDirect ? kSmtpsPort : kSmtpPort); });
    auto* protocol_row = new QHBoxLayout;
    protocol_row->addWidget(cleartext);
    protocol_row->addWidget(ssl_direct);
    protocol_row->addWidget(starttls);
    auto* port_label = new QLabel(tr("Port:"), this);
    port_label->setBuddy(m_port);
    protocol_row->addWidget(port_label);
    protocol_row->addWidget(m_port);

    m_server = MakeTextBox("SMTPserver", this);
    m_auth = MakeCheck(tr("Use S&MTP AUTH"), "SMTPauth", this);
    m_popbefore = MakeCheck(tr("&POP before SMTP"), "SMTPpopbefore", this);
    auto* switches_row = new QHBoxLayout;
    switches_row->addWidget(m_auth);
    switches_row->addWidget(m_popbefore);
    switches_row->addStretch();
    m_user = MakeTextBox("SMTPuser", this);
    m_pass = MakeTextBox("SMTPpass", this, /*password=*/true);
    connect(m_auth, &QCheckBox::toggled, this, [this] { UpdateAuthBoxes(); });

    m_replyto = MakeTextBox("SMTPreplyto", this);
    m_autobcc = MakeTextBox("SMTPautobcc", this);
    m_sigfile = MakeTextBox("SMTPsigfile", this);
    m_choose = new QPushButton(tr("&Choose"), this);
    m_choose->setObjectName("chooseSignature");
    m_choose->setAutoDefault(false);
    connect(m_choose, &QPushButton::clicked, this, [this] { ChooseSignature(); });
    auto* signature_row = new QHBoxLayout;
    signature_row->addWidget(m_sigfile);
    signature_row->addWidget(m_choose);

    auto* form = new QFormLayout(this);
    form->addRow(tr("Your name:"), m_name);
    form->addRow(tr("Your address:"), m_address);
    form->addRow(tr("Protocol:"), protocol_row);
    form->addRow(tr("SMTP host:"), m_server);
    form->addRow(switches_row);
    form->addRow(tr("Username:"), m_user);
    form->addRow(tr("Password:"), m_pass);
    form->addRow(tr("Reply-To:"), m_replyto);
    form->addRow(tr("Auto BCC:"), m_autobcc);
    form->addRow(tr("Signature file"), signature_row);

    ShowProfile(Profile{});
}

void SendSettingsPage::UpdateAuthBoxes() {
    m_user->setEnabled(m_auth->isChecked());
    m_pass->setEnabled(m_auth->isChecked());
}

void SendSettingsPage::ChooseSignature() {
    FileOpenRequest request;
    request.title = tr("Select signature file");
    request.filter = tr("All Files (*)");
    request.start = m_sigfile->text();
    const QString path = m_picker(this, request);
    if (!path.isEmpty()) {
        m_sigfile->setText(path);
    }
}

void SendSettingsPage::ShowProfile(const Profile& profile) {
    SetText(m_name, profile.SMTPname);
    SetText(m_address, profile.SMTPaddress);
    QAbstractButton* protocol = m_protocol->button(profile.SMTPproto);
    (protocol != nullptr ? protocol : m_protocol->button(kCleartext))->setChecked(true);
    SetNumber(m_port, profile.SMTPport);
    SetText(m_server, profile.SMTPserver);
    SetChecked(m_auth, profile.SMTPauth);
    SetChecked(m_popbefore, profile.SMTPpopbefore);
    SetText(m_user, profile.SMTPuser);
    SetText(m_pass, profile.SMTPpass);
    UpdateAuthBoxes();
    SetText(m_replyto, profile.SMTPreplyto);
    SetText(m_autobcc, profile.SMTPautobcc);
    SetText(m_sigfile, profile.SMTPsigfile);
}

void SendSettingsPage::ReadProfile(Profile& profile) const {
    profile.SMTPname = ReadText(m_name);
    profile.SMTPaddress = ReadText(m_address);
    const int protocol = m_protocol->checkedId();
    profile.SMTPproto = protocol < 0 ? kCleartext : protocol;
    profile.SMTPport = ReadNumber(m_port);
    profile.SMTPserver = ReadText(m_server);
    profile.SMTPauth = ReadChecked(m_auth);
    profile.SMTPpopbefore = ReadChecked(m_popbefore);
    profile.SMTPuser = ReadText(m_user);
    profile.SMTPpass = ReadText(m_pass);
    profile.SMTPreplyto = ReadText(m_replyto);
    profile.SMTPautobcc = ReadText(m_autobcc);
    profile.SMTPsigfile = ReadText(m_sigfile);
}

}  // namespace tarvox
