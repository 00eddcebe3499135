// The wildcard matcher over a pattern and a text split from the input at its
// first NUL byte. It must never crash, and since it never backs up in the
// text it runs in time linear in the input; a hang shows as a libFuzzer
// timeout.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "codec/base64.h"
#include "junk/junk_rules.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t split = input.find('\0');
    const std::string_view pattern = input.substr(0, split);
    const std::string_view text =
        split == std::string_view::npos ? std::string_view() : input.substr(split + 1);

    const bool matched = tarvox::MatchWildcard(pattern, text);
    // A lone "*" matches everything, and every text matches itself when it
    // holds no wildcard.
    if (!tarvox::MatchWildcard("*", text) || (text.find_first_of("*?") == std::string_view::npos &&
                                              !tarvox::MatchWildcard(text, text))) {
        std::abort();
    }
    // The pattern list decodes each item and matches it the same way.
    if (pattern.find('\0') == std::string_view::npos && !pattern.empty() &&
        tarvox::MatchPatternList(text, tarvox::EncodeBase64(pattern)) != matched) {
        std::abort();
    }
    return 0;
}
