// The "Global" tab of the options window: Mailman's period and time-out, its
// switches, the master passphrase lock and the desktop keyring, the new-mail
// sound, the GnuPG setup and the desktop registrations. The controls change the global settings
// only when "&Apply" is pressed; the file is written at the next save.
#pragma once

#include <QWidget>

#include <functional>
#include <string>
#include <vector>

#include "shell/desktop_registration.h"
#include "ui/app_context.h"
#include "ui/file_open_picker.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace tarvox {

class GlobalPage : public QWidget {
    Q_OBJECT

public:
    // Boxes go through `context.services`, which must be set.
    explicit GlobalPage(AppContext& context, QWidget* parent = nullptr);

    // Fills the controls from the global settings; the passphrase box is
    // left empty (the passphrase is never shown).
    void ShowSettings();

    // Starts (true) or stops (false) the background poller, and tells whether
    // it runs. The poller does not exist yet: until it does, nothing runs.
    void SetMailmanControl(std::function<void(bool run)> control, std::function<bool()> running);

    // Replaces the file dialog of the wave-file choice and of "&GPG setup...".
    void SetFilePicker(FileOpenPicker picker);
    // Where the registrations write; the user's own folders unless a test
    // gives others.
    void SetDesktopFolders(std::function<DesktopFolders()> folders);

private:
    // Runs "&Apply": the checks in order, each refusal with its box; a step
    // that is refused stores neither itself nor anything after it. Returns
    // whether every step went through.
    bool Apply();

    void OpenGpgSetup();
    void ShowRegistration(const std::vector<std::string>& failures);

    AppContext& m_context;
    std::function<void(bool run)> m_mailman_control;
    std::function<bool()> m_mailman_running;
    std::function<DesktopFolders()> m_desktop_folders = DesktopFoldersFromEnvironment;
    FileOpenPicker m_picker;

    QLineEdit* m_timeout = nullptr;
    QCheckBox* m_mailman = nullptr;
    QLineEdit* m_freq = nullptr;
    QCheckBox* m_repoll = nullptr;
    QCheckBox* m_newsound = nullptr;
    QCheckBox* m_checkras = nullptr;
    QCheckBox* m_master = nullptr;
    QCheckBox* m_reprompt = nullptr;
    QCheckBox* m_keyring = nullptr;
    QLineEdit* m_passphrase = nullptr;
};

}  // namespace tarvox
