#include "compose/attachment_sizes.h"

#include <gtest/gtest.h>

namespace tarvox {
namespace {

TEST(AttachmentSizes, KilobytesBelowOneMegabyteThenMegabytes) {
    const std::pair<std::uint64_t, std::string_view> cases[] = {
        {0, "0.0 KB"},        {5000, "4.9 KB"},     {1048575, "1024.0 KB"},
        {1048576, "1.00 MB"}, {1572864, "1.50 MB"}, {5368709120, "5120.00 MB"},
    };
    for (const auto& [bytes, text] : cases) {
        EXPECT_EQ(AttachmentSizeText(bytes), text) << bytes;
    }
    EXPECT_EQ(AttachmentSummaryText({}), "Attached: 0 file(s), 0.0 KB");
    EXPECT_EQ(AttachmentSummaryText({{"/a", "", 524288}, {"/b", "", 524288}}),
              "Attached: 2 file(s), 1.00 MB");
}

}  // namespace
}  // namespace tarvox
