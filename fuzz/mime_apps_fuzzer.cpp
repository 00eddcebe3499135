// The user's mimeapps.list may hold anything: setting the default handler
// never crashes, always leaves the entry first in its line, and setting it
// again changes nothing more.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "shell/mime_apps.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using tarvox::fuzz::Check;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::string once = tarvox::SetDefaultApplication(text, "x-scheme-handler/mailto", "tarvox.desktop");
    Check(once.find("\nx-scheme-handler/mailto=tarvox.desktop;") != std::string::npos);
    Check(tarvox::SetDefaultApplication(once, "x-scheme-handler/mailto", "tarvox.desktop") == once);
    return 0;
}
