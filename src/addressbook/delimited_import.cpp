#include "addressbook/delimited_import.h"

#include "codec/stored_text.h"
#include "config/file_io.h"

namespace tarvox {

namespace {

// Leading blanks and tabs removed, the other tabs made blanks.
void TidyBlanks(std::string& field) {
    std::size_t start = field.find_first_not_of(" \t");
    field.erase(0, start == std::string::npos ? field.size() : start);
    for (char& c : field) {
        if (c == '\t') {
            c = ' ';
        }
    }
}

// The line without its line end (LF, or CR LF as a file from Windows has it).
std::string_view WithoutLineEnd(std::string_view line) {
    if (line.ends_with('\n')) {
        line.remove_suffix(1);
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
    }
    return line;
}

std::optional<AddressBookEntry> ParseTabLine(std::string_view line) {
    const std::size_t tab = line.find('\t');
    if (tab == std::string_view::npos || tab == 0) {
        return std::nullopt;
    }
    std::string_view rest = line.substr(tab + 1);
    const std::size_t end = rest.find_first_of("\t\n");
    std::string_view address = rest.substr(0, end);
    if (address.empty()) {
        return std::nullopt;
    }
    return AddressBookEntry{std::string(line.substr(0, tab)), std::string(address)};
}

std::optional<AddressBookEntry> ParseCommaLine(std::string_view line) {
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '"') {
            quoted = !quoted;
        } else if (line[i] == ',' && !quoted) {
            return AddressBookEntry{std::string(line.substr(0, i)),
                                    std::string(line.substr(i + 1))};
        }
    }
    return std::nullopt;
}

}  // namespace

std::string CleanImportedField(std::string_view field) {
    std::string text(field);
    TidyBlanks(text);
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
        text = text.substr(1, text.size() - 2);
    }
    TidyBlanks(text);
    return text;
}

std::optional<AddressBookEntry> ParseDelimitedLine(std::string_view line, Delimiter delimiter) {
    const std::string text = FromStoredText(WithoutLineEnd(line));
    line = text;
    std::optional<AddressBookEntry> entry =
        delimiter == Delimiter::Tab ? ParseTabLine(line) : ParseCommaLine(line);
    if (entry) {
        entry->name = CleanImportedField(entry->name);
        entry->address = CleanImportedField(entry->address);
    }
    return entry;
}

std::size_t ImportDelimitedText(AddressBook& book, std::string_view text, Delimiter delimiter) {
    std::size_t added = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        end = end == std::string_view::npos ? text.size() : end + 1;
        std::optional<AddressBookEntry> entry =
            ParseDelimitedLine(text.substr(start, end - start), delimiter);
        start = end;
        if (entry) {
            entry = StorableEntry(std::move(*entry));
        }
        if (entry) {
            book.entries.push_back(std::move(*entry));
            ++added;
        }
    }
    return added;
}

std::optional<std::size_t> ImportDelimitedFile(AddressBook& book, const std::filesystem::path& path,
                                               Delimiter delimiter) {
    const std::optional<std::string> text = ReadFileBytes(path.string());
    if (!text) {
        return std::nullopt;
    }
    return ImportDelimitedText(book, *text, delimiter);
}

}  // namespace tarvox
