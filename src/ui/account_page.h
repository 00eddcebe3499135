// The options window's "Account" tab: the POP3 host, user name and password,
// the buttons that open the composer, connect, poll and abort, the two
// Connect options and the status line that the open-mailbox worker writes.
#pragma once

#include "ui/settings_page.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tarvox {

class AccountPage : public ProfilePage {
    Q_OBJECT

public:
    explicit AccountPage(QWidget* parent = nullptr);

    QPushButton* compose_button() const { return m_compose; }
    QPushButton* connect_button() const { return m_connect; }
    QPushButton* poll_button() const { return m_poll; }
    QPushButton* poll_all_button() const { return m_poll_all; }
    QPushButton* abort_button() const { return m_abort; }
    QLabel* status_line() const { return m_status; }

private:
    QLineEdit* m_host = nullptr;
    QLineEdit* m_user = nullptr;
    QLineEdit* m_pass = nullptr;
    QPushButton* m_compose = nullptr;
    QPushButton* m_connect = nullptr;
    QPushButton* m_poll = nullptr;
    QPushButton* m_poll_all = nullptr;
    QCheckBox* m_autosave = nullptr;
    QCheckBox* m_entermod = nullptr;
    QPushButton* m_abort = nullptr;
    QLabel* m_status = nullptr;
};

}  // namespace tarvox
