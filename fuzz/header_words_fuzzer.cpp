// RFC 2047 words over arbitrary bytes: decoding never crashes, gives
// well-formed UTF-8 at most three bytes for each input byte, and leaves the
// words as they stand when it fails; whatever the encoder writes decodes back
// to the UTF-8 text it was given.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "codec/utf8.h"
#include "message/header_words.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);

    std::string decoded = input;
    if (tarvox::DecodeHeaderWords(decoded)) {
        if (decoded.size() > 3 * input.size()) {
            std::abort();
        }
    } else if (decoded != tarvox::RawHeaderText(input)) {
        std::abort();
    }
    if (!tarvox::IsUtf8(decoded)) {
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
        // The encoder takes UTF-8; bytes that are not become U+FFFD.
        if (!tarvox::DecodeHeaderWords(encoded) || encoded != tarvox::ValidUtf8(input)) {
            std::abort();
        }
    }
    return 0;
}
