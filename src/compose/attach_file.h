// Adding a file to the composer's attachment list.
#pragma once

#include <optional>
#include <string_view>

#include "compose/composed_message.h"

namespace tarvox {

// The type given to an attachment when the type field is empty.
inline constexpr std::string_view kDefaultAttachmentType = "application/octet-stream";

// The attachment row for the file at `path`: the path, `mime_type` (or the
// default type when it is empty) and the file's size. Nothing when the file
// is not a regular file (a FIFO is not waited on), cannot be opened for
// reading or its size cannot be taken.
std::optional<ComposedAttachment> AttachFile(std::string_view path, std::string_view mime_type);

}  // namespace tarvox
