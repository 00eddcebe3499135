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

    // Writes the settings file (after Save, Delete, an accepted certificate).
    bool SaveSettings() { return SaveConfiguration(paths.settings_file, config); }
};

}  // namespace tarvox
