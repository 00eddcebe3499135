// Strict Base64 decoder: any input must be handled safely, and what it accepts
// must agree with the encoder. The bulk group decoder agrees with it on the
// groups it decodes and stops only where a group is cut or holds another
// character.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "codec/base64.h"

namespace {

constexpr std::string_view kAlphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// Given an accepted text whose only "=" are in its last group, the encoding
// of the decoded bytes must be the same text, except that the last data
// character may differ in the low bits that the decoder ignores.
void CheckReencoding(std::string_view text, const std::string& bytes) {
    const std::string again = tarvox::EncodeBase64(bytes);
    Check(again.size() == text.size());
    const std::size_t data_chars = text.find_last_not_of('=') + 1;
    // Bits of the last data character that carry data: all six without
    // padding, the top four before "=" (two bytes), the top two before "=="
    // (one byte).
    const std::size_t padding = text.size() - data_chars;
    const unsigned used_mask = padding == 0 ? 0x3f : (padding == 1 ? 0x3c : 0x30);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (i + 1 == data_chars) {
            const auto expected = static_cast<unsigned>(kAlphabet.find(text[i]));
            const auto actual = static_cast<unsigned>(kAlphabet.find(again[i]));
            Check((expected & used_mask) == (actual & used_mask));
        } else {
            Check(again[i] == text[i]);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    // Encoding any bytes and decoding the result gives the bytes back.
    const std::string encoded = tarvox::EncodeBase64(input);
    Check(encoded.size() == (size + 2) / 3 * 4);
    if (size > 0) {
        Check(tarvox::DecodeBase64Text(encoded) == input);
    }

    // The bulk decoder, with a limit taken from the first byte.
    const std::size_t max_groups = size > 0 ? data[0] % 64 : 0;
    std::string bulk(std::min(size / 4, max_groups) * 3, '\0');
    const std::size_t decoded = tarvox::DecodeBase64Groups(input, bulk.data(), max_groups);
    Check(decoded <= std::min(size / 4, max_groups));
    if (decoded > 0) {
        Check(tarvox::DecodeBase64Text(input.substr(0, decoded * 4)) ==
              std::string_view(bulk).substr(0, decoded * 3));
    }
    if (decoded < max_groups && (decoded + 1) * 4 <= size) {
        const std::string_view next = input.substr(decoded * 4, 4);
        Check(next.find_first_not_of(kAlphabet) != std::string_view::npos);
    }

    const std::string bytes = tarvox::DecodeBase64Text(input);
    if (bytes.empty()) {
        return 0;  // refused
    }
    // Accepted: the text up to the first NUL has a length that is a multiple
    // of four, and gives between one and three bytes per group.
    const std::string_view text = input.substr(0, input.find('\0'));
    Check(!text.empty() && text.size() % 4 == 0);
    const std::size_t groups = text.size() / 4;
    Check(bytes.size() >= groups && bytes.size() <= 3 * groups);

    // The decoded bytes always survive a second trip through the encoder.
    Check(tarvox::DecodeBase64Text(tarvox::EncodeBase64(bytes)) == bytes);

    const std::size_t first_pad = text.find('=');
    if (first_pad == std::string_view::npos || first_pad >= text.size() - 4) {
        CheckReencoding(text, bytes);
    }
    return 0;
}
