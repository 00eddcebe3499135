// The CAPA reply parser over any bytes. It must never crash; a reply it
// accepts is positive and ends with its end line, and every SASL mechanism
// it keeps is one non-empty word of one line.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "protocols/pop_capabilities.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using tarvox::fuzz::Check;
    const std::string_view reply(reinterpret_cast<const char*>(data), size);
    const auto capabilities = tarvox::ParsePopCapabilities(reply);
    if (capabilities) {
        Check(reply.starts_with('+') && reply.ends_with("\r\n.\r\n"));
        for (const std::string& mechanism : capabilities->sasl) {
            Check(!mechanism.empty() && mechanism.find(' ') == std::string::npos &&
                  mechanism.find("\r\n") == std::string::npos);
        }
    }
    return 0;
}
