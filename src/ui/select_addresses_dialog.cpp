#include "ui/select_addresses_dialog.h"

#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <vector>

#include "addressbook/address_book.h"
#include "addressbook/book_edits.h"
#include "ui/qt_text.h"

namespace tarvox {

namespace {

void ToggleMark(QTreeWidgetItem* item) {
    if (item != nullptr) {
        item->setCheckState(0, item->checkState(0) == Qt::Checked ? Qt::Unchecked : Qt::Checked);
    }
}

// The list, with the space bar toggling the current row's mark.
class MarkList : public QTreeWidget {
public:
    using QTreeWidget::QTreeWidget;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Space) {
            ToggleMark(currentItem());
            return;
        }
        QTreeWidget::keyPressEvent(event);
    }
};

}  // namespace

std::optional<std::string> SelectAddresses(const AddressBook& book, bool field_waiting,
                                           QWidget* parent) {
    QDialog dialog(parent);
    dialog.setObjectName("selectAddresses");
    dialog.setWindowTitle(ToQString(book.name));
    auto* layout = new QVBoxLayout(&dialog);

    auto* list = new MarkList(&dialog);
    list->setObjectName("entries");
    list->setRootIsDecorated(false);
    list->setHeaderLabels({QDialog::tr("Name"), QDialog::tr("Address")});
    list->header()->resizeSection(0, 200);
    list->header()->resizeSection(1, 200);
    for (const AddressBookEntry& entry : book.entries) {
        auto* item = new QTreeWidgetItem(list, {ToQString(entry.name), ToQString(entry.address)});
        item->setFlags(item->flags() & ~Qt::ItemIsUserCheckable);
        item->setCheckState(0, Qt::Unchecked);
    }
    // A click anywhere on a row, the box included, toggles its mark: the
    // boxes do not toggle by themselves.
    QObject::connect(list, &QTreeWidget::itemClicked, &dialog,
                     [](QTreeWidgetItem* item) { ToggleMark(item); });
    layout->addWidget(list);

    auto* all = new QCheckBox(QDialog::tr("Select &all addresses"), &dialog);
    all->setObjectName("selectAll");
    all->setEnabled(field_waiting);
    QObject::connect(all, &QCheckBox::toggled, &dialog, [list](bool checked) {
        for (int row = 0; row < list->topLevelItemCount(); ++row) {
            list->topLevelItem(row)->setCheckState(0, checked ? Qt::Checked : Qt::Unchecked);
        }
    });
    layout->addWidget(all);

    auto* buttons = new QDialogButtonBox(&dialog);
    QPushButton* paste = buttons->addButton(QDialog::tr("&Paste"), QDialogButtonBox::AcceptRole);
    paste->setObjectName("paste");
    paste->setEnabled(field_waiting);
    QPushButton* cancel = buttons->addButton(QDialog::tr("Cancel"), QDialogButtonBox::RejectRole);
    cancel->setObjectName("cancel");
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    dialog.resize(460, 320);  // both columns whole

    if (dialog.exec() != QDialog::Accepted || !field_waiting) {
        return std::nullopt;
    }
    std::vector<bool> marked;
    for (int row = 0; row < list->topLevelItemCount(); ++row) {
        marked.push_back(list->topLevelItem(row)->checkState(0) == Qt::Checked);
    }
    return JoinMarkedAddresses(book.entries, marked);
}

}  // namespace tarvox
