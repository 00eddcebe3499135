// The letter-hex encoding of stored passwords: each byte becomes two capital
// letters from A to P, offset by its position and the byte count so that
// repeated bytes do not repeat letters.
#pragma once

#include <string>
#include <string_view>

namespace tarvox {

// For byte i of n: v = (byte + i + n) mod 256, written as 'A' + (v >> 4) and
// 'A' + (v & 15). The result is 2n characters long.
std::string EncodeLetterHex(std::string_view bytes);

// The inverse: n = length / 2 (a trailing odd letter is ignored); pair k gives
// ((first - 'A') * 16 + (second - 'A') - n - k) mod 256. Letters outside A..P
// are not refused; they decode to whatever the formula gives.
std::string DecodeLetterHex(std::string_view letters);

}  // namespace tarvox
