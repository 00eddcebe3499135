#include "ui/foreign_ip_dialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <string>
#include <utility>
#include <vector>

#include "config/comma_list.h"
#include "junk/foreign_address.h"
#include "protocols/inbox_entry.h"
#include "ui/app_context.h"
#include "ui/page_fields.h"
#include "ui/qt_services.h"
#include "ui/qt_text.h"

namespace tarvox {

namespace {

constexpr const char* kExplanation =
    "If this address is part of your ISP and is NOT foreign, add the network to the list. For "
    "example, to cover 192.168.0.1 enter: 192.168. (takes effect next time you connect). All "
    "DNSBL filtering requires the foreign IP address -- make sure it's not local.";
constexpr const char* kNetworksNote =
    "ISP NETWORKS:\n\nEnter a partial IP address (e.g. 127.0.0.) ending with a period. Any IP "
    "that matches is seen as local, not foreign.";

}  // namespace

ForeignIpDialog::ForeignIpDialog(AppContext& context, const InboxEntry& entry, Profile& edited,
                                 QWidget* parent, ReverseLookup lookup)
    : QDialog(parent), m_context(context), m_edited(edited) {
    setWindowTitle(entry.subject.empty() ? tr("Foreign IP address") : ToQString(entry.subject));
    auto* layout = new QVBoxLayout(this);

    auto* facts = new QGridLayout;
    facts->addWidget(new QLabel(tr("First foreign IP address:"), this), 0, 0);
    m_address = new QLineEdit(ToQString(entry.originating_address), this);
    m_address->setObjectName("address");
    m_address->setReadOnly(true);
    facts->addWidget(m_address, 0, 1);
    facts->addWidget(new QLabel(tr("Hostname, reverse-lookup:"), this), 1, 0);
    m_host_name = new QLabel(this);
    m_host_name->setObjectName("hostName");
    m_host_name->setTextFormat(Qt::PlainText);
    m_host_name->setTextInteractionFlags(Qt::TextSelectableByMouse);
    facts->addWidget(m_host_name, 1, 1);
    facts->setColumnStretch(1, 1);
    layout->addLayout(facts);

    auto* explanation = new QLabel(tr(kExplanation), this);
    explanation->setObjectName("explanation");
    explanation->setWordWrap(true);
    layout->addWidget(explanation);

    auto* networks_row = new QHBoxLayout;
    auto* note = new QLabel(tr(kNetworksNote), this);
    note->setObjectName("networksNote");
    note->setWordWrap(true);
    networks_row->addWidget(note, 1);
    m_networks = new QListWidget(this);
    m_networks->setObjectName("networks");
    m_networks->setSelectionMode(QAbstractItemView::SingleSelection);
    for (std::string_view network : SplitCommaList(edited.ispnetworks)) {
        m_networks->addItem(ToQString(network));
    }
    networks_row->addWidget(m_networks, 1);
    auto* list_buttons = new QVBoxLayout;
    QPushButton* add = MakeActionButton(tr("&Add"), "add", this);
    connect(add, &QPushButton::clicked, this, &ForeignIpDialog::AddNetwork);
    QPushButton* del = MakeActionButton(tr("&Del"), "del", this);
    connect(del, &QPushButton::clicked, this, &ForeignIpDialog::DeleteNetwork);
    list_buttons->addWidget(add);
    list_buttons->addWidget(del);
    list_buttons->addStretch(1);
    networks_row->addLayout(list_buttons);
    layout->addLayout(networks_row);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName("ok");
    buttons->button(QDialogButtonBox::Cancel)->setObjectName("cancel");
    connect(buttons, &QDialogButtonBox::accepted, this, &ForeignIpDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &ForeignIpDialog::reject);
    layout->addWidget(buttons);

    if (entry.originating_address.empty()) {
        // No relay address was found: there is nothing to look up.
        m_host_name->setText(ToQString(kNoHostName));
    } else {
        StartLookup(entry.originating_address, std::move(lookup));
    }
}

ForeignIpDialog::~ForeignIpDialog() {
    if (m_lookup.joinable()) {
        m_lookup.join();
    }
}

void ForeignIpDialog::StartLookup(const std::string& address, ReverseLookup lookup) {
    m_host_name->setText(ToQString(kLookingUp));
    // The answer is queued to the dialog, which outlives the thread; one
    // still queued when the dialog goes is dropped with it.
    m_lookup = std::thread([this, lookup = std::move(lookup), address] {
        std::string name;
        try {
            name = lookup(address);
        } catch (...) {
            // No exception leaves the thread: a failed lookup shows no name.
        }
        const QString shown = ToQString(name.empty() ? kNoHostName : std::string_view(name));
        QMetaObject::invokeMethod(
            this, [this, shown] { ShowHostName(shown); }, Qt::QueuedConnection);
    });
}

void ForeignIpDialog::ShowHostName(const QString& name) {
    m_host_name->setText(name);
}

QStringList ForeignIpDialog::networks() const {
    QStringList rows;
    for (int row = 0; row < m_networks->count(); ++row) {
        rows << m_networks->item(row)->text();
    }
    return rows;
}

void ForeignIpDialog::AddNetwork() {
    if (const std::optional<std::string> network =
            AskForProviderNetwork(*m_context.services, FromQString(m_address->text()))) {
        m_networks->addItem(ToQString(*network));
    }
}

void ForeignIpDialog::DeleteNetwork() {
    const QList<QListWidgetItem*> selected = m_networks->selectedItems();
    if (!selected.isEmpty()) {
        delete m_networks->takeItem(m_networks->row(selected.front()));
    }
}

void ForeignIpDialog::accept() {
    std::vector<std::string> rows;
    for (const QString& network : networks()) {
        rows.push_back(FromQString(network));
    }
    m_edited.ispnetworks = JoinCommaList(rows);
    QDialog::accept();
}

}  // namespace tarvox
