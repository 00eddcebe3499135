// RFC 2047 words over arbitrary bytes: decoding never crashes, never grows
// the text and leaves it alone when it fails; whatever the encoder writes
// decodes back to the text it was given.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "message/header_words.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);

    std::string decoded = input;
    if (tarvox::DecodeHeaderWords(decoded)) {
        if (decoded.size() > input.size()) {
            std::abort();
        }
    } else if (decoded != input) {
        std::abort();
    }

    for (const std::size_t capacity : {std::size_t{512}, std::size_t{1} << 20}) {
        std::string encoded = input;
        if (!tarvox::EncodeHeaderWord(encoded, capacity)) {
            if (encoded != input) {
                std::abort();
            }
            continue;
        }
        if (encoded.size() >= capacity) {
            std::abort();
        }
        // A NUL byte would end the decoded value, as it ends a C string.
        if (input.find('\0') != std::string::npos) {
            continue;
        }
        if (!tarvox::DecodeHeaderWords(encoded) || encoded != input) {
            std::abort();
        }
    }
    return 0;
}
