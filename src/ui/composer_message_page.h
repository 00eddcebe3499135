// The composer's Message page: To, CC, Subject and BCC with their "?"
// buttons for recently used addresses, the address book button, the three
// check boxes, the copy-to-self options, the attachment summary and the body.
#pragma once

#include <QWidget>

#include "compose/composed_message.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace tarvox {

class ComposerMessagePage : public QWidget {
    Q_OBJECT

public:
    explicit ComposerMessagePage(QWidget* parent = nullptr);

    // Puts the recipients, the subject and the body into the fields.
    void ShowMessage(const ComposedMessage& message);
    // Reads them back; the body as the editor lays it out.
    void ReadMessage(ComposedMessage& message) const;

    QLineEdit* to() const { return m_to; }
    QLineEdit* cc() const { return m_cc; }
    QLineEdit* subject() const { return m_subject; }
    QLineEdit* bcc() const { return m_bcc; }
    // The "?" button beside To (0), CC (1) or BCC (2).
    QPushButton* recent_button(int field) const { return m_recent[field]; }
    QPushButton* address_button() const { return m_address; }
    QCheckBox* auto_bcc() const { return m_auto_bcc; }
    QCheckBox* encrypt_self() const { return m_encrypt_self; }
    QCheckBox* copy_self() const { return m_copy_self; }
    QPushButton* copy_self_options() const { return m_options; }
    QLabel* attachment_summary() const { return m_summary; }
    QPlainTextEdit* body() const { return m_body; }

private:
    QLineEdit* m_to = nullptr;
    QLineEdit* m_cc = nullptr;
    QLineEdit* m_subject = nullptr;
    QLineEdit* m_bcc = nullptr;
    QPushButton* m_recent[3] = {};
    QPushButton* m_address = nullptr;
    QCheckBox* m_auto_bcc = nullptr;
    QCheckBox* m_encrypt_self = nullptr;
    QCheckBox* m_copy_self = nullptr;
    QPushButton* m_options = nullptr;
    QLabel* m_summary = nullptr;
    QPlainTextEdit* m_body = nullptr;
};

}  // namespace tarvox
