// The address list splitter on any text: no crash, the count it returns is
// what it appended behind the entries already there, and every entry has an
// address or a name, each a piece of the text on one line.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz_check.h"
#include "message/address_list.h"

namespace {

using tarvox::fuzz::Check;

void CheckPiece(std::string_view text, std::string_view piece) {
    Check(piece.find('\n') == std::string_view::npos);
    Check(piece.empty() || text.find(piece) != std::string_view::npos);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tarvox;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const AddressEntry first{"first@x", "First", "First <first@x>"};
    AddressList list = {first};
    const std::size_t appended = ParseAddressList(text, list);
    Check(list.size() == appended + 1 && list[0] == first);
    for (std::size_t i = 1; i < list.size(); ++i) {
        const AddressEntry& entry = list[i];
        Check(!entry.address.empty() || !entry.raw.empty());
        CheckPiece(text, entry.address);
        CheckPiece(text, entry.name);
        CheckPiece(text, entry.raw);
    }
    return 0;
}
