// The options window's "POP3 options" tab: the connection protocol with its
// port (choosing a protocol fills in its usual port), the mailbox mode with
// the maximum for partial mode, and the session and inbox switches.
#pragma once

#include "ui/settings_page.h"

class QButtonGroup;
class QCheckBox;
class QLineEdit;

namespace tarvox {

class Pop3OptionsPage : public ProfilePage {
    Q_OBJECT

public:
    explicit Pop3OptionsPage(QWidget* parent = nullptr);

    void ShowProfile(const Profile& profile) override;

    QLineEdit* port_box() const { return m_port; }

private:
    // Partial mode is the only one that uses the maximum box.
    void UpdateMaximumBox();

    QLineEdit* m_port = nullptr;
    QButtonGroup* m_mode = nullptr;
    QLineEdit* m_maximum = nullptr;
    QCheckBox* m_use_status = nullptr;
    QCheckBox* m_alive = nullptr;
    QLineEdit* m_nop_int = nullptr;
    QCheckBox* m_parse = nullptr;
    QCheckBox* m_autosort = nullptr;
    QCheckBox* m_apop = nullptr;
    QCheckBox* m_inpoll = nullptr;
};

}  // namespace tarvox
