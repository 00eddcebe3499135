// The one scan of a message's header block: the fields the program shows,
// the MIME facts, the Status flags, the To and Cc lists, the threading
// headers, and the junk verdict.
#pragma once

#include <string_view>

#include "message/header_summary.h"

namespace tarvox {

// Scans `message` (CR LF lines) from its start. `junk` is the profile's junk
// settings, or null when the message is not classified.
HeaderSummary ScanHeaders(std::string_view message, const JunkSettings* junk = nullptr);

}  // namespace tarvox
