// The sizes the composer shows for its attachments: one file's size in the
// list's Size column, and the count and total beside "Attachments:".
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "compose/composed_message.h"

namespace tarvox {

// From this many bytes on a size is shown in megabytes, below it in kilobytes.
inline constexpr std::uint64_t kMegabyteSizeFrom = 1048576;

// "%.1f KB" of bytes / 1024 below 1,048,576 bytes, else "%.2f MB" of
// bytes / 1,048,576. The decimal point is "." whatever the user's locale.
std::string AttachmentSizeText(std::uint64_t bytes);

// "Attached: %d file(s), " and the total of the sizes as AttachmentSizeText
// gives it.
std::string AttachmentSummaryText(const std::vector<ComposedAttachment>& attachments);

}  // namespace tarvox
