// The composer's SMTP page: the profile the message is sent with, the SMTP
// server, its protocol, port and credentials, POP before SMTP, the sender
// fields, the threading fields and the host name for the Message-ID.
#pragma once

#include <QWidget>

#include <string>
#include <vector>

#include "compose/composed_message.h"
#include "config/profile.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace tarvox {

class ComposerSmtpPage : public QWidget {
    Q_OBJECT

public:
    explicit ComposerSmtpPage(QWidget* parent = nullptr);

    // Lists the profiles by name, `current` selected (none when it is not
    // among them).
    void ListProfiles(const ProfileList& profiles, const std::string& current);
    // Shows the SMTP settings and the sender fields of a profile's message.
    void ShowSettings(const SmtpSendSettings& smtp, const ComposedMessage& message);
    void ShowFqdn(const std::string& fqdn);
    // Reads the settings and the From, Reply-To, In-Reply-To and References
    // fields back.
    void ReadSettings(SmtpSendSettings& smtp, ComposedMessage& message) const;
    std::string fqdn() const;

    QComboBox* profile_list() const { return m_profiles; }
    QButtonGroup* protocol() const { return m_protocol; }
    QLineEdit* port() const { return m_port; }
    QLineEdit* host() const { return m_host; }
    QCheckBox* auth() const { return m_auth; }
    QCheckBox* pop_before_smtp() const { return m_pop_before; }
    QLineEdit* user() const { return m_user; }
    QLineEdit* password() const { return m_password; }
    QPushButton* address_button() const { return m_address; }
    QLineEdit* from() const { return m_from; }
    QLineEdit* reply_to() const { return m_reply_to; }
    QLineEdit* in_reply_to() const { return m_in_reply_to; }
    QLineEdit* references() const { return m_references; }
    QPushButton* apply_button() const { return m_apply; }

signals:
    // The user chose the profile at `index` of the list.
    void profileChosen(int index);
    // "&Apply" was pressed for the host name field.
    void fqdnApplied();

private:
    void UpdateAuthBoxes();

    QComboBox* m_profiles = nullptr;
    QButtonGroup* m_protocol = nullptr;
    QLineEdit* m_port = nullptr;
    QLineEdit* m_host = nullptr;
    QCheckBox* m_auth = nullptr;
    QCheckBox* m_pop_before = nullptr;
    QLineEdit* m_user = nullptr;
    QLineEdit* m_password = nullptr;
    QPushButton* m_address = nullptr;
    QLineEdit* m_from = nullptr;
    QLineEdit* m_reply_to = nullptr;
    QLineEdit* m_in_reply_to = nullptr;
    QLineEdit* m_references = nullptr;
    QLineEdit* m_fqdn = nullptr;
    QPushButton* m_apply = nullptr;
};

}  // namespace tarvox
