// Any bytes in any charset: decoding gives well-formed UTF-8 and never fails; stored
// text reads back as the text it stores.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "codec/charset.h"
#include "codec/stored_text.h"
#include "codec/utf8.h"
#include "fuzz_check.h"

namespace {

// The first byte picks the charset; the rest is the text.
constexpr std::string_view kCharsets[] = {
    "",          "UTF-8",      "ISO-8859-1", "ISO-8859-15", "windows-1252", "KOI8-R",
    "ISO-2022-JP", "GB18030",  "Big5",       "Shift_JIS",   "EUC-KR",       "UTF-16",
    "UTF-7",     "x-unknown",  "us-ascii",   "UTF-8//IGNORE"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::string_view charset = kCharsets[data[0] % std::size(kCharsets)];
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    const tarvox::DecodedText decoded = tarvox::DecodeCharset(bytes, charset);
    tarvox::fuzz::Check(tarvox::IsUtf8(decoded.utf8));
    tarvox::fuzz::Check(tarvox::FromStoredText(tarvox::ToStoredText(decoded.utf8)) == decoded.utf8);
    const std::string_view prefix = tarvox::Utf8Prefix(decoded.utf8, bytes.size() / 2);
    tarvox::fuzz::Check(tarvox::IsUtf8(prefix) && prefix.size() <= bytes.size() / 2);
    return 0;
}
