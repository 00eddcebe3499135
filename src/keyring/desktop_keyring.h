// The desktop keyring through QtKeychain: the freedesktop Secret Service
// (GNOME Keyring through libsecret) or KWallet, whichever the desktop runs.
// Each call waits for its answer in a local event loop that leaves user input
// alone, so it is called on a thread with a Qt event loop (the GUI thread) or
// on the only thread of tarvox-cli, for which it makes the Qt application
// object itself when there is none.
#pragma once

#include <memory>
#include <string>

#include "config/keyring.h"

class QCoreApplication;

namespace tarvox {

class DesktopKeyring : public Keyring {
public:
    DesktopKeyring();
    ~DesktopKeyring() override;

    KeyringReply Read(const std::string& name) override;
    KeyringReply Write(const std::string& name, const std::string& secret) override;
    KeyringReply Remove(const std::string& name) override;

private:
    void EnsureApplication();

    int m_argc = 1;
    char m_program[16] = "tarvox-cli";
    char* m_argv[2] = {m_program, nullptr};
    std::unique_ptr<QCoreApplication> m_application;  // only when nobody else made one
};

}  // namespace tarvox
