// Line ends of text made on this platform (LF) turned into the CR LF of mail
// and of the program's own texts.
#pragma once

#include <string>
#include <string_view>

namespace tarvox {

// Every LF not already preceded by CR becomes CR LF.
std::string LineFeedsToCrLf(std::string_view text);

// True when some LF in `text` is not preceded by CR.
bool HasBareLineFeed(std::string_view text);

// True when `text` holds a CR or an LF: such a value would end a protocol
// command early and smuggle in another, so it is never sent.
constexpr bool HasLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

}  // namespace tarvox
