// tarvox_screenshots: writes a PNG of each window and tab page of the Qt
// program into a folder, for looking at the layout without a desktop.
//
//   tarvox_screenshots FOLDER
#include <QApplication>
#include <QTimer>
#include <QDir>
#include <QLabel>
#include <QTabWidget>
#include <QWidget>

#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <tuple>

#include "codec/base64.h"
#include "net/certificate_check.h"
#include "net/net_connection.h"
#include "net/net_result.h"
#include "one_client_server.h"
#include "protocols/inbox_entry.h"
#include "protocols/pop_session.h"
#include "ui/app_context.h"
#include "ui/block_list_dialog.h"
#include "ui/certificate_dialog.h"
#include "ui/composer_window.h"
#include "ui/foreign_ip_dialog.h"
#include "ui/gpg_settings_dialog.h"
#include "ui/inbox_filters_dialog.h"
#include "ui/inbox_window.h"
#include "ui/mailman_window.h"
#include "ui/message_flags_dialog.h"
#include "ui/options_window.h"
#include "ui/profile_manager_dialog.h"
#include "ui/address_book_manager.h"
#include "ui/lookup_table.h"
#include "ui/reply_options_dialog.h"
#include "ui/select_addresses_dialog.h"
#include "ui/qt_services.h"
#include "ui/save_mail_dialog.h"
#include "ui/save_options_dialog.h"
#include "ui/text_prompt_dialog.h"
#include "ui/viewer_window.h"

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

// A POP3 server on loopback for one client that lists three messages and
// hands out their headers, so that the inbox window has rows to show.
class DemoMailbox {
public:
    std::uint16_t port() const { return m_server.port(); }

private:
    static std::string Headers(int n) {
        // Encoded words in three charsets (RFC 2047): the rows show them decoded.
        static const char* const subjects[] = {
            "=?UTF-8?Q?Quarterly_report_=E2=80=94_=E2=82=AC5?=",
            "=?ISO-2022-JP?B?GyRCRnxLXDhsJE43b0w+GyhC?=", "Re: the printer on floor 2"};
        static const char* const senders[] = {"Bob Example <bob@example.org>",
                                              "=?KOI8-R?B?4s/SydM=?= <boris@example.org>",
                                              "Dave Example <dave@example.org>"};
        return std::string("From: ") + senders[n - 1] +
               "\r\nTo: Alice Demo <alice@example.org>\r\nSubject: " + subjects[n - 1] +
               "\r\nDate: Mon, 0" + std::to_string(n) +
               " Jun 2026 09:30:00 +0000\r\nMessage-ID: <demo-" + std::to_string(n) +
               "@example.org>\r\n\r\n";
    }
    static void Serve(int client) {
        std::string received;
        char buffer[512];
        for (;;) {
            std::size_t end;
            while ((end = received.find("\r\n")) == std::string::npos) {
                const ssize_t got = ::recv(client, buffer, sizeof buffer, 0);
                if (got <= 0) {
                    ::close(client);
                    return;
                }
                received.append(buffer, static_cast<std::size_t>(got));
            }
            const std::string line = received.substr(0, end);
            received.erase(0, end + 2);
            std::string reply = "+OK\r\n";
            int n = 0;
            if (line == "LIST") {
                reply = "+OK 3 messages\r\n1 2310\r\n2 845\r\n3 15872\r\n.\r\n";
            } else if (std::sscanf(line.c_str(), "TOP %d", &n) == 1 && n >= 1 && n <= 3) {
                reply = "+OK\r\n" + Headers(n) + ".\r\n";
            }
            ::send(client, reply.data(), reply.size(), MSG_NOSIGNAL);
            if (line == "QUIT") {
                ::close(client);
                return;
            }
        }
    }

    tarvox::OneClientServer m_server{[](int client) { Serve(client); }};
};

// A POP3 server for one poll: it greets, accepts any login, answers STAT with
// `count` messages of `size` bytes in all and ends with QUIT.
void ServePoll(int client, int count, int size) {
    const std::string stat = "+OK " + std::to_string(count) + " " + std::to_string(size) + "\r\n";
    std::string received;
    char buffer[512];
    ::send(client, "+OK ready\r\n", 11, MSG_NOSIGNAL);
    for (;;) {
        const ssize_t got = ::recv(client, buffer, sizeof buffer, 0);
        if (got <= 0) {
            break;
        }
        received.append(buffer, static_cast<std::size_t>(got));
        for (std::size_t end; (end = received.find("\r\n")) != std::string::npos;) {
            const std::string line = received.substr(0, end);
            received.erase(0, end + 2);
            const std::string reply = line == "STAT" ? stat : "+OK\r\n";
            ::send(client, reply.data(), reply.size(), MSG_NOSIGNAL);
            if (line == "QUIT") {
                ::close(client);
                return;
            }
        }
    }
    ::close(client);
}

// A message with a text part and an attached file, for the viewer.
std::string DemoMessage() {
    return "From: Bob Example <bob@example.org>\r\n"
           "To: Alice Demo <alice@example.org>, Carol <carol@example.org>\r\n"
           "Subject: Quarterly report\r\n"
           "Date: Mon, 01 Jun 2026 09:30:00 +0000\r\n"
           "Content-Type: multipart/mixed; boundary=\"b1\"\r\n\r\n"
           "--b1\r\nContent-Type: text/plain; charset=us-ascii\r\n\r\n"
           "Hello Alice,\r\n\r\nthe figures for the quarter are attached; the summary is on\r\n"
           "https://www.example.org/reports/q2 as well.\r\n\r\nBob\r\n"
           "--b1\r\nContent-Type: application/pdf; name=\"report-q2.pdf\"\r\n"
           "Content-Transfer-Encoding: base64\r\n\r\n" +
           tarvox::EncodeBase64("%PDF-1.4 demo") + "\r\n--b1--\r\n.\r\n";
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
    {
        DemoMailbox mailbox;
        context.working = DemoProfile();
        context.working.host = "127.0.0.1";
        context.working.antispam.clear();  // else every row is junk and selected
        context.session = std::make_unique<tarvox::PopSession>(nullptr);
        tarvox::NetAddress address;
        if (!tarvox::ResolveHost("127.0.0.1", mailbox.port(), address) ||
            context.session->connection.Connect(false, address) != tarvox::NetResult::Success) {
            std::printf("FAILED inbox: no demo mailbox\n");
            ok = false;
        } else {
            context.session->message_count = 3;
            context.session->mailbox_size = 2310 + 845 + 15872;
            tarvox::InboxWindow window(context);
            window.show();
            while (window.worker_running()) {
                QApplication::processEvents(QEventLoop::WaitForMoreEvents);
            }
            ok = Save(window, folder, "inbox") && ok;
            {
                tarvox::InboxFiltersDialog dialog(context, &window);
                ok = Save(dialog, folder, "inbox-filters") && ok;
            }
            {
                context.paths.mail_folder_root = "/home/alice/.local/share/tarvox/mail";
                tarvox::SaveMailDialog dialog(context, window, window.messages(), context.working,
                                              &window);
                ok = Save(dialog, folder, "save-mail") && ok;
                tarvox::SaveOptions options =
                    tarvox::SaveOptionsOf(context.working, tarvox::MailFolderUse::SavedMail);
                tarvox::SaveOptionsDialog options_dialog(context, options, &dialog);
                ok = Save(options_dialog, folder, "save-options") && ok;
            }
            tarvox::InboxEntry entry = window.messages().At(0);
            entry.junk_verdict = tarvox::JunkVerdict::NotOnWhitelist;
            entry.originating_address = "203.0.113.7";
            {
                tarvox::MessageFlagsDialog dialog(context, entry, context.working, &window);
                ok = Save(dialog, folder, "message-flags") && ok;
            }
            {
                context.working.ispnetworks = "10.,192.168.";
                tarvox::ForeignIpDialog dialog(
                    context, entry, context.working, &window,
                    [](const std::string&) { return std::string("relay.example.net"); });
                QApplication::processEvents();
                ok = Save(dialog, folder, "foreign-ip") && ok;
            }
            tarvox::PopQuit(context.session->connection);
        }
        context.session.reset();
    }
    {
        tarvox::ViewerSource source;
        source.kind = tarvox::ViewerSource::Kind::File;
        source.file_path = "/home/alice/mail/Quarterly report.tvx";
        context.config.global.blockext = "exe,com,bat,scr,pif,vbs,js";
        tarvox::ViewerWindow viewer(context, DemoMessage(), source);
        ok = Save(viewer, folder, "viewer-message") && ok;
        viewer.tabs()->setCurrentIndex(1);
        ok = Save(viewer, folder, "viewer-attachments") && ok;
        tarvox::BlockListDialog dialog(context, &viewer);
        ok = Save(dialog, folder, "block-list") && ok;
    }
    {
        tarvox::ComposedMessage start;
        start.to = "Bob Builder <bob@example.org>";
        start.subject = "Re: Quarterly report";
        start.body_lines = {"Bob,\r\n",
                            "\r\n",
                            "> The figures are attached.\r\n",
                            "\r\n",
                            "Thank you, they look fine.\r\n",
                            "\r\n",
                            "-- \r\n",
                            "Alice"};
        start.attachments = {{"/home/alice/Documents/summary.pdf", "application/pdf", 48213}};
        tarvox::Profile profile;
        profile.name = "Alice";
        profile.SMTPserver = "smtp.example.org";
        profile.SMTPname = "Alice Liddell";
        profile.SMTPaddress = "alice@example.org";
        tarvox::ComposerWindow composer(context, start, profile);
        const char* pages[] = {"composer-message", "composer-attachments", "composer-smtp"};
        for (int page = 0; page < 3; ++page) {
            composer.tabs()->setCurrentIndex(page);
            ok = Save(composer, folder, pages[page]) && ok;
        }
        tarvox::ReplyValues values;
        values.from = "Bob Builder <bob@example.org>";
        values.reply_to = "projects@example.org";
        const tarvox::AddressList to = {
            {"alice@example.org", "Alice Liddell", "Alice Liddell <alice@example.org>"},
            {"carol@example.org", "", "carol@example.org"}};
        tarvox::ReplyOptionsDialog reply(context, values, to, &composer);
        ok = Save(reply, folder, "reply-options") && ok;
    }
    {
        auto* table = new tarvox::LookupTable("Friends", *context.services, nullptr);
        table->AddColumn("Name", 250);
        table->AddColumn("Address", 250);
        for (const auto& [name, address] : {std::pair{"Ann Archer", "ann@example.org"},
                                            std::pair{"Bob Builder", "bob@example.org"},
                                            std::pair{"Carol Chen", "carol@example.net"}}) {
            table->AddRow(name);
            table->SetCell(address, 1);
        }
        ok = Save(*table, folder, "address-book-table") && ok;
        delete table;
        context.address_books.books = {{"Friends", {}}, {"Work", {}}, {"Family", {}}};
        tarvox::AddressBookManager manager(context, nullptr, tarvox::AddressBookEntry{});
        ok = Save(manager, folder, "address-book-manager") && ok;
        // The Select dialog runs modally: it is drawn once it is up, then closed.
        QTimer::singleShot(0, [&] {
            if (QWidget* select = QApplication::activeModalWidget()) {
                ok = Save(*select, folder, "select-addresses") && ok;
                select->close();
            }
        });
        tarvox::SelectAddresses(tarvox::AddressBook{"Friends",
                                                    {{"Ann Archer", "ann@example.org"},
                                                     {"Bob Builder", "bob@example.org"}}},
                                true, nullptr);
    }
    {
        // Mailman after a poll of two mailboxes, one of them changed.
        tarvox::OneClientServer home([](int client) { ServePoll(client, 3, 19027); });
        tarvox::OneClientServer work([](int client) { ServePoll(client, 12, 322638); });
        context.session.reset();
        context.config.profiles.clear();
        for (const auto& [name, port, maildrop] :
             {std::tuple{"Demo", home.port(), 2}, std::tuple{"Work", work.port(), 12}}) {
            tarvox::Profile profile = DemoProfile();
            profile.name = name;
            profile.host = "127.0.0.1";
            profile.port = port;
            profile.pass = "secret";
            profile.maildrop = {maildrop, maildrop == 12 ? 322638 : 12000};
            context.config.profiles.push_back(profile);
        }
        tarvox::MailmanWindow mailman(context);
        mailman.PollNow(tarvox::PollTrigger::PollAllButton);
        QLabel* status = mailman.findChild<QLabel*>("status");
        while (!status->text().startsWith("Last mailrun")) {
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        ok = Save(mailman, folder, "mailman") && ok;
    }
    return ok ? 0 : 1;
}
