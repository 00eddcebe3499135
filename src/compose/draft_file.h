// Reading a draft file back into the composer. Drafts are written by
// ComposeText: a tab-aligned header section (Date, From, To, CC, BCC,
// ReplyTo, Subject, In-Reply-To, References, Attach), an empty line and the
// body lines, all ending in CR LF.
#pragma once

#include <string>
#include <string_view>

#include "compose/composed_message.h"

namespace tarvox {

// Fills `message` from the text of a draft file. CR LF reads as LF, and a
// line longer than 511 characters is read as several lines (LinePieceReader).
//
// Header lines, up to the first empty line, are matched in this order:
// "Subject:", "Attach:", "In-Reply-To:", "From:", "Reply-To:" or
// "ReplyTo:", "To:", "References:", "CC:" or "Cc:", "BCC:". A label matches
// only when one or more blanks (space or tab) and then at least one more
// character follow it; the value is the rest of the line. Subject, From,
// Reply-To and In-Reply-To are set at once. Each Attach path is added to
// the attachment list (which is emptied first) with `attachment_type`, or
// left out when the file cannot be opened. To, CC, BCC and References
// collect their values; a line that starts with a blank and matches no label
// continues the field last collected: To, CC and BCC join with a blank after
// a value ending in ",", else with ", "; References with a blank. Other
// lines (the Date line among them) are ignored.
//
// Every later line is a body line. The body, less its trailing line breaks
// and with one CR LF added, replaces the body lines; To, CC, BCC and
// References are replaced by what was collected. Each only when not empty:
// fields the draft does not mention keep their contents.
void ReadDraftText(std::string_view text, std::string_view attachment_type,
                   ComposedMessage& message);

// ReadDraftText of the text the file at `path` stores (FromStoredText: an old
// ISO-8859-1 draft reads as it always did). False, and nothing changed, when the
// file cannot be read.
bool ReadDraftFile(const std::string& path, std::string_view attachment_type,
                   ComposedMessage& message);

}  // namespace tarvox
