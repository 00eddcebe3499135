#include "compose/attachment_sizes.h"

#include <array>
#include <charconv>
#include <limits>

namespace tarvox {

namespace {

// `value` with `digits` decimals as printf's "%.*f" gives it in the C locale:
// the program's other number formatting follows the user's locale once Qt
// has set it, and these texts are fixed.
std::string FixedDecimal(double value, int digits) {
    std::array<char, 64> buffer{};
    const std::to_chars_result end = std::to_chars(buffer.data(), buffer.data() + buffer.size(),
                                                   value, std::chars_format::fixed, digits);
    return std::string(buffer.data(), end.ptr);
}

}  // namespace

std::string AttachmentSizeText(std::uint64_t bytes) {
    if (bytes < kMegabyteSizeFrom) {
        return FixedDecimal(static_cast<double>(bytes) / 1024.0, 1) + " KB";
    }
    return FixedDecimal(static_cast<double>(bytes) / 1048576.0, 2) + " MB";
}

std::string AttachmentSummaryText(const std::vector<ComposedAttachment>& attachments) {
    std::uint64_t total = 0;
    for (const ComposedAttachment& attachment : attachments) {
        // Saturates rather than wrapping round to a small total.
        total = attachment.size > std::numeric_limits<std::uint64_t>::max() - total
                    ? std::numeric_limits<std::uint64_t>::max()
                    : total + attachment.size;
    }
    return "Attached: " + std::to_string(attachments.size()) + " file(s), " +
           AttachmentSizeText(total);
}

}  // namespace tarvox
