// The Date header parser on any text: no crash, and a date it reads comes out
// as "<year>-MM-DD HH:MM:SS" with every field in range.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "message/mail_date.h"

namespace {

using tarvox::fuzz::Check;

// The two-digit field at `at`, or -1 when it is not two digits.
int TwoDigits(std::string_view text, std::size_t at) {
    const char high = text[at];
    const char low = text[at + 1];
    if (high < '0' || high > '9' || low < '0' || low > '9') {
        return -1;
    }
    return (high - '0') * 10 + (low - '0');
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // A zone with daylight saving, so that both offsets are met.
    setenv("TZ", "Europe/Berlin", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view date(reinterpret_cast<const char*>(data), size);
    const std::optional<std::string> parsed = tarvox::ParseMailDate(date);
    Check(tarvox::FormatMailDate(date) == parsed.value_or(std::string(tarvox::kFallbackMailDate)));
    if (!parsed) {
        return 0;
    }
    // "-MM-DD HH:MM:SS" after a year of at least one character.
    const std::string_view text = *parsed;
    Check(text.size() >= 16);
    const std::string_view tail = text.substr(text.size() - 15);
    Check(tail[0] == '-' && tail[3] == '-' && tail[6] == ' ' && tail[9] == ':' && tail[12] == ':');
    const int month = TwoDigits(tail, 1);
    const int day = TwoDigits(tail, 4);
    Check(month >= 1 && month <= 12 && day >= 1 && day <= 31);
    Check(TwoDigits(tail, 7) >= 0 && TwoDigits(tail, 7) <= 23);
    Check(TwoDigits(tail, 10) >= 0 && TwoDigits(tail, 10) <= 59);
    Check(TwoDigits(tail, 13) >= 0 && TwoDigits(tail, 13) <= 60);
    return 0;
}
