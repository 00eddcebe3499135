#include "ui/recent_addresses_dialog.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/help_button.h"
#include "ui/qt_text.h"

namespace tarvox {

std::optional<std::string> PickRecentAddress(const std::vector<std::string>& recent,
                                             AppContext& context, QWidget* parent) {
    QDialog dialog(parent);
    dialog.setWindowTitle(QDialog::tr("Recently used addresses"));
    auto* layout = new QVBoxLayout(&dialog);
    auto* list = new QListWidget(&dialog);
    list->setObjectName("addresses");
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    // Row r shows recent[size - 1 - r].
    for (auto address = recent.rbegin(); address != recent.rend(); ++address) {
        list->addItem(ToQString(*address));
    }
    list->setCurrentRow(0);
    layout->addWidget(list);
    QObject::connect(list, &QListWidget::itemDoubleClicked, &dialog,
                     [list, &dialog](QListWidgetItem* item) {
                         list->setCurrentItem(item);
                         dialog.accept();
                     });

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    buttons->button(QDialogButtonBox::Ok)->setObjectName("ok");
    buttons->button(QDialogButtonBox::Cancel)->setObjectName("cancel");
    AddHelpButton(buttons, QDialog::tr("&Help"), context, QStringLiteral("#adbooks"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);

    if (dialog.exec() != QDialog::Accepted || list->currentRow() < 0) {
        return std::nullopt;
    }
    const int row = list->currentRow();
    return recent[recent.size() - 1 - static_cast<std::size_t>(row)];
}

}  // namespace tarvox
