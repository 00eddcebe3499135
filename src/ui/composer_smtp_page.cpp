#include "ui/composer_smtp_page.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/page_fields.h"
#include "ui/qt_text.h"

namespace tarvox {

namespace {

constexpr int kSmtpPort = 25;
constexpr int kSmtpsPort = 465;

QLineEdit* AddRow(QFormLayout* form, const QString& label, const char* name, QWidget* parent,
                  bool password = false) {
    QLineEdit* box = MakeTextBox(name, parent, password);
    form->addRow(label, box);
    return box;
}

}  // namespace

ComposerSmtpPage::ComposerSmtpPage(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    m_profiles = new QComboBox(this);
    m_profiles->setObjectName("smtpProfile");
    form->addRow(tr("For this message, use settings from profile:"), m_profiles);
    const ProtocolChoice choice = MakeProtocolChoice(
        this, tr("SSL via STARTTLS"),
        {"smtpCleartext", "smtpSslDirect", "smtpStartTls", "smtpPort"}, kSmtpPort, kSmtpsPort);
    m_protocol = choice.group;
    m_port = choice.port;
    form->addRow(choice.row);
    m_host = AddRow(form, tr("SMTP host:"), "smtpHost", this);
    auto* switches = new QHBoxLayout;
    m_auth = MakeCheck(tr("Use SM&TP AUTH"), "smtpAuth", this);
    m_pop_before = MakeCheck(tr("&POP before SMTP"), "popBeforeSmtp", this);
    switches->addWidget(m_auth);
    switches->addWidget(m_pop_before);
    switches->addStretch();
    form->addRow(switches);
    m_user = AddRow(form, tr("Username:"), "smtpUser", this);
    m_password = AddRow(form, tr("Password:"), "smtpPassword", this, true);
    m_address = MakeActionButton(tr("Add&ress"), "smtpAddressBooks", this);
    form->addRow(QString(), m_address);
    m_from = AddRow(form, tr("From:"), "from", this);
    m_reply_to = AddRow(form, tr("Reply-To:"), "replyTo", this);
    m_in_reply_to = AddRow(form, tr("In-Reply-To:"), "inReplyTo", this);
    m_references = AddRow(form, tr("References:"), "references", this);
    // The threading fields are no settings: a long References list is kept whole.
    m_in_reply_to->setMaxLength(32767);
    m_references->setMaxLength(32767);
    auto* fqdn_row = new QHBoxLayout;
    m_fqdn = MakeTextBox("fqdn", this);
    m_apply = MakeActionButton(tr("&Apply"), "applyFqdn", this);
    fqdn_row->addWidget(m_fqdn, 1);
    fqdn_row->addWidget(m_apply);
    form->addRow(tr("FQDN for Message-ID (e.g. host.example.org):"), fqdn_row);
    layout->addLayout(form);
    layout->addStretch();

    connect(m_profiles, &QComboBox::activated, this, &ComposerSmtpPage::profileChosen);
    connect(m_auth, &QCheckBox::toggled, this, &ComposerSmtpPage::UpdateAuthBoxes);
    connect(m_apply, &QPushButton::clicked, this, &ComposerSmtpPage::fqdnApplied);
}

void ComposerSmtpPage::ListProfiles(const ProfileList& profiles, const std::string& current) {
    m_profiles->clear();
    for (const Profile& profile : profiles) {
        m_profiles->addItem(ToQString(profile.name));
        if (profile.name == current) {
            m_profiles->setCurrentIndex(m_profiles->count() - 1);
        }
    }
    if (m_profiles->findText(ToQString(current), Qt::MatchFixedString) < 0) {
        m_profiles->setCurrentIndex(-1);
    }
}

void ComposerSmtpPage::ShowSettings(const SmtpSendSettings& smtp, const ComposedMessage& message) {
    SetText(m_host, smtp.server);
    SetText(m_user, smtp.user);
    SetText(m_password, smtp.password);
    m_auth->setChecked(smtp.use_auth);
    m_pop_before->setChecked(smtp.pop_before_smtp);
    CheckId(m_protocol, static_cast<int>(smtp.protocol),
            static_cast<int>(TransportSecurity::Cleartext));
    SetNumber(m_port, smtp.port);
    SetText(m_from, message.from);
    SetText(m_reply_to, message.reply_to);
    SetText(m_in_reply_to, message.in_reply_to);
    SetText(m_references, message.references);
    UpdateAuthBoxes();
}

void ComposerSmtpPage::ShowFqdn(const std::string& fqdn) {
    SetText(m_fqdn, fqdn);
}

void ComposerSmtpPage::ReadSettings(SmtpSendSettings& smtp, ComposedMessage& message) const {
    smtp.server = ReadText(m_host);
    smtp.user = ReadText(m_user);
    smtp.password = ReadText(m_password);
    smtp.use_auth = m_auth->isChecked();
    smtp.pop_before_smtp = m_pop_before->isChecked();
    smtp.protocol = CheckedCode(m_protocol, TransportSecurity::Cleartext);
    smtp.port = ReadNumber(m_port);
    message.from = ReadText(m_from);
    message.reply_to = ReadText(m_reply_to);
    message.in_reply_to = ReadText(m_in_reply_to);
    message.references = ReadText(m_references);
}

std::string ComposerSmtpPage::fqdn() const {
    return ReadText(m_fqdn);
}

void ComposerSmtpPage::UpdateAuthBoxes() {
    m_user->setEnabled(m_auth->isChecked());
    m_password->setEnabled(m_auth->isChecked());
}

}  // namespace tarvox
