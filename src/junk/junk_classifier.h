// Junk classification of one message from its header block: the pattern
// lists meet every header line, the term lists and the heuristic rules meet
// the fields the header scan reads.
#pragma once

#include <string_view>

#include "junk/junk_settings.h"
#include "message/header_summary.h"

namespace tarvox {

// Scans the header block of `message` as ScanHeaders does and sets
// `junk_verdict` by `settings`.
HeaderSummary ScanAndClassify(std::string_view message, const JunkSettings& settings);

}  // namespace tarvox
