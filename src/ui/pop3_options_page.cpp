#include "ui/pop3_options_page.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include "ui/page_fields.h"

namespace tarvox {

namespace {

constexpr int kCleartext = 0;
constexpr int kSslDirect = 1;
constexpr int kSslViaStls = 2;

constexpr int kFullMode = 0;
constexpr int kPartialMode = 1;
constexpr int kPurgeMode = 2;

constexpr int kPop3Port = 110;
constexpr int kPop3sPort = 995;

// Checks the radio button of `id`, or the first one for a value the page
// does not offer.
void CheckId(QButtonGroup* group, int id, int fallback) {
    QAbstractButton* button = group->button(id);
    if (button == nullptr) {
        button = group->button(fallback);
    }
    button->setChecked(true);
}

int CheckedId(const QButtonGroup* group, int fallback) {
    const int id = group->checkedId();
    return id < 0 ? fallback : id;
}

}  // namespace

Pop3OptionsPage::Pop3OptionsPage(QWidget* parent) : ProfilePage(parent) {
    m_protocol = new QButtonGroup(this);
    auto* cleartext = AddRadio(m_protocol, kCleartext, tr("Cleartext"), "popCleartext", this);
    auto* ssl_direct = AddRadio(m_protocol, kSslDirect, tr("SSL direct"), "popSslDirect", this);
    auto* ssl_stls = AddRadio(m_protocol, kSslViaStls, tr("SSL via STLS"), "popSslStls", this);
    m_port = MakeNumberBox("port", this);
    // Choosing a protocol fills in its usual port, over whatever was typed.
    connect(m_protocol, &QButtonGroup::idClicked, this,
            [this](int id) { SetNumber(m_port, id == kSslDirect ? kPop3sPort : kPop3Port); });

    auto* protocol_row = new QHBoxLayout;
    protocol_row->addWidget(new QLabel(tr("Connection protocol:"), this));
    protocol_row->addWidget(cleartext);
    protocol_row->addWidget(ssl_direct);
    protocol_row->addWidget(ssl_stls);
    auto* port_label = new QLabel(tr("Port:"), this);
    port_label->setBuddy(m_port);
    protocol_row->addWidget(port_label);
    protocol_row->addWidget(m_port);

    m_mode = new QButtonGroup(this);
    auto* full = AddRadio(m_mode, kFullMode, tr("F&ull"), "modeFull", this);
    auto* partial =
        AddRadio(m_mode, kPartialMode, tr("P&artial, maximum messages:"), "modePartial", this);
    auto* purge = AddRadio(m_mode, kPurgeMode, tr("&Purge"), "modePurge", this);
    m_maximum = MakeNumberBox("maximum", this);
    connect(m_mode, &QButtonGroup::idToggled, this, [this] { UpdateMaximumBox(); });
    auto* mode_row = new QHBoxLayout;
    mode_row->addWidget(new QLabel(tr("Mailbox mode:"), this));
    mode_row->addWidget(full);
    mode_row->addWidget(partial);
    mode_row->addWidget(m_maximum);
    mode_row->addWidget(purge);

    m_use_status = MakeCheck(tr("Use status fla&gs provided by server"), "use_status", this);
    m_alive = MakeCheck(tr("&Keep connection alive. NOP signal interval:"), "alive", this);
    m_nop_int = MakeNumberBox("nop_int", this);
    auto* alive_row = new QHBoxLayout;
    alive_row->addWidget(m_alive);
    alive_row->addWidget(m_nop_int);
    alive_row->addWidget(new QLabel(tr("seconds"), this));
    alive_row->addStretch();
    m_parse = MakeCheck(tr("Parse headers (uncheck for &raw access)"), "parse", this);
    m_autosort = MakeCheck(tr("Aut&osort newest to oldest"), "autosort", this);
    m_apop = MakeCheck(tr("APOP (secure &login)"), "apop", this);
    m_inpoll = MakeCheck(tr("&Include profile in poll all/Mailman"), "inpoll", this);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(protocol_row);
    layout->addLayout(mode_row);
    layout->addWidget(m_use_status);
    layout->addLayout(alive_row);
    layout->addWidget(m_parse);
    layout->addWidget(m_autosort);
    layout->addWidget(m_apop);
    layout->addWidget(m_inpoll);
    layout->addStretch();

    ShowProfile(Profile{});
}

void Pop3OptionsPage::UpdateMaximumBox() {
    m_maximum->setEnabled(m_mode->checkedId() == kPartialMode);
}

void Pop3OptionsPage::ShowProfile(const Profile& profile) {
    CheckId(m_protocol, profile.protopop, kCleartext);
    SetNumber(m_port, profile.port);
    CheckId(m_mode, profile.mode, kFullMode);
    SetNumber(m_maximum, profile.maximum);
    UpdateMaximumBox();
    SetChecked(m_use_status, profile.use_status);
    SetChecked(m_alive, profile.alive);
    SetNumber(m_nop_int, profile.nop_int);
    SetChecked(m_parse, profile.parse);
    SetChecked(m_autosort, profile.autosort);
    SetChecked(m_apop, profile.apop);
    SetChecked(m_inpoll, profile.inpoll);
}

void Pop3OptionsPage::ReadProfile(Profile& profile) const {
    profile.protopop = CheckedId(m_protocol, kCleartext);
    profile.port = ReadNumber(m_port);
    profile.mode = CheckedId(m_mode, kFullMode);
    profile.maximum = ReadNumber(m_maximum);
    profile.use_status = ReadChecked(m_use_status);
    profile.alive = ReadChecked(m_alive);
    profile.nop_int = ReadNumber(m_nop_int);
    profile.parse = ReadChecked(m_parse);
    profile.autosort = ReadChecked(m_autosort);
    profile.apop = ReadChecked(m_apop);
    profile.inpoll = ReadChecked(m_inpoll);
}

}  // namespace tarvox
