// The options window's "Send settings" tab: the sender's identity, the SMTP
// server with its protocol and port (choosing a protocol fills in its usual
// port), SMTP AUTH with its credentials, POP before SMTP, Reply-To, automatic
// BCC and the signature file.
#pragma once

#include "ui/file_open_picker.h"
#include "ui/settings_page.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace tarvox {

class SendSettingsPage : public ProfilePage {
    Q_OBJECT

public:
    explicit SendSettingsPage(QWidget* parent = nullptr);

    void ShowProfile(const Profile& profile) override;

    QLineEdit* port_box() const { return m_port; }

    // What "&Choose" asks for the signature file with (tests replace it).
    void SetFilePicker(FileOpenPicker picker) { m_picker = std::move(picker); }

private:
    void ChooseSignature();
    // The user name and password boxes count only with SMTP AUTH.
    void UpdateAuthBoxes();

    QLineEdit* m_name = nullptr;
    QLineEdit* m_address = nullptr;
    QLineEdit* m_port = nullptr;
    QLineEdit* m_server = nullptr;
    QCheckBox* m_auth = nullptr;
    QCheckBox* m_popbefore = nullptr;
    QLineEdit* m_user = nullptr;
    QLineEdit* m_pass = nullptr;
    QLineEdit* m_replyto = nullptr;
    QLineEdit* m_autobcc = nullptr;
    QLineEdit* m_sigfile = nullptr;
    QPushButton* m_choose = nullptr;
    FileOpenPicker m_picker = PickExistingFile;
};

}  // namespace tarvox
