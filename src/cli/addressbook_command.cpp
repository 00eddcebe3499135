#include "cli/addressbook_command.h"

#include <cstdio>
#include <filesystem>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "addressbook/address_book_file.h"
#include "addressbook/book_edits.h"
#include "addressbook/book_export.h"
#include "addressbook/delimited_import.h"
#include "cli/terminal_text.h"
#include "codec/stored_text.h"
#include "config/data_paths.h"

namespace tarvox {

namespace {

namespace fs = std::filesystem;

constexpr const char* kUsage =
    "usage: tarvox-cli addressbook [--data FILE] list\n"
    "       tarvox-cli addressbook [--data FILE] show BOOK\n"
    "       tarvox-cli addressbook [--data FILE] search TEXT\n"
    "       tarvox-cli addressbook [--data FILE] import BOOK --comma|--tab FILE\n"
    "       tarvox-cli addressbook [--data FILE] export BOOK --text|--tab FILE\n";

enum class Action { List, Show, Search, Import, Export };

struct Request {
    fs::path data;
    Action action = Action::List;
    std::string book;  // or the search text
    std::string form;  // --comma, --tab or --text
    fs::path file;
};

// The words after the options: the action, then its operands.
std::optional<Request> ParseRequest(std::span<const std::string_view> args) {
    Request request;
    request.data = ResolveDataPaths(DataPathInputsFromEnvironment()).address_book_file;
    std::vector<std::string_view> words;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--data" && i + 1 < args.size()) {
            request.data = std::string(args[++i]);
        } else {
            words.push_back(args[i]);
        }
    }
    if (words.empty()) {
        return std::nullopt;
    }
    const std::string_view action = words[0];
    const auto form = [&](std::initializer_list<std::string_view> allowed) {
        for (const std::string_view word : allowed) {
            if (words[2] == word) {
                return true;
            }
        }
        return false;
    };
    if (action == "list" && words.size() == 1) {
        request.action = Action::List;
    } else if ((action == "show" || action == "search") && words.size() == 2) {
        request.action = action == "show" ? Action::Show : Action::Search;
        request.book = words[1];
    } else if (action == "import" && words.size() == 4 && form({"--comma", "--tab"})) {
        request.action = Action::Import;
    } else if (action == "export" && words.size() == 4 && form({"--text", "--tab"})) {
        request.action = Action::Export;
    } else {
        return std::nullopt;
    }
    if (words.size() == 4) {
        request.book = words[1];
        request.form = words[2];
        request.file = std::string(words[3]);
    }
    return request;
}

void PrintBook(const AddressBook& book) {
    PrintTerminalText(FromStoredText(FormatBookText(book)), false);
}

int Fail(const std::string& text) {
    std::fprintf(stderr, "tarvox-cli: %s\n", text.c_str());
    return 1;
}

// Adds the file's entries to the book (made when missing, at the top as New
// makes it) and writes the address book file at once.
int Import(AddressBooks& books, const Request& request) {
    AddressBooks changed = books;
    AddBook(changed, request.book);  // unless it exists
    const std::optional<std::size_t> added =
        ImportDelimitedFile(*FindAddressBook(changed, request.book), request.file,
                            request.form == "--tab" ? Delimiter::Tab : Delimiter::Comma);
    if (!added) {
        return Fail("Unable to read from file " + request.file.string());
    }
    if (!SaveAddressBooks(request.data, changed)) {
        return Fail("Unable to write " + request.data.string() + "; nothing was imported");
    }
    std::printf("%zu entries imported into %s\n", *added, request.book.c_str());
    return 0;
}

}  // namespace

int RunAddressBookCommand(std::span<const std::string_view> args) {
    const std::optional<Request> request = ParseRequest(args);
    if (!request || (request->book.empty() && request->action != Action::List)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    AddressBookFileState state = AddressBookFileState::Read;
    AddressBooks books = LoadAddressBooks(request->data, &state);
    if (state == AddressBookFileState::Unreadable) {
        return Fail("Unable to read " + request->data.string());
    }

    switch (request->action) {
        case Action::List:
            for (const AddressBook& book : books.books) {
                std::printf("%s\t%zu\n", book.name.c_str(), book.entries.size());
            }
            return 0;
        case Action::Search:
            PrintBook(SearchAddressBooks(books, request->book));
            return 0;
        case Action::Import:
            return Import(books, *request);
        case Action::Show:
        case Action::Export:
            break;
    }
    const AddressBook* book = FindAddressBook(books, request->book);
    if (book == nullptr) {
        return Fail("Unable to locate address book " + request->book);
    }
    if (request->action == Action::Show) {
        PrintBook(*book);
        return 0;
    }
    const BookExportForm form =
        request->form == "--tab" ? BookExportForm::TabDelimited : BookExportForm::Text;
    if (!WriteBookExport(*book, form, request->file)) {
        return Fail("Unable to write to file " + request->file.string());
    }
    return 0;
}

}  // namespace tarvox
