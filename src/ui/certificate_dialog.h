// The "SSL Information" dialog: a server certificate's details, how it
// compares with the fingerprint on record, and the warnings, with the causes
// drawn black on yellow. During a connection it ends in Accept or Deny.
#pragma once

#include <QDialog>

#include <functional>

#include "net/certificate_check.h"

class QFormLayout;
class QLineEdit;
class QPlainTextEdit;
class QWidget;

namespace tarvox {

class CertificateDialog : public QDialog {
    Q_OBJECT

public:
    CertificateDialog(const CertificateView& view, QWidget* parent = nullptr);

    CertificateDecision Decide();

    // Opens the help page at "#sslinfo".
    void SetHelpHandler(std::function<void()> handler) { m_help = std::move(handler); }

private:
    QLineEdit* AddLine(QFormLayout* form, const QString& label, const std::string& text,
                       const char* name, bool marked);
    QPlainTextEdit* AddBlock(QFormLayout* form, const QString& label,
                             const std::string& text, const char* name, bool marked);

    std::function<void()> m_help;
};

}  // namespace tarvox
