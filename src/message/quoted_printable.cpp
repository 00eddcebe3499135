#include "message/quoted_printable.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <limits>

#include "codec/ascii.h"

namespace tarvox {
namespace {

// HexDigitValue of every byte, looked up instead of tested.
constexpr std::array<std::int8_t, 256> kHexValues = [] {
    std::array<std::int8_t, 256> values{};
    for (std::size_t byte = 0; byte < values.size(); ++byte) {
        values[byte] = static_cast<std::int8_t>(HexDigitValue(static_cast<char>(byte)));
    }
    return values;
}();

int HexValue(char c) { return kHexValues[static_cast<unsigned char>(c)]; }

// How many of the eight bytes in `word` (in memory order) come before the
// first "=", or 8. The test is exact per byte: no carry crosses bytes.
std::size_t PlainBytesInWord(std::uint64_t word) {
    constexpr std::uint64_t kLow7 = 0x7f7f7f7f7f7f7f7fu;
    const std::uint64_t x = word ^ 0x3d3d3d3d3d3d3d3du;  // zero bytes where "=" was
    const std::uint64_t zero_bytes = ~(((x & kLow7) + kLow7) | x | kLow7);
    if (zero_bytes == 0) {
        return 8;
    }
    const int bit = std::endian::native == std::endian::little ? std::countr_zero(zero_bytes)
                                                               : std::countl_zero(zero_bytes);
    return static_cast<std::size_t>(bit / 8);
}

// Copies the bytes before the next "=" from `from` to `to`, as far as both
// `end` and `full` allow; returns how many. Eight bytes at a time while both
// have room: a word is copied whole and kept up to its first "=".
std::size_t CopyPlainBytes(const char* from, const char* end, char* to, const char* full) {
    const char* const start = from;
    while (end - from >= 8 && full - to >= 8) {
        std::uint64_t word;
        std::memcpy(&word, from, sizeof word);
        std::memcpy(to, &word, sizeof word);
        const std::size_t plain = PlainBytesInWord(word);
        from += plain;
        to += plain;
        if (plain < 8) {
            return static_cast<std::size_t>(from - start);
        }
    }
    while (from < end && to < full && *from != '=') {
        *to++ = *from++;
    }
    return static_cast<std::size_t>(from - start);
}

// Decodes `run` onto the end of `out` until `limit` bytes have been added.
void DecodeInto(std::string_view run, std::string& out, std::size_t limit) {
    // Decoding never lengthens the text, so the output gets its room once
    // and is cut to what was written at the end.
    const std::size_t first = out.size();
    out.resize(first + std::min(run.size(), limit));
    char* to = out.data() + first;
    const char* const full = out.data() + out.size();
    const char* from = run.data();
    const char* const end = from + run.size();
    while (from < end && to < full) {
        const std::size_t copied = CopyPlainBytes(from, end, to, full);
        to += copied;
        from += copied;
        if (from == end || to == full) {
            break;
        }
        // At an "=": what follows it decides.
        const std::size_t rest = static_cast<std::size_t>(end - from) - 1;
        if (rest >= 2 && from[1] == '\r' && from[2] == '\n') {
            from += 3;  // soft line break
        } else if (rest >= 2 && (HexValue(from[1]) | HexValue(from[2])) >= 0) {
            *to++ = static_cast<char>(HexValue(from[1]) * 16 + HexValue(from[2]));
            from += 3;
        } else {
            ++from;  // a broken escape loses its "=" only
        }
    }
    out.resize(static_cast<std::size_t>(to - out.data()));
}

}  // namespace

void DecodeQuotedPrintable(std::string_view run, std::string& output) {
    // Decoded straight onto `output`, then cut at the first decoded NUL, as
    // the work buffer ended there.
    const std::size_t first = output.size();
    DecodeInto(run, output, kQuotedPrintableDisplayLimit);
    const std::size_t nul = output.find('\0', first);
    if (nul != std::string::npos) {
        output.resize(nul);
    }
}

std::string DecodeQuotedPrintableData(std::string_view run) {
    std::string bytes;
    DecodeInto(run, bytes, std::numeric_limits<std::size_t>::max());
    return bytes;
}

}  // namespace tarvox
