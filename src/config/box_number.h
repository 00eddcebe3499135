// Numbers typed into the boxes of the settings windows.
#pragma once

#include <string_view>

namespace tarvox {

enum class BoxSign { Unsigned, Signed };

// The box's text, without the white space around it, read as a decimal int:
// digits only, after one '-' or '+' when `sign` is Signed. Any other text, an
// empty box and a value outside int read as 0.
int ReadBoxNumber(std::string_view text, BoxSign sign);

}  // namespace tarvox
