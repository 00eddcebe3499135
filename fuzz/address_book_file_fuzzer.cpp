// The tarvox.dat reader over arbitrary bytes: it must never crash, and
// whatever it loads must write out and read back unchanged. The same input is
// also read as comma and tab delimited import files.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "addressbook/address_book_file.h"
#include "addressbook/delimited_import.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const tarvox::AddressBooks books = tarvox::ReadAddressBooks(input);
    const std::string text = tarvox::FormatAddressBooks(books);
    if (tarvox::ReadAddressBooks(text) != books) {
        std::abort();
    }
    tarvox::AddressBook imported;
    const std::size_t comma = tarvox::ImportDelimitedText(imported, input, tarvox::Delimiter::Comma);
    const std::size_t tab = tarvox::ImportDelimitedText(imported, input, tarvox::Delimiter::Tab);
    if (imported.entries.size() != comma + tab) {
        std::abort();
    }
    return 0;
}
