// tarvox: the Qt program. Reads the command line, finds the data files and
// runs the program with its windows.
#include <QApplication>
#include <QDesktopServices>
#include <QUrl>

#include <cstdio>
#include <memory>
#include <string_view>
#include <vector>

#include "app/program_run.h"
#include "compose/mailto_link.h"
#include "compose/reply_text.h"
#include "config/command_line.h"
#include "config/data_paths.h"
#include "keyring/desktop_keyring.h"
#include "shell/help_opener.h"
#include "ui/app_context.h"
#include "ui/composer_window.h"
#include "ui/inbox_window.h"
#include "ui/mailman_window.h"
#include "ui/options_window.h"
#include "ui/qt_services.h"
#include "ui/viewer_window.h"

namespace {

constexpr const char* kUsage =
    "usage: tarvox [PROFILE] [/MIN] [/POLL]\n"
    "       tarvox /TO ADDRESS       compose to ADDRESS (a mailto: link); a running\n"
    "                                tarvox is handed the address\n"
    "       tarvox /VIEW FILE        show a saved message\n"
    "The switches may be written in any letter case, or as --to, --view, --min, --poll.\n";

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    tarvox::AppContext context;
    context.start = tarvox::ParseCommandLine(args);
    if (context.start.help) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (context.start.version) {
        std::printf("tarvox %s\n", TARVOX_VERSION);
        return 0;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName("Tarvox");
    QApplication::setApplicationVersion(TARVOX_VERSION);
    // The windows come and go; the program ends when the run does.
    QApplication::setQuitOnLastWindowClosed(false);

    context.paths = tarvox::ResolveDataPaths(tarvox::DataPathInputsFromEnvironment());
    tarvox::QtServices services;
    context.services = &services;
    tarvox::DesktopKeyring desktop_keyring;
    tarvox::KeyringPasswords keyring(desktop_keyring);
    context.keyring = &keyring;

    // Help opens the page in the desktop's browser; the redirect page it
    // writes goes when the program ends.
    std::unique_ptr<tarvox::HelpOpener> help;
    context.show_help = [&context, &help, &services](const QString& anchor) {
        if (!help) {
            help = std::make_unique<tarvox::HelpOpener>(
                context.paths.help_file, context.config.global.helpurl, [](const std::string& url) {
                    return QDesktopServices::openUrl(QUrl(QString::fromStdString(url)));
                });
        }
        help->Open(services, anchor.toStdString());
    };

    tarvox::ProgramWindows windows;
    // The two main windows run with exec(), yet modal only to a parent they
    // do not have: the Mailman window beside them stays usable.
    windows.options_window = [](tarvox::AppContext& run) {
        tarvox::OptionsWindow window(run);
        window.setWindowModality(Qt::WindowModal);
        return window.exec();
    };
    windows.inbox_window = [](tarvox::AppContext& run) {
        tarvox::InboxWindow window(run);
        window.setWindowModality(Qt::WindowModal);
        window.exec();
    };
    windows.viewer = tarvox::RunViewerOnFile;
    windows.mailman = [](tarvox::AppContext& run) -> std::unique_ptr<QWidget> {
        return std::make_unique<tarvox::MailmanWindow>(run);
    };
    context.compose = [&context](tarvox::ComposedMessage message, QWidget* owner) {
        return tarvox::RunComposer(context, std::move(message), owner);
    };
    // A later start's /TO opens a composer in front of whatever window is up.
    windows.compose_to = [](tarvox::AppContext& run) {
        QWidget* owner = QApplication::activeModalWidget();
        run.compose(tarvox::StartNewMessage(tarvox::ParseMailtoLink(run.start.to_link),
                                            run.working.SMTPsigfile),
                    owner);
    };
    return tarvox::RunProgram(context, windows);
}
