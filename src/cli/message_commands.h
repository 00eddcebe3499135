// tarvox-cli commands about saved message files.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace tarvox {

// tarvox-cli view FILE [--all-headers] [--no-html-filter] [--raw] [--bytes]:
// prints what the viewer shows for a message file.
int RunViewCommand(std::span<const std::string_view> args);

// tarvox-cli attachments FILE [--save DIR] [--bytes]: lists the attachments
// (name and encoding); with --save writes each one's decoded data into DIR.
int RunAttachmentsCommand(std::span<const std::string_view> args);

// The name an attachment is saved under: the part after the last "/" or "\"
// (and before any NUL), without leading dots (no hidden files) and with each
// control character made "_", or "untitled" when that leaves nothing usable
// ("", ".", "..", or a pair of quotes with or without a blank between).
std::string AttachmentFilePart(std::string_view name);

}  // namespace tarvox
