#include "ui/profile_manager_dialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "frontend/services.h"
#include "ui/page_fields.h"
#include "ui/qt_text.h"

namespace tarvox {

namespace {

constexpr int kNameColumnWidth = 250;
constexpr int kSourceRole = Qt::UserRole;

constexpr const char* kCaption = "Profile Manager";

}  // namespace

ProfileManagerDialog::ProfileManagerDialog(ProfileList& profiles, FrontendServices& services,
                                           QWidget* parent)
    : QDialog(parent), m_profiles(profiles), m_services(services) {
    setWindowTitle(tr("Profile Manager"));

    m_rows = new QTreeWidget(this);
    m_rows->setObjectName("rows");
    m_rows->setColumnCount(1);
    m_rows->setHeaderLabels({tr("Profile Identifier")});
    m_rows->setColumnWidth(0, kNameColumnWidth);
    m_rows->setRootIsDecorated(false);
    m_rows->setSelectionMode(QAbstractItemView::SingleSelection);
    for (const Profile& profile : m_profiles) {
        AddRow(profile.name, &profile);
    }
    if (m_rows->topLevelItemCount() > 0) {
        m_rows->setCurrentItem(m_rows->topLevelItem(0));
    }

    auto* up = MakeActionButton(tr("&Up"), "up", this);
    auto* down = MakeActionButton(tr("D&own"), "down", this);
    auto* rename = MakeActionButton(tr("&Rename"), "rename", this);
    auto* remove = MakeActionButton(tr("&Delete"), "delete", this);
    auto* clone = MakeActionButton(tr("&Clone"), "clone", this);
    auto* help = MakeActionButton(tr("&Help"), "help", this);
    connect(up, &QPushButton::clicked, this, [this] { MoveSelected(-1); });
    connect(down, &QPushButton::clicked, this, [this] { MoveSelected(1); });
    connect(rename, &QPushButton::clicked, this, [this] { RenameSelected(); });
    connect(remove, &QPushButton::clicked, this, [this] { DeleteSelected(); });
    connect(clone, &QPushButton::clicked, this, [this] { CloneSelected(); });
    connect(help, &QPushButton::clicked, this, [this] {
        if (m_help) {
            m_help(QStringLiteral("#profileman"));
        }
    });
    auto* side = new QVBoxLayout;
    for (QPushButton* button : {up, down, rename, remove, clone, help}) {
        side->addWidget(button);
    }
    side->addStretch();

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName("ok");
    buttons->button(QDialogButtonBox::Cancel)->setObjectName("cancel");
    connect(buttons, &QDialogButtonBox::accepted, this, &ProfileManagerDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &ProfileManagerDialog::reject);

    auto* top = new QHBoxLayout;
    top->addWidget(m_rows, 1);
    top->addLayout(side);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(buttons);
}

void ProfileManagerDialog::AddRow(const std::string& name, const Profile* source, int index) {
    auto* item = new QTreeWidgetItem({ToQString(name)});
    item->setData(0, kSourceRole, QVariant::fromValue(reinterpret_cast<quintptr>(source)));
    if (index < 0) {
        m_rows->addTopLevelItem(item);
    } else {
        m_rows->insertTopLevelItem(index, item);
    }
}

std::vector<ProfileRow> ProfileManagerDialog::Rows() const {
    std::vector<ProfileRow> rows;
    for (int i = 0; i < m_rows->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = m_rows->topLevelItem(i);
        rows.push_back(
            {FromQString(item->text(0)),
             reinterpret_cast<const Profile*>(item->data(0, kSourceRole).value<quintptr>())});
    }
    return rows;
}

void ProfileManagerDialog::MoveSelected(int step) {
    QTreeWidgetItem* item = m_rows->currentItem();
    if (item == nullptr) {
        return;
    }
    const int from = m_rows->indexOfTopLevelItem(item);
    const int to = from + step;
    if (to < 0 || to >= m_rows->topLevelItemCount()) {
        return;
    }
    m_rows->takeTopLevelItem(from);
    m_rows->insertTopLevelItem(to, item);
    m_rows->setCurrentItem(item);
}

void ProfileManagerDialog::RenameSelected() {
    QTreeWidgetItem* item = m_rows->currentItem();
    if (item == nullptr) {
        return;
    }
    const auto row = static_cast<std::size_t>(m_rows->indexOfTopLevelItem(item));
    if (const std::optional<std::string> name =
            AskProfileName(m_services, Rows(), row, ProfileNaming::Rename)) {
        item->setText(0, ToQString(*name));
    }
}

void ProfileManagerDialog::DeleteSelected() {
    QTreeWidgetItem* item = m_rows->currentItem();
    if (item == nullptr) {
        return;
    }
    if (m_services.ShowMessage("Are you sure you want to delete this profile?", kCaption,
                               BoxIcon::Warning, BoxButtons::YesNo) != BoxAnswer::Yes) {
        return;
    }
    delete m_rows->takeTopLevelItem(m_rows->indexOfTopLevelItem(item));
}

void ProfileManagerDialog::CloneSelected() {
    QTreeWidgetItem* item = m_rows->currentItem();
    if (item == nullptr) {
        return;
    }
    const auto row = static_cast<std::size_t>(m_rows->indexOfTopLevelItem(item));
    const std::vector<ProfileRow> rows = Rows();
    const std::optional<std::string> name =
        AskProfileName(m_services, rows, row, ProfileNaming::Clone);
    if (!name) {
        return;
    }
    AddRow(*name, rows[row].source);
    m_rows->setCurrentItem(m_rows->topLevelItem(m_rows->topLevelItemCount() - 1));
}

void ProfileManagerDialog::accept() {
    std::optional<ProfileList> rebuilt = ProfilesFromRows(Rows());
    if (!rebuilt) {
        m_services.ShowMessage("Error reading list entry", kCaption, BoxIcon::Error);
        return;
    }
    m_profiles = std::move(*rebuilt);
    QDialog::accept();
}

}  // namespace tarvox
