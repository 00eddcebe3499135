// Reading a decimal number out of a protocol reply, as one "%u" conversion
// of sscanf does it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tarvox {

// Skips blanks and tabs from `pos`, then reads digits into `value`, moving
// `pos` past them. False when no digit follows or the number does not fit in
// 32 bits.
bool ScanUnsigned(std::string_view text, std::size_t& pos, std::uint32_t& value);

}  // namespace tarvox
