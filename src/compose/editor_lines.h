// Handing a text to the composer's body editor as display lines.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tarvox {

// The lines of a CR LF text as the body editor holds them: each line keeps
// its CR LF; text after the last CR LF, when there is any, is a last line
// without one. An empty text has no lines.
std::vector<std::string> EditorLinesFromText(std::string_view text);

}  // namespace tarvox
