#include "addressbook/book_export.h"

#include <algorithm>

#include "codec/latin1.h"
#include "codec/stored_text.h"
#include "config/atomic_file.h"
#include "config/file_io.h"

namespace tarvox {

namespace {

// Characters of the text: Utf8ToLatin1 gives one byte for each.
std::size_t Characters(std::string_view text) { return Utf8ToLatin1(text).size(); }

}  // namespace

std::string FormatBookText(const AddressBook& book) {
    const std::string rule(Characters(book.name), '-');
    std::string out = rule + "\r\n" + book.name + "\r\n" + rule + "\r\n\r\n";
    std::size_t width = 0;
    for (const AddressBookEntry& entry : book.entries) {
        width = std::max(width, Characters(entry.name));
    }
    for (const AddressBookEntry& entry : book.entries) {
        out += entry.name;
        out.append(width - Characters(entry.name), ' ');
        out += '\t';
        out += entry.address;
        out += "\r\n";
    }
    return ToStoredText(out);
}

std::string FormatBookTabDelimited(const AddressBook& book) {
    std::string out;
    for (const AddressBookEntry& entry : book.entries) {
        out += entry.name;
        out += '\t';
        out += entry.address;
        out += "\r\n";
    }
    return ToStoredText(out);
}

bool WriteBookExport(const AddressBook& book, BookExportForm form,
                     const std::filesystem::path& path) {
    const std::string content =
        form == BookExportForm::Text ? FormatBookText(book) : FormatBookTabDelimited(book);
    return ReplaceChosenFile(path, [&content](int fd) { return WriteAll(fd, content); });
}

}  // namespace tarvox
