// The editable table window: rows of text cells under titled columns, edited
// in place, with New [F1], Delete [F2], Clear all, Save [F5] and Cancel, and a
// status line. The owner fills it, shows it and is told by closeNotify when
// the user saves (true: the window stays until CloseIfSaved) and when the
// window has gone (false). A click on a column title sorts by that column,
// again reverses the order; the title shows "Name +" or "Name -".
#pragma once

#include <QString>
#include <QWidget>

class QLabel;
class QTableWidget;

namespace tarvox {

class FrontendServices;

class LookupTable : public QWidget {
    Q_OBJECT

public:
    // A window of its own, titled `title`, over `owner`; boxes go to `services`.
    LookupTable(const QString& title, FrontendServices& services, QWidget* owner);

    void AddColumn(const QString& title, int width);
    // A new last row with `first` in the first column.
    void AddRow(const QString& first);
    // A cell of the row added last.
    void SetCell(const QString& text, int column);
    int RowCount() const;
    QString GetCell(int row, int column) const;

    bool saved() const { return m_saved; }
    // After Save: closes the window and activates the owner.
    void CloseIfSaved();

    // The commands of the buttons and keys.
    void NewRow();
    void DeleteRows();
    void ClearAll();
    void Save();

    QTableWidget* table() const { return m_table; }
    QLabel* status_line() const { return m_status; }

signals:
    void closeNotify(bool saved);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SortBy(int column);
    void CellChanged(int row, int column);
    bool UserConfirms(const char* question);

    FrontendServices& m_services;
    QTableWidget* m_table = nullptr;
    QLabel* m_status = nullptr;
    QStringList m_titles;
    int m_sort_column = -1;
    bool m_ascending = true;
    bool m_saved = false;
    bool m_closing = false;
};

}  // namespace tarvox
