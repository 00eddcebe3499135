#include "ui/certificate_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/qt_text.h"

namespace tarvox {

namespace {

// Black text on a yellow background (RGB 255, 255, 0).
void MarkYellow(QWidget* field) {
    QPalette palette = field->palette();
    palette.setColor(QPalette::Base, QColor(255, 255, 0));
    palette.setColor(QPalette::Text, Qt::black);
    field->setPalette(palette);
    field->setProperty("marked", true);
}

// The dialog's texts end their lines in CR LF; the fields show plain lines.
QString FieldText(const std::string& text) {
    QString shown = ToQString(text);
    shown.replace("\r\n", "\n");
    return shown;
}

}  // namespace

QLineEdit* CertificateDialog::AddLine(QFormLayout* form, const QString& label,
                                      const std::string& text, const char* name, bool marked) {
    auto* field = new QLineEdit(FieldText(text), this);
    field->setReadOnly(true);
    field->setObjectName(name);
    if (marked) {
        MarkYellow(field);
    }
    form->addRow(label, field);
    return field;
}

QPlainTextEdit* CertificateDialog::AddBlock(QFormLayout* form, const QString& label,
                                            const std::string& text, const char* name,
                                            bool marked) {
    auto* field = new QPlainTextEdit(FieldText(text), this);
    field->setReadOnly(true);
    field->setObjectName(name);
    field->setMinimumHeight(70);
    if (marked) {
        MarkYellow(field);
    }
    form->addRow(label, field);
    return field;
}

CertificateDialog::CertificateDialog(const CertificateView& view, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(tr("SSL Information"));
    setMinimumWidth(560);
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    AddLine(form, tr("Protocol:"), view.protocol, "protocol", false);
    AddLine(form, tr("Cipher:"), view.cipher_name, "cipherName", false);
    AddLine(form, tr("Cipher version:"), view.cipher_version, "cipherVersion", false);
    AddLine(form, tr("Network host name:"), view.network_host_name, "networkHostName",
            view.mark_network_host_name);
    AddLine(form, tr("Certificate host name:"), view.certificate_host_name,
            "certificateHostName", false);
    AddLine(form, tr("SHA1 fingerprint:"), view.fingerprint, "fingerprint",
            view.mark_fingerprint);
    AddLine(form, tr("Valid from:"), view.valid_from, "validFrom", false);
    AddLine(form, tr("Valid to:"), view.valid_to, "validTo", false);
    AddBlock(form, tr("Purported subject:"), view.subject, "subject", false);
    AddBlock(form, tr("Purported issuer:"), view.issuer, "issuer", false);
    AddLine(form, tr("Trust evaluation:"), view.trust_evaluation, "trustEvaluation",
            view.mark_trust_evaluation);
    QLineEdit* chain = AddLine(form, QString(), view.chain, "chain", false);
    if (view.mark_chain_failed) {
        QPalette palette = chain->palette();
        palette.setColor(QPalette::Text, QColor(200, 0, 0));
        chain->setPalette(palette);
        chain->setProperty("failed", true);
    }
    AddBlock(form, tr("WARNING(s):"), view.warnings, "warnings", view.mark_warnings)
        ->setMinimumHeight(120);
    layout->addLayout(form);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* accept = buttons->addButton(tr("Accept"), QDialogButtonBox::AcceptRole);
    QPushButton* deny = buttons->addButton(tr("Deny"), QDialogButtonBox::RejectRole);
    QPushButton* cancel = buttons->addButton(tr("Cancel"), QDialogButtonBox::RejectRole);
    QPushButton* help = buttons->addButton(tr("Help"), QDialogButtonBox::HelpRole);
    accept->setObjectName("accept");
    deny->setObjectName("deny");
    cancel->setObjectName("cancel");
    help->setObjectName("help");
    accept->setEnabled(view.accept_enabled);
    deny->setEnabled(view.deny_enabled);
    cancel->setEnabled(view.cancel_enabled);
    // Enter accepts only an ordinary renewal, a certificate that verifies.
    accept->setAutoDefault(false);
    deny->setAutoDefault(false);
    accept->setDefault(view.default_button == CertificateView::Default::Accept);
    deny->setDefault(view.default_button == CertificateView::Default::Deny);
    connect(accept, &QPushButton::clicked, this,
            [this] { done(static_cast<int>(CertificateDecision::Accept)); });
    connect(deny, &QPushButton::clicked, this,
            [this] { done(static_cast<int>(CertificateDecision::Deny)); });
    connect(cancel, &QPushButton::clicked, this,
            [this] { done(static_cast<int>(CertificateDecision::Cancel)); });
    connect(help, &QPushButton::clicked, this, [this] {
        if (m_help) {
            m_help();
        }
    });
    layout->addWidget(buttons);
    // The keyboard starts on the safe answer.
    (view.deny_enabled ? deny : cancel)->setFocus();
}

CertificateDecision CertificateDialog::Decide() {
    switch (exec()) {
        case static_cast<int>(CertificateDecision::Accept):
            return CertificateDecision::Accept;
        case static_cast<int>(CertificateDecision::Deny):
            return CertificateDecision::Deny;
        default:
            return CertificateDecision::Cancel;
    }
}

}  // namespace tarvox
