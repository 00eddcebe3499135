// Letter-hex: decoding any text must be safe, and encoding any bytes must
// decode back to the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "codec/letter_hex.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    // Any text decodes, to half its length rounded down.
    if (tarvox::DecodeLetterHex(input).size() != size / 2) {
        std::abort();
    }

    const std::string letters = tarvox::EncodeLetterHex(input);
    if (letters.size() != 2 * size) {
        std::abort();
    }
    for (const char letter : letters) {
        if (letter < 'A' || letter > 'P') {
            std::abort();
        }
    }
    if (tarvox::DecodeLetterHex(letters) != input) {
        std::abort();
    }
    return 0;
}
