#include "ui/send_settings_page.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>

#include "ui/page_fields.h"

namespace tarvox {

namespace {

constexpr int kSmtpPort = 25;
constexpr int kSmtpsPort = 465;

}  // namespace

SendSettingsPage::SendSettingsPage(QWidget* parent) : ProfilePage(parent) {
    m_name = m_fields.Text(MakeTextBox("SMTPname", this), &Profile::SMTPname);
    m_address = m_fields.Text(MakeTextBox("SMTPaddress", this), &Profile::SMTPaddress);
    const ProtocolChoice protocol = MakeProtocolChoice(
        this, tr("SSL via STARTTLS"),
        {"smtpCleartext", "smtpSslDirect", "smtpStarttls", "SMTPport"}, kSmtpPort, kSmtpsPort);
    m_fields.Choice(protocol.group, &Profile::SMTPproto, TransportSecurity::Cleartext);
    m_port = m_fields.Number(protocol.port, &Profile::SMTPport);

    m_server = m_fields.Text(MakeTextBox("SMTPserver", this), &Profile::SMTPserver);
    m_auth = m_fields.Check(MakeCheck(tr("Use S&MTP AUTH"), "SMTPauth", this), &Profile::SMTPauth);
    m_popbefore = m_fields.Check(MakeCheck(tr("&POP before SMTP"), "SMTPpopbefore", this),
                                 &Profile::SMTPpopbefore);
    auto* switches_row = new QHBoxLayout;
    switches_row->addWidget(m_auth);
    switches_row->addWidget(m_popbefore);
    switches_row->addStretch();
    m_user = m_fields.Text(MakeTextBox("SMTPuser", this), &Profile::SMTPuser);
    m_pass = m_fields.Text(MakeTextBox("SMTPpass", this, /*password=*/true), &Profile::SMTPpass);
    connect(m_auth, &QCheckBox::toggled, this, [this] { UpdateAuthBoxes(); });

    m_replyto = m_fields.Text(MakeTextBox("SMTPreplyto", this), &Profile::SMTPreplyto);
    m_autobcc = m_fields.Text(MakeTextBox("SMTPautobcc", this), &Profile::SMTPautobcc);
    m_sigfile = m_fields.Text(MakeTextBox("SMTPsigfile", this), &Profile::SMTPsigfile);
    m_choose = MakeActionButton(tr("&Choose"), "chooseSignature", this);
    connect(m_choose, &QPushButton::clicked, this, [this] { ChooseSignature(); });
    auto* signature_row = new QHBoxLayout;
    signature_row->addWidget(m_sigfile);
    signature_row->addWidget(m_choose);

    auto* form = new QFormLayout(this);
    form->addRow(tr("Your name:"), m_name);
    form->addRow(tr("Your address:"), m_address);
    form->addRow(tr("Protocol:"), protocol.row);
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
    ProfilePage::ShowProfile(profile);
    UpdateAuthBoxes();
}

}  // namespace tarvox
