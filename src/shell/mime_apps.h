// The user's mimeapps.list (freedesktop MIME applications associations): the
// [Default Applications] group maps a MIME type to the desktop entries that
// open it, most preferred first.
#pragma once

#include <string>
#include <string_view>

namespace tarvox {

// `text` with `desktop_id` as the first default application of `mime_type`:
// put before the entries already listed there (and not repeated), the group
// added when missing. Every other line stays as it was; a file ends in LF.
std::string SetDefaultApplication(std::string_view text, std::string_view mime_type,
                                  std::string_view desktop_id);

}  // namespace tarvox
