// The user's signature file, appended to every new message, reply and
// forward.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarvox {

inline constexpr std::string_view kSignatureSeparator = "\r\n\r\n-- \r\n";

// What InsertSignature puts at the end of the body: "\r\n\r\n-- \r\n", then
// every line of the text the file at `path` stores (FromStoredText; read as LinePieceReader gives
// them, line breaks removed) followed by CR LF. Nothing when the path is empty or the file cannot
// be read; an empty file gives the separator alone.
std::optional<std::string> SignatureBlock(const std::string& path);

// Appends SignatureBlock(path) to `body`, when there is one. True when
// something was appended.
bool InsertSignature(std::string& body, const std::string& path);

}  // namespace tarvox
