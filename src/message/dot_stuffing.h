// Undoing POP3 dot-stuffing (RFC 1939 section 3): a server puts an extra "."
// before every line of a message that begins with ".", so that no line of
// the text can be taken for the terminating "." line. A message kept as it
// was downloaded still carries the extra dots; what is shown or decoded from
// it drops them again.
#pragma once

#include <string>
#include <string_view>

namespace tarvox {

// The line (with or without its CR LF) as the sender wrote it: one leading
// "." fewer when it begins with ".". The terminating line ".\r\n" itself is
// returned unchanged.
std::string_view UnstuffLine(std::string_view line);

// The same for every line of a text whose lines end in CR LF.
std::string UnstuffText(std::string_view text);

}  // namespace tarvox
