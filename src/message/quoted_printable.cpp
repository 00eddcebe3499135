#include "message/quoted_printable.h"

#include <algorithm>
#include <limits>

#include "codec/ascii.h"

namespace tarvox {
namespace {

// Decodes `run` onto the end of `out` until `limit` bytes have been added.
void DecodeInto(std::string_view run, std::string& out, std::size_t limit) {
    std::size_t room = limit;
    std::size_t i = 0;
    while (i < run.size() && room > 0) {
        // The bytes up to the next "=" are copied as they are, in one append.
        const std::size_t plain = std::min(run.find('=', i), run.size()) - i;
        const std::size_t copied = std::min(plain, room);
        out.append(run, i, copied);
        room -= copied;
        i += copied;
        if (i == run.size() || room == 0) {
            break;
        }
        const std::string_view rest = run.substr(i + 1);
        if (rest.starts_with("\r\n")) {
            i += 3;  // soft line break
        } else if (rest.size() >= 2 && HexDigitValue(rest[0]) >= 0 && HexDigitValue(rest[1]) >= 0) {
            out.push_back(static_cast<char>(HexDigitValue(rest[0]) * 16 + HexDigitValue(rest[1])));
            --room;
            i += 3;
        } else {
            ++i;  // a broken escape loses its "=" only
        }
    }
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
    bytes.reserve(run.size());
    DecodeInto(run, bytes, std::numeric_limits<std::size_t>::max());
    return bytes;
}

}  // namespace tarvox
