// Mailto links come from web pages and other programs: parsing any bytes never
// crashes, and every field is well-formed UTF-8 within its bound, the
// one-line fields without a line break.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "codec/utf8.h"
#include "compose/mailto_link.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using tarvox::fuzz::Check;
    const tarvox::MailtoFields fields =
        tarvox::ParseMailtoLink(std::string_view(reinterpret_cast<const char*>(data), size));
    for (const std::string_view line :
         {std::string_view(fields.to), std::string_view(fields.cc), std::string_view(fields.bcc),
          std::string_view(fields.subject)}) {
        Check(line.size() <= 511 && tarvox::IsUtf8(line));
        Check(line.find_first_of("\r\n") == std::string_view::npos);
    }
    Check(fields.body.size() <= tarvox::kMailtoBodyLength && tarvox::IsUtf8(fields.body));
    return 0;
}
