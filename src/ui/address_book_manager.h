// The "Address book manager": the books by name, with Use, Edit, Search all
// and Close, and a File menu to make, rename, delete, print, import and export
// books. Edit opens the book in a LookupTable and disables the manager until
// the table has gone; its Save replaces the book's entries and writes the
// address book file at once. Use and Search all show entries in "Select
// address(es)", whose Paste inserts into the composer field that opened the
// manager. The placement is kept in `amsize`.
#pragma once

#include <QDialog>
#include <QLineEdit>
#include <QPointer>

#include "addressbook/address_book.h"
#include "ui/file_open_picker.h"
#include "ui/file_save_picker.h"
#include "ui/lookup_table.h"

class QListWidget;

namespace tarvox {

struct AppContext;
enum class Delimiter;
enum class BookExportForm;

class AddressBookManager : public QDialog {
    Q_OBJECT

public:
    // `target`: the composer's address field waiting for Paste (none when
    // opened from elsewhere). `handed_in`: an entry added as a last row when
    // a book is edited (none without an address).
    AddressBookManager(AppContext& context, QLineEdit* target, AddressBookEntry handed_in,
                       QWidget* parent = nullptr);

    // The commands of the buttons and the menu.
    void New();
    void Rename();
    void Delete();
    void Edit();
    void SearchAll();
    void Use();
    void PrintBook();
    void Import(Delimiter delimiter);
    void Export(BookExportForm form);

    QListWidget* books() const { return m_list; }
    // The table of the book being edited, if any.
    LookupTable* table() const { return m_table; }

    // How files are chosen; tests answer without a file dialog.
    FileSavePicker pick_save_file = PickSaveFile;
    FileOpenPicker pick_open_file = PickExistingFile;

protected:
    void done(int result) override;

private:
    // The selected book's place in the list of books, or -1.
    int SelectedBook() const;
    void FillList();
    void TableNotified(bool saved);
    void WriteBooks();
    // Shows the book's entries to pick from and pastes what was picked.
    void Pick(const struct AddressBook& book);

    AppContext& m_context;
    QPointer<QLineEdit> m_target;
    AddressBookEntry m_handed_in;
    QListWidget* m_list = nullptr;
    QPointer<LookupTable> m_table;
};

// Opens a manager in front of `owner` (deleted when it closes).
void OpenAddressBooks(AppContext& context, QWidget* owner, QLineEdit* target = nullptr,
                      AddressBookEntry handed_in = {});

}  // namespace tarvox
