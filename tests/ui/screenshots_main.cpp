// tarvox_screenshots: writes a PNG of each window and tab page of the Qt
// program into a folder, for looking at the layout without a desktop.
//
//   tarvox_screenshots FOLDER
#include <QApplication>
#include <QDir>
#include <QTabWidget>
#include <QWidget>

#include <cstdio>

#include "net/certificate_check.h"
#include "ui/app_context.h"
#include "ui/certificate_dialog.h"
#include "ui/gpg_settings_dialog.h"
#include "ui/options_window.h"
#include "ui/profile_manager_dialog.h"
#include "ui/qt_services.h"
#include "ui/text_prompt_dialog.h"

namespace {

bool Save(QWidget& widget, const QDir& folder, const QString& name) {
    widget.show();
    QApplication::processEvents();
    const QString path = folder.filePath(name + ".png");
    const bool saved = widget.grab().save(path);
    std::printf("%s %s\n", saved ? "wrote" : "FAILED", qPrintable(path));
    return saved;
}

tarvox::Profile DemoProfile() {
    tarvox::Profile profile;
    profile.name = "Demo";
    profile.host = "pop.example.org";
    profile.user = "alice";
    profile.SMTPserver = "smtp.example.org";
    profile.SMTPname = "Alice Demo";
    profile.SMTPaddress = "alice@example.org";
    profile.antispam = "friend@example.org";
    return profile;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: tarvox_screenshots FOLDER\n");
        return 2;
    }
    QDir folder(QString::fromLocal8Bit(argv[1]));
    if (!folder.mkpath(".")) {
        std::fprintf(stderr, "tarvox_screenshots: cannot make %s\n", argv[1]);
        return 1;
    }
    tarvox::QtServices services;
    tarvox::AppContext context;
    context.services = &services;
    context.paths.settings_file = folder.filePath("screenshots.ini").toStdString();
    context.config.profiles.push_back(DemoProfile());
    context.config.global.last = "Demo";
    bool ok = true;

    {
        tarvox::OptionsWindow window(context);
        for (int tab = 0; tab < window.tabs()->count(); ++tab) {
            window.tabs()->setCurrentIndex(tab);
            QString name = window.tabs()->tabText(tab).toLower().replace(' ', '-');
            ok = Save(window, folder, "options-" + name) && ok;
        }
    }
    {
        tarvox::ProfileManagerDialog dialog(context.config.profiles, services);
        ok = Save(dialog, folder, "profile-manager") && ok;
    }
    {
        tarvox::TextPromptRequest request;
        request.title = "POP3 password";
        request.prompt = "Enter password (this will not be stored in profile)";
        request.password_mode = true;
        request.dont_ask_again_box = true;
        tarvox::TextPromptDialog dialog(request);
        ok = Save(dialog, folder, "text-prompt") && ok;
    }
    {
        tarvox::CertificateDetails details;
        details.protocol = "TLSv1.3";
        details.cipher_name = "TLS_AES_256_GCM_SHA384";
        details.cipher_version = "TLSv1.3";
        details.subject = "/CN=mail.example.org/O=Example";
        details.issuer = "/CN=Example CA/O=Example";
        details.valid_from = "Jan  1 00:00:00 2026 GMT";
        details.valid_to = "Jan  1 00:00:00 2027 GMT";
        details.fingerprint = "AB:CD:EF:01:23:45:67:89:AB:CD:EF:01:23:45:67:89:AB:CD:EF:01";
        const std::string recorded = "00:11:22:33:44:55:66:77:88:99:AA:BB:CC:DD:EE:FF:00:11:22:33";
        tarvox::CertificateDialog dialog(
            tarvox::BuildCertificateView(details, "pop.example.org", &recorded, true));
        ok = Save(dialog, folder, "ssl-information") && ok;
    }
    {
        tarvox::GpgSettingsDialog dialog(context.config.global, services);
        ok = Save(dialog, folder, "gpg-settings") && ok;
    }
    return ok ? 0 : 1;
}
