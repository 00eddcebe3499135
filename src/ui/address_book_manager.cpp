#include "ui/address_book_manager.h"

#include <QDialogButtonBox>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "addressbook/address_book_file.h"
#include "addressbook/book_edits.h"
#include "addressbook/book_export.h"
#include "addressbook/delimited_import.h"
#include "codec/stored_text.h"
#include "ui/app_context.h"
#include "ui/lookup_table.h"
#include "ui/qt_services.h"
#include "ui/qt_text.h"
#include "ui/select_addresses_dialog.h"
#include "ui/text_printer.h"
#include "ui/window_placement.h"

namespace tarvox {

namespace {

QPushButton* MakeButton(QDialogButtonBox* box, const QString& text, const char* name) {
    QPushButton* button = box->addButton(text, QDialogButtonBox::ActionRole);
    button->setObjectName(QString::fromLatin1(name));
    return button;
}

}  // namespace

AddressBookManager::AddressBookManager(AppContext& context, QLineEdit* target,
                                       AddressBookEntry handed_in, QWidget* parent)
    : QDialog(parent), m_context(context), m_target(target), m_handed_in(std::move(handed_in)) {
    setObjectName(QStringLiteral("addressBookManager"));
    setWindowTitle(tr("Address book manager"));

    auto* bar = new QMenuBar(this);
    QMenu* file = bar->addMenu(tr("&File"));
    const auto item = [this](QMenu* menu, const QString& text, const char* name, auto command) {
        QAction* action = menu->addAction(text);
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this, command);
    };
    item(file, tr("&New"), "new", [this] { New(); });
    item(file, tr("&Rename"), "rename", [this] { Rename(); });
    item(file, tr("&Delete"), "delete", [this] { Delete(); });
    item(file, tr("&Print book..."), "printBook", [this] { PrintBook(); });
    QMenu* import = file->addMenu(tr("&Import"));
    item(import, tr("&Comma delimited..."), "importComma", [this] { Import(Delimiter::Comma); });
    item(import, tr("Ta&b delimited..."), "importTab", [this] { Import(Delimiter::Tab); });
    QMenu* exports = file->addMenu(tr("&Export"));
    item(exports, tr("&Text file..."), "exportText", [this] { Export(BookExportForm::Text); });
    item(exports, tr("Ta&b delimited..."), "exportTab",
         [this] { Export(BookExportForm::TabDelimited); });
    QMenu* help = bar->addMenu(tr("&Help"));
    item(help, tr("&Help"), "help", [this] {
        if (m_context.show_help) {
            m_context.show_help(QStringLiteral("#adbooks"));
        }
    });

    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("books"));
    connect(m_list, &QListWidget::itemDoubleClicked, this, [this] { Use(); });

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* use = MakeButton(buttons, tr("&Use"), "use");
    use->setDefault(true);
    connect(use, &QPushButton::clicked, this, &AddressBookManager::Use);
    connect(MakeButton(buttons, tr("&Edit"), "edit"), &QPushButton::clicked, this,
            &AddressBookManager::Edit);
    connect(MakeButton(buttons, tr("&Search all"), "searchAll"), &QPushButton::clicked, this,
            &AddressBookManager::SearchAll);
    connect(MakeButton(buttons, tr("&Close"), "close"), &QPushButton::clicked, this,
            &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->setMenuBar(bar);
    layout->addWidget(m_list, 1);
    layout->addWidget(buttons);
    FillList();
    RestoreWindowPlacement(*this, m_context.config.global.amsize);
}

void AddressBookManager::done(int result) {
    StoreWindowPlacement(*this, m_context.config.global.amsize);
    QDialog::done(result);
}

void AddressBookManager::FillList() {
    m_list->clear();
    for (const AddressBook& book : m_context.address_books.books) {
        m_list->addItem(ToQString(book.name));
    }
    if (m_list->count() > 0) {
        m_list->setCurrentRow(0);
    }
}

int AddressBookManager::SelectedBook() const {
    const int row = m_list->currentRow();
    return row >= 0 && row < static_cast<int>(m_context.address_books.books.size()) ? row : -1;
}

void AddressBookManager::WriteBooks() {
    // A failed write is told, as the books would be lost at the end.
    if (!SaveAddressBooks(m_context.paths.address_book_file, m_context.address_books)) {
        m_context.services->ShowMessage(
            "Unable to write the address book file " + m_context.paths.address_book_file.string(),
            "Address book manager", BoxIcon::Error);
    }
}

void AddressBookManager::New() {
    const TextPromptResult answer = m_context.services->TextPrompt(
        {.title = "Add new address book", .prompt = "Enter a name for the address book",
         .prefill = true, .initial_text = "Default"});
    if (!answer.submitted) {
        return;
    }
    if (AddBook(m_context.address_books, answer.text) == BookNameResult::Taken) {
        m_context.services->ShowMessage(kBookNameTaken, "", BoxIcon::Error);
        return;
    }
    FillList();
}

void AddressBookManager::Rename() {
    const int index = SelectedBook();
    if (index < 0) {
        return;
    }
    const TextPromptResult answer = m_context.services->TextPrompt(
        {.title = "Rename address book", .prompt = "Enter a new name for the address book",
         .prefill = true,
         .initial_text = m_context.address_books.books[static_cast<std::size_t>(index)].name});
    if (!answer.submitted) {
        return;
    }
    if (RenameBook(m_context.address_books, static_cast<std::size_t>(index), answer.text) ==
        BookNameResult::Taken) {
        m_context.services->ShowMessage(kBookNameTaken, "", BoxIcon::Error);
        return;
    }
    m_list->item(index)->setText(ToQString(answer.text));
}

void AddressBookManager::Delete() {
    const int index = SelectedBook();
    if (index < 0) {
        return;
    }
    auto& books = m_context.address_books.books;
    if (m_context.services->ShowMessage(DeleteBookQuestion(books[static_cast<std::size_t>(index)]),
                                        "Address book manager", BoxIcon::Question,
                                        BoxButtons::YesNo) == BoxAnswer::Yes) {
        books.erase(books.begin() + index);
        delete m_list->takeItem(index);
    }
}

void AddressBookManager::Edit() {
    const int index = SelectedBook();
    if (index < 0 || m_table) {
        return;
    }
    const AddressBook& book = m_context.address_books.books[static_cast<std::size_t>(index)];
    m_table = new LookupTable(ToQString(book.name), *m_context.services, this);
    m_table->AddColumn(tr("Name"), 250);
    m_table->AddColumn(tr("Address"), 250);
    for (const AddressBookEntry& entry : book.entries) {
        m_table->AddRow(ToQString(entry.name));
        m_table->SetCell(ToQString(entry.address), 1);
    }
    if (!m_handed_in.address.empty()) {
        m_table->AddRow(ToQString(m_handed_in.name));
        m_table->SetCell(ToQString(m_handed_in.address), 1);
    }
    connect(m_table, &LookupTable::closeNotify, this, &AddressBookManager::TableNotified);
    setEnabled(false);
    m_table->setEnabled(true);
    m_table->show();
}

void AddressBookManager::TableNotified(bool saved) {
    if (!saved) {
        setEnabled(true);
        return;
    }
    std::vector<AddressBookEntry> rows;
    for (int row = 0; row < m_table->RowCount(); ++row) {
        rows.push_back({FromQString(m_table->GetCell(row, 0)), FromQString(m_table->GetCell(row, 1))});
    }
    const TableSaveResult result =
        SaveTableRows(m_context.address_books, FromQString(m_table->windowTitle()), rows);
    switch (result.result) {
        case TableSave::BookLost:
            m_context.services->ShowMessage(kEditedBookLost, "FATAL ERROR", BoxIcon::Error);
            return;
        case TableSave::EmptyAddress:
            m_context.services->ShowMessage(EmptyAddressText(result.row), "Address book manager",
                                            BoxIcon::Warning);
            m_table->table()->selectRow(static_cast<int>(result.row));
            return;
        case TableSave::Saved:
            break;
    }
    m_table->CloseIfSaved();
    WriteBooks();
}

void AddressBookManager::Pick(const AddressBook& book) {
    const std::optional<std::string> text = SelectAddresses(book, !m_target.isNull(), this);
    if (text && m_target) {
        const QString before = m_target->text().left(m_target->cursorPosition());
        m_target->insert(ToQString(PastedText(FromQString(before), *text)));
    }
}

void AddressBookManager::Use() {
    const int index = SelectedBook();
    if (index >= 0) {
        Pick(m_context.address_books.books[static_cast<std::size_t>(index)]);
    }
}

void AddressBookManager::SearchAll() {
    TextPromptRequest request;
    request.title = "Search for address";
    request.prompt = "Enter part of a name/address for case-insensitive search";
    const TextPromptResult answer = m_context.services->TextPrompt(request);
    if (answer.submitted) {
        Pick(SearchAddressBooks(m_context.address_books, answer.text));
    }
}

void AddressBookManager::PrintBook() {
    const int index = SelectedBook();
    if (index >= 0) {
        const AddressBook& book = m_context.address_books.books[static_cast<std::size_t>(index)];
        PrintText(this, ToQString(book.name), FromStoredText(FormatBookText(book)));
    }
}

void AddressBookManager::Import(Delimiter delimiter) {
    const int index = SelectedBook();
    if (index < 0) {
        m_context.services->ShowMessage("Select an address book to import into", "Import",
                                        BoxIcon::Information);
        return;
    }
    if (m_context.services->ShowMessage("Are you sure you want to import into the current address book?",
                                        "Import", BoxIcon::Question,
                                        BoxButtons::YesNo) != BoxAnswer::Yes) {
        return;
    }
    FileOpenRequest request;
    request.title = delimiter == Delimiter::Comma ? tr("Import comma delimited file")
                                                  : tr("Import tab delimited file");
    request.filter = tr("All Files (*)");
    const QString path = pick_open_file(this, request);
    if (path.isEmpty()) {
        return;
    }
    if (!ImportDelimitedFile(m_context.address_books.books[static_cast<std::size_t>(index)],
                             FromQString(path), delimiter)) {
        m_context.services->ShowMessage("Unable to read from file", "", BoxIcon::Error);
        return;
    }
    WriteBooks();
}

void AddressBookManager::Export(BookExportForm form) {
    const int index = SelectedBook();
    if (index < 0) {
        return;
    }
    FileSaveRequest request;
    request.title = tr("Export address book");
    request.filter = tr("All Files (*)");
    const QString path = pick_save_file(this, request);
    if (!path.isEmpty() &&
        !WriteBookExport(m_context.address_books.books[static_cast<std::size_t>(index)], form,
                         FromQString(path))) {
        m_context.services->ShowMessage("Unable to write to file", "", BoxIcon::Error);
    }
}

void OpenAddressBooks(AppContext& context, QWidget* owner, QLineEdit* target,
                      AddressBookEntry handed_in) {
    auto* manager = new AddressBookManager(context, target, std::move(handed_in), owner);
    manager->setAttribute(Qt::WA_DeleteOnClose);
    manager->show();
}

}  // namespace tarvox
