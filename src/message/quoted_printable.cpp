#include "message/quoted_printable.h"

#include <limits>

#include "codec/ascii.h"

namespace tarvox {
namespace {

// Decodes `run` onto the end of `out` until `limit` bytes have been added.
void DecodeInto(std::string_view run, std::string& out, std::size_t limit) {
    const std::size_t first = out.size();
    std::size_t i = 0;
    while (i < run.size() && out.size() - first < limit) {
        const char c = run[i];
        if (c != '=') {
            out.push_back(c);
            ++i;
            continue;
        }
        const std::string_view rest = run.substr(i + 1);
        if (rest.starts_with("\r\n")) {
            i += 3;  // soft line break
        } else if (rest.size() >= 2 && HexDigitValue(rest[0]) >= 0 && HexDigitValue(rest[1]) >= 0) {
            out.push_back(static_cast<char>(HexDigitValue(rest[0]) * 16 + HexDigitValue(rest[1])));
            i += 3;
        } else {
            ++i;  // a broken escape loses its "=" only
        }
    }
}

}  // namespace

void DecodeQuotedPrintable(std::string_view run, std::string& output) {
    std::string work;
    work.reserve(kQuotedPrintableWorkBufferSize);
    DecodeInto(run, work, kQuotedPrintableDisplayLimit);
    output.append(work, 0, work.find('\0'));
}

std::string DecodeQuotedPrintableData(std::string_view run) {
    std::string bytes;
    bytes.reserve(run.size());
    DecodeInto(run, bytes, std::numeric_limits<std::size_t>::max());
    return bytes;
}

}  // namespace tarvox
