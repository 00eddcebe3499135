// The one scan of a message's header block: the fields the program shows,
// the MIME facts, the Status flags, the To and Cc lists and the threading
// headers. Junk classification walks the same lines (junk/junk_classifier.h).
#pragma once

#include <string_view>

#include "message/header_summary.h"

namespace tarvox {

// Scans `message` (CR LF lines) from its start: ReadHeaderBlock, then
// FinishHeaderSummary.
HeaderSummary ScanHeaders(std::string_view message);

// The walk alone: the texts as they stand on the lines, with the header words
// of From, Subject and Reply-To decoded; leading blanks are kept and the To
// and Cc entries are not decoded yet.
HeaderSummary ReadHeaderBlock(std::string_view message);

// Removes the leading blanks of the single-line texts and decodes the header
// words of the To and Cc entries.
void FinishHeaderSummary(HeaderSummary& summary);

}  // namespace tarvox
