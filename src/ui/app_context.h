// What the windows of one run share: the data paths, the settings with the
// profile list, the address books, the TLS binding, the command line, the
// front-end services and the session a Connect leaves open for the inbox.
// One object, made by the program's start-up and passed by reference; nothing
// here is global.
#pragma once

#include <functional>
#include <memory>

#include <QString>

class QWidget;

#include "addressbook/address_book.h"
#include "compose/composed_message.h"
#include "config/command_line.h"
#include "config/configuration_file.h"
#include "config/data_paths.h"
#include "config/keyring_passwords.h"
#include "config/profile.h"
#include "net/tls_library.h"
#include "protocols/pop_session.h"

namespace tarvox {

class MailmanWindow;
class QtServices;

struct AppContext {
    DataPaths paths;
    StartOptions start;
    Configuration config;  // global settings, profiles, master passphrase
    AddressBooks address_books;
    TlsLibrary tls;
    QtServices* services = nullptr;

    // The profile a Connect opened, with prompted credentials filled in, and
    // its logged-in session: the options window ends with result 1 and the
    // inbox window takes both over.
    Profile working;
    std::unique_ptr<PopSession> session;

    // The background poller's window, from start-up to exit (null before
    // and after, and in tests that do not make one).
    MailmanWindow* mailman = nullptr;

    // Opens the help page at an anchor ("#account"); empty until help exists.
    std::function<void(const QString& anchor)> show_help;

    // Opens a composer on `message` in front of `owner` and runs it to its
    // end; true when the message was sent. Set by start-up; tests set their own.
    std::function<bool(ComposedMessage message, QWidget* owner)> compose;

    // The profile passwords kept in the desktop keyring; null when this run
    // has no keyring (tests that do not give one).
    KeyringPasswords* keyring = nullptr;

    // After the settings are read: the passwords kept in the keyring.
    void FetchKeyringPasswords();

    // Writes the settings file (after Save, Delete, an accepted certificate),
    // the passwords going to the keyring first when it is in use.
    bool SaveSettings();

private:
    // Shows what the keyring had to say, if anything.
    void TellKeyring(const std::string& notice);
};

}  // namespace tarvox
