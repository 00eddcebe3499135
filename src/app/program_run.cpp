#include "app/program_run.h"

#include <QGuiApplication>
#include <QSessionManager>

#include <cstdio>

#include "addressbook/address_book_file.h"
#include "app/exit_signals.h"
#include "app/instance_channel.h"
#include "config/command_line.h"
#include "config/global_settings.h"
#include "ui/qt_services.h"

namespace tarvox {

namespace {

constexpr const char* kProgramCaption = "Tarvox Plus 3.3 beta3a";
constexpr const char* kSecondInstanceQuestion =
    "Another instance of Tarvox is running. You can run multiple instances, but (1) only one "
    "can access a mailbox at a time, and (2) whichever terminates LAST will update the INI "
    "file, if they use the same INI file.\n\nAre you sure you want to start a new instance?";

// Saves the address books and the settings file. Address books that could
// not be read are not written over: the file would lose every book. Settings
// that could not be read are not written either, as the user was told.
void SaveEverything(AppContext& context, AddressBookFileState books_state) {
    if (books_state == AddressBookFileState::Unreadable) {
        std::fprintf(stderr, "tarvox: %s could not be read, so it is left as it is\n",
                     context.paths.address_book_file.c_str());
    } else if (!SaveAddressBooks(context.paths.address_book_file, context.address_books)) {
        std::fprintf(stderr, "tarvox: the address books could not be written to %s\n",
                     context.paths.address_book_file.c_str());
    }
    if (!context.config.file_unreadable && !context.SaveSettings()) {
        std::fprintf(stderr, "tarvox: the settings could not be written to %s\n",
                     context.paths.settings_file.c_str());
    }
}

}  // namespace

int RunProgram(AppContext& context, const ProgramWindows& windows) {
    FrontendServices& services = *context.services;
    StartOptions& start = context.start;
    const QString server_name =
        windows.instance_name.isEmpty() ? InstanceServerName() : windows.instance_name;
    const bool other_instance = IsAnotherInstanceRunning(server_name);

    std::string view_file;
    if (start.to) {
        if (other_instance) {
            return SendAddressToInstance(server_name, start.to_link) ? 0 : kExitRefused;
        }
    } else if (start.view) {
        view_file = start.view_file;
        if (view_file.empty()) {
            services.ShowMessage(kViewSyntaxMessage, kProgramCaption, BoxIcon::Error);
            return kExitRefused;
        }
        start.command_text = view_file;
    } else if (other_instance &&
               services.ShowMessage(kSecondInstanceQuestion, "Warning", BoxIcon::Warning,
                                    BoxButtons::YesNo) != BoxAnswer::Yes) {
        return kExitRefused;
    }

    // A missing TLS library is no error: TLS is then unavailable.
    context.tls.Load();

    // Later starts hand their /TO link (without "mailto:") to this one.
    InstanceServer instance_server([&context, &windows](const std::string& link) {
        context.start.to = true;
        context.start.to_link = link;
        context.start.to_address = MailtoAddress(link);
        if (windows.compose_to) {
            windows.compose_to(context);
        }
    });
    if (!other_instance && !start.view) {
        instance_server.Listen(server_name);
    }

    context.config = Configuration{};
    AddressBookFileState books_state = AddressBookFileState::Missing;
    const bool loaded = LoadConfiguration(context.paths.settings_file, context.config, services);
    if (loaded) {
        context.FetchKeyringPasswords();
        context.address_books = LoadAddressBooks(context.paths.address_book_file, &books_state);
        if (context.config.global.blockext.empty()) {
            context.config.global.blockext = std::string(kDefaultBlockList);
        }
        context.config.global.textcolor = 0;

        // When the desktop session ends the program may not get to its end.
        const QMetaObject::Connection session_end = QObject::connect(
            qGuiApp, &QGuiApplication::commitDataRequest, qGuiApp,
            [&context, books_state](QSessionManager&) { SaveEverything(context, books_state); },
            Qt::DirectConnection);
        // Being told to end (log-out, kill, Ctrl+C in a terminal) saves as a
        // normal exit does.
        const ExitSignals exit_signals([&context, books_state](int signal) {
            SaveEverything(context, books_state);
            EndBySignal(signal);
        });

        if (start.view) {
            if (const Profile* last =
                    FindProfile(context.config.profiles, context.config.global.last)) {
                context.working = *last;
            }
            if (windows.viewer) {
                windows.viewer(context, view_file);
            } else {
                std::fprintf(stderr, "tarvox: this build has no message viewer yet\n");
            }
        } else {
            std::unique_ptr<QWidget> mailman;
            if (windows.mailman) {
                mailman = windows.mailman(context);
            }
            while (windows.options_window && windows.options_window(context) == 1) {
                if (windows.inbox_window) {
                    windows.inbox_window(context);
                }
                if (context.session) {
                    PopQuit(context.session->connection);
                    context.session.reset();
                }
            }
            // A poll under way is stopped and joined; the window keeps its
            // place in the settings saved below.
            mailman.reset();
        }
        QObject::disconnect(session_end);
        SaveEverything(context, books_state);
    }
    context.tls.Unload();
    return 0;
}

}  // namespace tarvox
