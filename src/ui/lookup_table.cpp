#include "ui/lookup_table.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

#include "frontend/services.h"

namespace tarvox {

namespace {

constexpr const char* kStartStatus = "Select an entry to modify, or create a New entry [F1 key]";
constexpr const char* kClearQuestion = "Are you sure you want to clear the table?";
constexpr const char* kCancelQuestion = "Are you sure you want to cancel? (Changes will be lost)";

}  // namespace

LookupTable::LookupTable(const QString& title, FrontendServices& services, QWidget* owner)
    : QWidget(owner, Qt::Window), m_services(services) {
    setObjectName(QStringLiteral("lookupTable"));
    setWindowTitle(title);
    setAttribute(Qt::WA_DeleteOnClose);

    const struct {
        const char* text;
        const char* name;
        void (LookupTable::*command)();
    } buttons[] = {
        {"New [F1]", "new", &LookupTable::NewRow},   {"Delete [F2]", "delete", &LookupTable::DeleteRows},
        {"Clear all", "clearAll", &LookupTable::ClearAll}, {"Save [F5]", "save", &LookupTable::Save},
        {"Cancel", "cancel", nullptr},
    };
    auto* row = new QHBoxLayout;
    for (const auto& b : buttons) {
        auto* button = new QPushButton(tr(b.text), this);
        button->setObjectName(QString::fromLatin1(b.name));
        button->setAutoDefault(false);
        if (b.command != nullptr) {
            connect(button, &QPushButton::clicked, this, b.command);
        } else {
            connect(button, &QPushButton::clicked, this, &QWidget::close);
        }
        row->addWidget(button);
        if (b.command == &LookupTable::DeleteRows) {
            row->addStretch();  // the row's own commands apart from the table's
        }
    }

    m_table = new QTableWidget(0, 0, this);
    m_table->setObjectName(QStringLiteral("rows"));
    m_table->verticalHeader()->hide();
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    // F2 deletes here, so editing starts with a double click or by typing.
    m_table->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::AnyKeyPressed |
                             QAbstractItemView::SelectedClicked);
    m_table->installEventFilter(this);
    // F1, F2 and F5 work in the list and in a cell being edited.
    const std::pair<Qt::Key, void (LookupTable::*)()> keys[] = {
        {Qt::Key_F1, &LookupTable::NewRow}, {Qt::Key_F2, &LookupTable::DeleteRows},
        {Qt::Key_F5, &LookupTable::Save}};
    for (const auto& [key, command] : keys) {
        connect(new QShortcut(QKeySequence(key), this), &QShortcut::activated, this, command);
    }
    connect(m_table->horizontalHeader(), &QHeaderView::sectionClicked, this, &LookupTable::SortBy);
    connect(m_table, &QTableWidget::cellChanged, this, &LookupTable::CellChanged);
    connect(m_table, &QTableWidget::currentCellChanged, this, [this](int row, int column) {
        if (row >= 0) {
            m_status->setText(tr("Modify field %1 and then press ENTER").arg(column + 1));
        }
    });

    m_status = new QLabel(tr(kStartStatus), this);
    m_status->setObjectName(QStringLiteral("status"));
    m_status->setFrameShape(QFrame::Panel);
    m_status->setFrameShadow(QFrame::Sunken);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(m_table, 1);
    layout->addWidget(m_status);
    resize(560, 400);
    m_table->setFocus();
}

void LookupTable::AddColumn(const QString& title, int width) {
    const int column = m_table->columnCount();
    m_table->setColumnCount(column + 1);
    m_titles << title;
    m_table->setHorizontalHeaderItem(column, new QTableWidgetItem(title));
    m_table->setColumnWidth(column, width);
}

void LookupTable::AddRow(const QString& first) {
    const QSignalBlocker quiet(m_table);
    const int row = m_table->rowCount();
    m_table->insertRow(row);
    for (int column = 0; column < m_table->columnCount(); ++column) {
        m_table->setItem(row, column, new QTableWidgetItem(column == 0 ? first : QString()));
    }
}

void LookupTable::SetCell(const QString& text, int column) {
    const int row = m_table->rowCount() - 1;
    if (row >= 0 && column >= 0 && column < m_table->columnCount()) {
        const QSignalBlocker quiet(m_table);
        m_table->item(row, column)->setText(text);
    }
}

int LookupTable::RowCount() const {
    return m_table->rowCount();
}

QString LookupTable::GetCell(int row, int column) const {
    const QTableWidgetItem* item = m_table->item(row, column);
    return item != nullptr ? item->text() : QString();
}

void LookupTable::CloseIfSaved() {
    if (m_saved) {
        m_closing = true;
        if (parentWidget() != nullptr) {
            parentWidget()->activateWindow();
        }
        close();
    }
}

void LookupTable::NewRow() {
    AddRow(QStringLiteral("?"));
    const int row = m_table->rowCount() - 1;
    m_table->clearSelection();
    m_table->setCurrentCell(row, 0);
    m_table->scrollToItem(m_table->item(row, 0));
    m_table->setFocus();
    m_table->editItem(m_table->item(row, 0));
}

void LookupTable::DeleteRows() {
    QList<int> rows;
    for (const QModelIndex& index : m_table->selectionModel()->selectedRows()) {
        rows << index.row();
    }
    if (rows.isEmpty()) {
        return;
    }
    std::sort(rows.begin(), rows.end(), std::greater<>());
    for (const int row : rows) {
        m_table->removeRow(row);
    }
    // The row now at the first deleted place, or the last row.
    const int next = std::min(rows.back(), m_table->rowCount() - 1);
    m_table->clearSelection();
    if (next >= 0) {
        m_table->selectRow(next);
    }
}

void LookupTable::ClearAll() {
    if (UserConfirms(kClearQuestion)) {
        m_table->setRowCount(0);
    }
}

void LookupTable::Save() {
    // Moving off the cell being typed in commits it: it is part of what is saved.
    m_table->setCurrentItem(nullptr);
    m_saved = true;
    emit closeNotify(true);
}

void LookupTable::closeEvent(QCloseEvent* event) {
    if (!m_closing && !UserConfirms(kCancelQuestion)) {
        event->ignore();
        return;
    }
    m_closing = true;
    event->accept();
    emit closeNotify(false);
}

bool LookupTable::eventFilter(QObject* watched, QEvent* event) {
    // The Delete key deletes rows in the list; in a cell being edited it
    // deletes characters (the editor takes it first).
    if (watched == m_table && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        DeleteRows();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void LookupTable::SortBy(int column) {
    if (column == m_sort_column) {
        m_ascending = !m_ascending;
    } else {
        if (m_sort_column >= 0) {
            m_table->horizontalHeaderItem(m_sort_column)->setText(m_titles.value(m_sort_column));
        }
        m_sort_column = column;
        m_ascending = true;
    }
    m_table->horizontalHeaderItem(column)->setText(m_titles.value(column) +
                                                   (m_ascending ? " +" : " -"));
    m_table->sortItems(column, m_ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
}

void LookupTable::CellChanged(int row, int column) {
    QTableWidgetItem* item = m_table->item(row, column);
    if (item == nullptr) {
        return;
    }
    // A name left empty would not be kept: it reads "?" until it is typed.
    if (column == 0 && item->text().isEmpty()) {
        const QSignalBlocker quiet(m_table);
        item->setText(QStringLiteral("?"));
    }
    if (m_sort_column >= 0) {
        m_table->sortItems(m_sort_column, m_ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
        m_table->scrollToItem(item);
    }
}

bool LookupTable::UserConfirms(const char* question) {
    return m_services.ShowMessage(question, "Confirmation", BoxIcon::Question,
                                  BoxButtons::YesNoDefaultNo) == BoxAnswer::Yes;
}

}  // namespace tarvox
