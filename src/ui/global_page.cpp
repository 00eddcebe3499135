#include "ui/global_page.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "config/box_number.h"
#include "config/global_settings_edits.h"
#include "config/master_passphrase.h"
#include "ui/gpg_settings_dialog.h"
#include "ui/qt_services.h"
#include "ui/qt_text.h"

namespace tarvox {

namespace {

QLineEdit* NumberBox(QWidget* parent, const char* name) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(name);
    box->setMaxLength(6);
    box->setMaximumWidth(70);
    box->setValidator(new QRegularExpressionValidator(QRegularExpression("-?[0-9]*"), box));
    return box;
}

QCheckBox* CheckBox(QWidget* parent, const char* text, const char* name) {
    auto* box = new QCheckBox(text, parent);
    box->setObjectName(name);
    return box;
}

}  // namespace

GlobalPage::GlobalPage(AppContext& context, QWidget* parent)
    : QWidget(parent),
      m_context(context),
      // Mailman, the background poller, does not exist yet: until the window
      // that owns it installs its hooks, starting and stopping do nothing and
      // it never runs.
      m_mailman_control([](bool) {}),
      m_mailman_running([] { return false; }),
      m_picker(PickExistingFile) {
    auto* layout = new QVBoxLayout(this);

    auto* mailman = new QGridLayout;
    mailman->addWidget(new QLabel("Mailman connect time-out:", this), 0, 0);
    m_timeout = NumberBox(this, "timeout");
    mailman->addWidget(m_timeout, 0, 1);
    mailman->addWidget(new QLabel("seconds", this), 0, 2);
    m_mailman = CheckBox(this, "Enable &Mailman (system tray icon)", "mailman");
    mailman->addWidget(m_mailman, 1, 0, 1, 3);
    mailman->addWidget(new QLabel("Poll profiles every", this), 2, 0);
    m_freq = NumberBox(this, "freq");
    mailman->addWidget(m_freq, 2, 1);
    mailman->addWidget(new QLabel("minutes", this), 2, 2);
    m_repoll = CheckBox(this, "&Refresh mail report if new mail", "repoll");
    mailman->addWidget(m_repoll, 3, 0, 1, 3);
    m_newsound = CheckBox(this, "&Play new mail sound", "newsound");
    mailman->addWidget(m_newsound, 4, 0, 1, 3);
    m_checkras = CheckBox(this, "&Check for RAS connection first", "checkras");
    mailman->addWidget(m_checkras, 5, 0, 1, 3);
    mailman->setColumnStretch(3, 1);
    layout->addLayout(mailman);

    auto* lock = new QGroupBox("Master passphrase for Tarvox execution", this);
    auto* lock_layout = new QGridLayout(lock);
    m_master = CheckBox(lock, "&Enable", "master");
    lock_layout->addWidget(m_master, 0, 0);
    m_reprompt = CheckBox(lock, "Re-pr&ompt from Mailman", "reprompt");
    lock_layout->addWidget(m_reprompt, 0, 1);
    lock_layout->addWidget(new QLabel("Passphrase:", lock), 1, 0);
    m_passphrase = new QLineEdit(lock);
    m_passphrase->setObjectName("passphrase");
    m_passphrase->setEchoMode(QLineEdit::Password);
    m_passphrase->setMaxLength(static_cast<int>(kFieldCapacity - 1));
    lock_layout->addWidget(m_passphrase, 1, 1);
    auto* caution = new QLabel(
        "Case sensitive (any characters). Minimum 6. CAUTION - there is no way to bypass lock!",
        lock);
    caution->setWordWrap(true);
    lock_layout->addWidget(caution, 2, 0, 1, 2);
    m_keyring = CheckBox(lock, "Store passwords in the desktop &keyring", "keyring");
    lock_layout->addWidget(m_keyring, 3, 0, 1, 2);
    layout->addWidget(lock);

    auto* tools = new QHBoxLayout;
    auto* gpg = new QPushButton("&GPG setup...", this);
    gpg->setObjectName("gpgSetup");
    connect(gpg, &QPushButton::clicked, this, &GlobalPage::OpenGpgSetup);
    tools->addWidget(gpg);
    tools->addSpacing(16);
    tools->addWidget(new QLabel("Registry settings:", this));
    auto* mailto = new QPushButton("Set mailto: handler", this);
    mailto->setObjectName("setMailtoHandler");
    connect(mailto, &QPushButton::clicked, this, [this] {
        ShowRegistration(RegisterMailtoHandler(m_desktop_folders(), RunningProgram()));
    });
    tools->addWidget(mailto);
    auto* associate = new QPushButton("Associate .TVX", this);
    associate->setObjectName("associateTvx");
    connect(associate, &QPushButton::clicked, this, [this] {
        ShowRegistration(AssociateMessageFiles(m_desktop_folders(), RunningProgram()));
    });
    tools->addWidget(associate);
    tools->addStretch(1);
    layout->addLayout(tools);

    auto* bottom = new QHBoxLayout;
    auto* apply = new QPushButton("&Apply", this);
    apply->setObjectName("apply");
    connect(apply, &QPushButton::clicked, this, [this] { Apply(); });
    bottom->addWidget(apply);
    bottom->addWidget(new QLabel("Click Apply to activate changes on this page.", this));
    bottom->addStretch(1);
    auto* help = new QPushButton("He&lp", this);
    help->setObjectName("help");
    connect(help, &QPushButton::clicked, this, [this] {
        if (m_context.show_help) {
            m_context.show_help("#global");
        }
    });
    bottom->addWidget(help);
    layout->addLayout(bottom);
    layout->addStretch(1);

    ShowSettings();
}

void GlobalPage::SetMailmanControl(std::function<void(bool run)> control,
                                   std::function<bool()> running) {
    m_mailman_control = std::move(control);
    m_mailman_running = std::move(running);
}

void GlobalPage::SetDesktopFolders(std::function<DesktopFolders()> folders) {
    m_desktop_folders = std::move(folders);
}

void GlobalPage::ShowRegistration(const std::vector<std::string>& failures) {
    // Success says nothing; every failure is told in one box.
    const std::string text = RegistrationFailureText(failures);
    if (!text.empty()) {
        m_context.services->ShowMessage(text, "Desktop registration", BoxIcon::Error);
    }
}

void GlobalPage::SetFilePicker(FileOpenPicker picker) {
    m_picker = std::move(picker);
}

void GlobalPage::ShowSettings() {
    const GlobalSettings& g = m_context.config.global;
    m_timeout->setText(QString::number(g.timeout));
    m_mailman->setChecked(g.mailman == 1);
    m_freq->setText(QString::number(g.freq));
    m_repoll->setChecked(g.repoll == 1);
    m_newsound->setChecked(g.newsound == 1);
    m_checkras->setChecked(g.checkras == 1);
    m_master->setChecked(g.master == 1);
    m_reprompt->setChecked(g.reprompt == 1);
    m_keyring->setChecked(g.keyring == 1);
    m_passphrase->clear();
}

bool GlobalPage::Apply() {
    FrontendServices& services = *m_context.services;
    GlobalSettings& g = m_context.config.global;

    // A text that is no number reads as 0, which every range check refuses.
    const int timeout = ReadBoxNumber(FromQString(m_timeout->text()), BoxSign::Signed);
    const int freq = ReadBoxNumber(FromQString(m_freq->text()), BoxSign::Signed);
    const GlobalRangeError range = CheckGlobalRanges(timeout, freq);
    if (range != GlobalRangeError::None) {
        services.ShowMessage(GlobalRangeErrorText(range), "", BoxIcon::Error);
        (range == GlobalRangeError::Timeout ? m_timeout : m_freq)->setFocus();
        return false;
    }
    g.freq = freq;
    g.timeout = timeout;
    ApplyMailmanSetting(g, m_mailman->isChecked(), m_mailman_running(), m_mailman_control);

    g.repoll = m_repoll->isChecked() ? 1 : 0;
    g.checkras = m_checkras->isChecked() ? 1 : 0;
    g.reprompt = m_reprompt->isChecked() ? 1 : 0;
    g.keyring = m_keyring->isChecked() ? 1 : 0;

    if (!ApplyPassphraseSetting(services, g, m_context.config.master_passphrase,
                                m_master->isChecked(), FromQString(m_passphrase->text()))) {
        m_master->setChecked(false);
        m_passphrase->setFocus();
        return false;
    }

    m_newsound->setChecked(
        ApplyNewMailSound(g, m_newsound->isChecked(), [this](std::string_view start) {
            FileOpenRequest request;
            request.filter = "Wave audio (*.WAV)";
            request.default_suffix = "wav";
            request.start = ToQString(start);
            return FromQString(m_picker(this, request));
        }));
    return true;
}

void GlobalPage::OpenGpgSetup() {
    GpgSettingsDialog dialog(m_context.config.global, *m_context.services, this);
    dialog.SetFilePicker(m_picker);
    dialog.exec();
}

}  // namespace tarvox
